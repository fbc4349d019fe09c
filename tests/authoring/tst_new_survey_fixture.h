#pragma once
// What the tests of the new-survey and question-entry dialogs share: a fresh
// data directory and working directory per test, reading the stored rows,
// typing like a user, and answering the dialogs of the modal chain.

#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "store/tables.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QtTest>

#include <functional>
#include <memory>

namespace survey_testing {

using Rows = QList<QStringList>;

// Every row of a table file as texts, read through a dataset of its own so
// that the data module's datasets are left as the dialogs left them.
inline Rows storedRows(const TableDef& def)
{
    vdb::Table table;
    table.setDatabaseName(kDatabaseName);
    table.setTableName(def.fileName);
    table.open();
    Rows rows;
    for (table.first(); !table.eof(); table.next()) {
        QStringList row;
        for (const vdb::FieldDef& field : def.fields)
            row << table.fieldByName(field.name).asString();
        rows << row;
    }
    table.close();
    return rows;
}

inline void addParameterRow(int edicion, int num, int numIco, int totalIco, const QString& directory)
{
    vdb::Table table;
    table.setDatabaseName(kDatabaseName);
    table.setTableName(variablesTable().fileName);
    table.open();
    table.append();
    table.fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
    table.fieldByName(QStringLiteral("Num")).setAsString(QString::number(num));
    table.fieldByName(QStringLiteral("Num_ico")).setAsString(QString::number(numIco));
    table.fieldByName(QStringLiteral("Total_ico")).setAsString(QString::number(totalIco));
    table.fieldByName(QStringLiteral("Direccion")).setAsString(directory);
    table.post();
    table.close();
}

inline void addQuestionRow(int edicion, const QString& text)
{
    vdb::Table table;
    table.setDatabaseName(kDatabaseName);
    table.setTableName(preguntasTable().fileName);
    table.open();
    table.append();
    table.fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
    table.fieldByName(QStringLiteral("Preguntas")).setAsString(text);
    table.post();
    table.close();
}

// Shows a window and makes it the active one, so that focus and key events
// behave as for a user.
inline bool showActive(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

// Types a script into a widget: plain characters as keys, and <Home>, <End>,
// <BS> (Backspace), <Del>, <Enter>, <Tab>, <Up>, <Down> as those keys.
inline void typeScript(QWidget* widget, const QString& script)
{
    static const std::pair<const char*, Qt::Key> named[] = { { "<Home>", Qt::Key_Home }, { "<End>", Qt::Key_End },
        { "<BS>", Qt::Key_Backspace }, { "<Del>", Qt::Key_Delete }, { "<Enter>", Qt::Key_Return },
        { "<Tab>", Qt::Key_Tab }, { "<Up>", Qt::Key_Up }, { "<Down>", Qt::Key_Down } };
    for (qsizetype i = 0; i < script.size();) {
        bool done = false;
        for (const auto& [name, key] : named) {
            if (script.mid(i).startsWith(QLatin1String(name))) {
                QTest::keyClick(widget, key);
                i += qsizetype(qstrlen(name));
                done = true;
                break;
            }
        }
        if (!done)
            QTest::keyClick(widget, script.at(i++).toLatin1());
    }
}

template <typename T> T* shownDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Per test: a fresh data directory with the three tables, a fresh working
// directory, the data module and the run state as the main window leaves it.
class Fixture
{
public:
    Fixture()
        : m_savedCwd(QDir::currentPath())
        , m_data(std::make_unique<testing_support::TestData>())
    {
        QDir().mkpath(m_data->path(QStringLiteral("trabajo/iconos")));
        m_work = QDir(m_data->path(QStringLiteral("trabajo"))).canonicalPath();
        QDir::setCurrent(m_work);
        DataModule6 = new TDataModule6;
        EdicionActual = 1;
        ModoReedicion = 0;
        NumPreguntas = 0;
        DirIconos.clear();
    }
    ~Fixture()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TForm2*>(w) || qobject_cast<TForm3*>(w))
                w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete DataModule6;
        DataModule6 = nullptr;
        QDir::setCurrent(m_savedCwd);
    }
    QString work() const { return m_work; }
    const testing_support::TestData& data() const { return *m_data; }

private:
    QString m_savedCwd;
    std::unique_ptr<testing_support::TestData> m_data;
    QString m_work;
};

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
};

// Answers the next question-entry dialog: types `texts` into its fields
// (one per question, fewer leave the rest empty) and presses `button`.
inline void answerQuestions(SeenQuestions* seen, const QStringList& texts,
    const QString& button = QStringLiteral("Aceptar"), std::function<void(TForm3*)> before = {})
{
    testing_support::whenModal([=](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* dialog = qobject_cast<TForm3*>(modal);
        if (!dialog) {
            qWarning("expected the question-entry dialog, got '%s'", qPrintable(modal->windowTitle()));
            return;
        }
        seen->seen = true;
        seen->caption = dialog->windowTitle();
        seen->size = dialog->size();
        seen->count = dialog->questionCount();
        seen->openerHidden = dialog->parentWidget() && !dialog->parentWidget()->isVisible();
        for (int k = 1; k <= texts.size() && k <= dialog->questionCount(); ++k)
            QTest::keyClicks(dialog->questionEdit(k), texts.at(k - 1));
        if (before)
            before(dialog);
        testing_support::findButton(dialog, button)->click();
    });
}

} // namespace survey_testing
