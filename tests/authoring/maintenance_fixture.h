#pragma once
// What the authoring tests share: a fresh data and working directory per
// test, rows written straight into the table files and read back from them
// (as another program sees the files), and the answering of the modal chain.

#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QSqlDatabase>
#include <QWindow>
#include <QtTest>

namespace maintenance {

using namespace testing_support;

inline QVariant editionValue(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text.toInt());
}
// Rows in the notation of the tests, an empty E being a blank edition: a
// parameter row "E|Direccion" (3 questions, 4 of 8 icons) or
// "E|Num|Num_ico|Total_ico|Direccion", a question row "E|text", a result row
// "E|text|icon".
inline void writeRows(const QString& path, const QString& sql, const QStringList& rows,
    const std::function<QVariantList(const QStringList&)>& values)
{
    withTableFile(path, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows)
            execOn(db, sql, values(row.split(QLatin1Char('|'))));
        db.commit();
    });
}

inline void writeParameters(const QString& path, const QStringList& rows)
{
    writeRows(path,
        QStringLiteral("INSERT INTO variables (Edicion, Num, Num_ico, Total_ico, Direccion) VALUES (?, ?, ?, ?, ?)"),
        rows, [](const QStringList& f) {
            if (f.size() == 2)
                return QVariantList { editionValue(f[0]), 3, 4, 8, f[1] };
            return QVariantList { editionValue(f[0]), f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4] };
        });
}

inline void writeQuestions(const QString& path, const QStringList& rows)
{
    writeRows(path, QStringLiteral("INSERT INTO preguntas (Edicion, Preguntas) VALUES (?, ?)"), rows,
        [](const QStringList& f) {
            return QVariantList { editionValue(f.value(0)), f.value(1) };
        });
}

inline void writeResults(const QString& path, const QStringList& rows)
{
    writeRows(path,
        QStringLiteral("INSERT INTO tesis (Edicion, Pregunta, Icono, Tiempo, Grafico, Suma_tiempo, Rep_icono, "
                       "Promedio) VALUES (?, ?, ?, '0:0:3:120', ?, 6, 2, 3)"),
        rows, [](const QStringList& f) {
            return QVariantList { editionValue(f.value(0)), f.value(1), f.value(2).toInt(), QByteArray("BMpicture") };
        });
}

inline const QString kAllParameters = QStringLiteral("Edicion, Num, Num_ico, Total_ico, Direccion");

// Per test: the three tables, a working directory holding "iconos", the data
// module, and the run state as the main window leaves it.
class Fixture
{
public:
    Fixture()
        : m_savedCwd(QDir::currentPath())
    {
        QDir().mkpath(m_data.path(QStringLiteral("trabajo/iconos")));
        m_work = QDir(m_data.path(QStringLiteral("trabajo"))).canonicalPath();
        QDir::setCurrent(m_work);
        DataModule6 = new TDataModule6;
        EdicionActual = 1;
        ModoReedicion = 0;
        NumPreguntas = 0;
        RunUnderWay = false;
        DirIconos.clear();
    }
    ~Fixture()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<vui::Form*>(w))
                w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete DataModule6;
        DataModule6 = nullptr;
        QDir::setCurrent(m_savedCwd);
        RunUnderWay = false;
    }
    QString work() const { return m_work; }
    QString file(const QString& name) const { return m_data.tablePath(name); }
    const TestData& data() const { return m_data; }
    void write(const QStringList& params, const QStringList& questions, const QStringList& results = {}) const
    {
        writeParameters(file(QStringLiteral("variables.DB")), params);
        writeQuestions(file(QStringLiteral("preguntas.DB")), questions);
        writeResults(file(QStringLiteral("tesis.DB")), results);
    }
    QStringList rows(const QString& table, const QString& columns) const
    {
        return fileRows(file(table + QStringLiteral(".DB")), table, columns);
    }
    QStringList parameters(const QString& columns = QStringLiteral("Edicion, Direccion")) const
    {
        return rows(QStringLiteral("variables"), columns);
    }
    QStringList questions() const { return rows(QStringLiteral("preguntas"), QStringLiteral("Edicion, Preguntas")); }
    QStringList results() const { return rows(QStringLiteral("tesis"), QStringLiteral("Edicion, Pregunta, Icono")); }
    QStringList everything() const
    {
        QStringList all;
        for (const char* table : { "variables", "preguntas", "tesis" })
            all << allFileRows(file(QLatin1String(table) + QStringLiteral(".DB")), QLatin1String(table));
        return all;
    }

private:
    QString m_savedCwd;
    TestData m_data;
    QString m_work;
};

// Gives a field the focus as Tab does; false when it did not take it.
inline bool focusOn(QWidget* widget)
{
    widget->setFocus(Qt::TabFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); });
}

template <typename T> T* visibleDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Ends a modal dialog that an answer left open because one of its checks
// failed, so that a failing test reports instead of hanging.
class LeftOpenGuard
{
public:
    explicit LeftOpenGuard(QWidget* dialog)
        : m_dialog(qobject_cast<QDialog*>(dialog))
    {
    }
    ~LeftOpenGuard()
    {
        if (m_dialog && m_dialog->isVisible())
            m_dialog->done(0);
    }

private:
    QPointer<QDialog> m_dialog;
};

// What a question-entry dialog looked like when it came up.
struct SeenQuestions
{
    bool seen = false;
    QString caption;
    QSize size;
    int count = 0;
    bool openerHidden = false;
    QPoint centre; // of the frame
    bool ownedByOpener = false; // as the window system sees it
};

inline bool ownedByOpener(QWidget* dialog)
{
    return dialog->parentWidget() && dialog->windowHandle()
        && dialog->windowHandle()->transientParent() == dialog->parentWidget()->windowHandle();
}

// Answers the next question-entry dialog: types `texts` into its fields and
// presses `button`, after `before` has run.
inline void answerQuestions(SeenQuestions* seen, const QStringList& texts,
    const QString& button = QStringLiteral("Aceptar"), std::function<void(TForm3*)> before = {})
{
    whenModal([=](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* dialog = qobject_cast<TForm3*>(modal);
        if (!dialog) {
            qWarning("expected the question-entry dialog, got '%s'", qPrintable(modal->windowTitle()));
            return;
        }
        QTest::qWaitForWindowExposed(dialog); // framed by the window manager, if any
        *seen = { true, dialog->windowTitle(), dialog->size(), dialog->questionCount(),
            dialog->parentWidget() && !dialog->parentWidget()->isVisible(), dialog->frameGeometry().center(),
            ownedByOpener(dialog) };
        for (int k = 1; k <= texts.size() && k <= dialog->questionCount(); ++k)
            QTest::keyClicks(dialog->questionEdit(k), texts.at(k - 1));
        if (before)
            before(dialog);
        findButton(dialog, button)->click();
    });
}

} // namespace maintenance
