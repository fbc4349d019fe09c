#pragma once
// Shared by the authoring tests: fresh data and working directories, table rows as another program sees them.

#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QDialog>
#include <QSqlDatabase>
#include <QtTest>

namespace maintenance {

using namespace testing_support;

// Rows "E|Direccion" (3 questions, 4 of 8 icons) or "E|Num|Num_ico|Total_ico|Direccion", "E|text", "E|text|icon";
// an empty E is a blank edition.
inline void writeRows(const QString& table, const QString& columns, const QStringList& rows, const QString& more = {})
{
    withTableFile(table, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows) {
            QStringList f = row.split(QLatin1Char('|'));
            if (columns.count(',') == 4 && f.size() == 2)
                f = QStringList { f[0], QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("8"), f[1] };
            QVariantList values(f.begin(), f.end());
            if (f[0].isEmpty())
                values[0] = QVariant();
            execOn(db,
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3%4)")
                    .arg(QFileInfo(table).baseName(), columns, QStringList(f.size(), "?").join(", "), more),
                values);
        }
        db.commit();
    });
}

inline const QString kAllParameters = QStringLiteral("Edicion, Num, Num_ico, Total_ico, Direccion");

// Per test: tables, data module, a working directory holding "iconos", the run state as the main window leaves it.
class Fixture
{
public:
    Fixture()
        : m_savedCwd(QDir::currentPath())
    {
        QDir().mkpath(m_data.path(QStringLiteral("trabajo/iconos")));
        m_work = QDir(m_data.path(QStringLiteral("trabajo"))).canonicalPath();
        QDir::setCurrent(m_work);
        EdicionActual = 1;
        ModoReedicion = NumPreguntas = 0;
        RunUnderWay = false;
        DirIconos.clear();
    }
    ~Fixture()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<vui::Form*>(w))
                w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(m_savedCwd);
        RunUnderWay = false;
    }
    QString work() const { return m_work; }
    QString file(const QString& name) const { return m_data.tablePath(name + QStringLiteral(".DB")); }
    void write(const QStringList& params, const QStringList& questions, const QStringList& results = {}) const
    {
        writeRows(file(QStringLiteral("variables")), kAllParameters, params);
        writeRows(file(QStringLiteral("preguntas")), QStringLiteral("Edicion, Preguntas"), questions);
        writeRows(file(QStringLiteral("tesis")),
            QStringLiteral("Edicion, Pregunta, Icono, Tiempo, Grafico, Suma_tiempo, Rep_icono, Promedio"), results,
            QStringLiteral(", '0:0:3:120', x'424d', 6, 2, 3"));
    }
    QStringList rows(const QString& table, const QString& columns) const
    {
        return fileRows(file(table), table, columns);
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
        for (const QString table : { "variables", "preguntas", "tesis" })
            all << allFileRows(file(table), table);
        return all;
    }

private:
    QString m_savedCwd;
    ModuleData m_data;
    QString m_work;
};

// What "Aplicar Encuesta", "Borrar Encuesta" and "Modificar Preguntas" do before they create their window.
template <typename W> W* openAsTheCommandDoes()
{
    DataModule6->Table3->open();
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    t1->edit();
    EdicionActual = t1->recordCount();
    t1->last();
    return new W; // released with the fixture
}

// Gives a field the focus as Tab does; false when it did not take it.
inline bool focusOn(QWidget* widget)
{
    widget->setFocus(Qt::TabFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); }, 2000);
}

// Ends a dialog that a failed check in an answer left open, so the test reports instead of hanging.
inline auto closeIfLeftOpen(QWidget* modal)
{
    return qScopeGuard([dialog = QPointer<QDialog>(qobject_cast<QDialog*>(modal))] {
        if (dialog && dialog->isVisible())
            dialog->done(0);
    });
}

// Shows a dialog modally while `act` answers it; -1 when a window was left open longer than patienceMs.
inline int showAnswered(vui::Form* dialog, const std::function<void(QWidget*)>& act, int patienceMs = 8000)
{
    whenModal([act](QWidget* modal) {
        const auto guard = closeIfLeftOpen(modal);
        act(modal);
    });
    int result = -1;
    return runAnswered([&] { result = dialog->showModal(); }, patienceMs) ? result : -1;
}

} // namespace maintenance
