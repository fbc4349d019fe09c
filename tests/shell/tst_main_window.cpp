// The main window's commands on empty and filled tables, answered as a user
// would, and a run started from "Aplicar Encuesta" to its end.

#include "authoring/survey_list.h"
#include "platform/db/database.h"
#include "platform/ui/messages.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

#include <optional>

using namespace testing_support;
using run_fixture::shownWindow;

namespace {

// The data module's tables left open, by name.
QString openTables()
{
    QStringList open;
    for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2, DataModule6->Table3 })
        if (t->active())
            open << t->objectName();
    return open.join(QLatin1Char(' '));
}

// One line per modal window: a box's caption and text, or a window's class
// and caption, with the edition (and mode) it saw; for the survey list, which
// of its buttons shows.
QString describe(QWidget* modal)
{
    if (auto* box = qobject_cast<QMessageBox*>(modal)) // file names without their folder
        return QStringLiteral("%1: %2 @%3")
            .arg(box->windowTitle(), box->text().replace(QRegularExpression("'[^']*/"), "'"))
            .arg(EdicionActual);
    QString line = QStringLiteral("%1 '%2' %3/%4")
                       .arg(QLatin1String(modal->metaObject()->className()), modal->windowTitle())
                       .arg(EdicionActual)
                       .arg(ModoReedicion);
    if (auto* list = qobject_cast<TForm7*>(modal))
        line += QStringLiteral(" aceptar=%1 borrar=%2").arg(list->BitBtn1->isVisible()).arg(list->BitBtn3->isVisible());
    return line;
}

// Answers the coming modal windows in turn: a button text, "Enter", or "" for
// "Cancelar"; "!" first tries Escape
// and the window system's close, which must leave the window open.
void answerInTurn(QStringList answers, std::shared_ptr<QStringList> seen)
{
    if (answers.isEmpty())
        return;
    QString answer = answers.takeFirst();
    whenModal([answers, seen, answer](QWidget* modal) mutable {
        seen->append(describe(modal));
        answerInTurn(answers, seen);
        if (answer.startsWith(QLatin1Char('!'))) {
            answer.remove(0, 1);
            QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key_Escape);
            modal->windowHandle()->close();
            if (!modal->isVisible()) {
                seen->append(QStringLiteral("left without an answer"));
                return;
            }
        }
        if (answer == QLatin1String("Enter"))
            QTest::keyClick(modal, Qt::Key_Return);
        else if (QAbstractButton* button = findButton(modal, answer.isEmpty() ? QStringLiteral("Cancelar") : answer))
            button->click();
        else
            modal->hide(); // the comparison of what was seen fails
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void commands_data();
    void commands();
    void surveyRoad();

private:
    void run(const char* via);

    std::optional<ModuleData> m_data;
    std::unique_ptr<TForm1> m_form;
};

void TestMainWindow::init()
{
    m_form.reset(); // before the tables it shows
    m_data.emplace();
    m_form = std::make_unique<TForm1>();
    QVERIFY(showActive(m_form.get()));
    EdicionActual = 0;
    ModoReedicion = 1; // a command that opens the new-survey dialog must clear it
    RunUnderWay = false;
}

// A command given by the menu item or tool button of that name; any other
// name closes the window as the title bar's close button does.
void TestMainWindow::run(const char* via)
{
    const auto give = [this, via] {
        if (QObject* target = m_form->findChild<QObject*>(QLatin1String(via)))
            QMetaObject::invokeMethod(target, qobject_cast<QAction*>(target) ? "trigger" : "click");
        else
            m_form->windowHandle()->close();
    };
    QVERIFY2(runAnswered(give, 3000), "a window was left waiting for an answer");
}

void TestMainWindow::commands_data()
{
    QTest::addColumn<QString>("via");
    QTest::addColumn<int>("surveys"); // below zero: that many, and no results table file
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("expected"); // then the tables left open, or "closed" when the main window goes
    const QString ask = QStringLiteral("Vesmarin: No hay encuestas ¿Desea editar una? @0");
    const QString leave = QStringLiteral("Vesmarin: ¿Desea salir? @0");
    const QString none = vui::applicationTitle() + QStringLiteral(": No hay encuestas @%1");
    const QString create = QStringLiteral("TForm2 ' Vesmarin - Edicion de Encuesta' %1/0");
    const QString select = QStringLiteral("TForm7 ' Vesmarin - Selección de Encuesta' 3/1 aceptar=1 borrar=0");
    const QString erase = QStringLiteral("TForm7 ' Vesmarin - Borrar Encuesta' 3/1 aceptar=0 borrar=1");
    const QString change = QStringLiteral("TForm8 ' Vesmarin - Modificar Preguntas' %1/1");
    const QString noFile
        = vui::applicationTitle() + QStringLiteral(": No se encuentra el archivo de tabla 'tesis.DB' @0");
    const QString about = QStringLiteral("TForm11 ' Acerca de Vesmarin' 0/1");
    auto row = [](const char* name, const char* via, int surveys) -> QTestData& {
        return QTest::newRow(name) << QString::fromUtf8(via) << surveys;
    };
    using L = QStringList;
    row("Aplicar, empty: Escape, close; No", "Encuesta", 0) << L { "!No", "!No" } << L { ask, leave, "Table1 Table3" };
    row("Aplicar, empty: No, Sí", "SpeedButton5", 0) << L { "No", "Sí" } << L { ask, leave, "closed" };
    row("Aplicar, empty: Sí", "SpeedButton5", 0) << L { "Sí", "" } << L { ask, create.arg(1), "Table1 Table3" };
    row("Aplicar, three", "Encuesta", 3) << L { "" } << L { select, "Table3" };
    row("Crear, three", "SpeedButton3", 3) << L { "" } << L { create.arg(4), "Table1" };
    row("Modificar, empty", "SpeedButton1", 0) << L { "OK" } << L { none.arg(0), "" };
    row("Modificar, three", "ModificarPreguntas1", 3) << L { "" } << L { change.arg(3), "Table1" };
    row("Borrar, empty", "BorrarEncuesta1", 0) << L { "OK" } << L { none.arg(0), "Table1 Table3" };
    row("Borrar, three", "SpeedButton2", 3) << L { "" } << L { erase, "Table3" };
    row("Reporte, three not taken", "SpeedButton4", 3) << L { "OK" } << L { none.arg(3), "Table1" };
    // Without the results table the commands that need it fail before any
    // question and open nothing; the others go on.
    row("Aplicar, no results file", "Encuesta", -1) << L { "OK" } << L { noFile, "" };
    row("Borrar, no results file", "SpeedButton2", -1) << L { "OK" } << L { noFile, "" };
    row("Crear, no results file", "EditarEncuesta1", -1) << L { "" } << L { create.arg(2), "Table1" };
    row("Modificar, no results file", "SpeedButton1", -1) << L { "" } << L { change.arg(1), "Table1" };
    row("Acerca: Enter", "Acercade1", 0) << L { "Enter" } << L { about, "" };
    row("Salir: No", "Salir1", 0) << L { "No" } << L { leave, "" };
    row("title bar: Enter", "title bar", 0) << L { "Enter" } << L { leave, "closed" };
}

void TestMainWindow::commands()
{
    QFETCH(QString, via);
    QFETCH(int, surveys);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, expected);
    for (int e = 1; e <= qAbs(surveys); ++e) // of one question, without results
        writeSurvey(e, { QStringLiteral("Pregunta de %1").arg(e) }, 3, 4);
    const QString results = m_data->tablePath("tesis.DB");
    vdb::Database::closeAll();
    QVERIFY(surveys >= 0 || QFile::remove(results));
    auto seen = std::make_shared<QStringList>();
    answerInTurn(answers, seen);
    run(qPrintable(via));
    QTRY_COMPARE_WITH_TIMEOUT(
        *seen + QStringList(m_form->isVisible() ? openTables() : QStringLiteral("closed")), expected, 3000);
    // Asking whether surveys exist begins an insertion on an empty table; it must not be left begun.
    QVERIFY(DataModule6->Table1->state() != vdb::State::Insert);
    QCOMPARE(fileRows(m_data->tablePath("variables.DB"), "variables", "Edicion").size(), qAbs(surveys));
    QCOMPARE(QFile::exists(results), surveys >= 0); // nothing repaired behind the user's back
}

void TestMainWindow::surveyRoad()
{
    // The tool bar follows the width; the picture fills the rest.
    m_form->resize(1000, 700);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Image1->width(), m_form->centralWidget()->width(), 3000);
    QCOMPARE(m_form->ToolBar1->width(), m_form->centralWidget()->width());
    QCOMPARE(m_form->Image1->geometry().bottom() + 1, m_form->centralWidget()->height());
    // A question of three icons, started from "Aplicar Encuesta" and its list's "Aceptar".
    const QString icons = m_data->path("iconos");
    writeIcons(icons, 3);
    writeSurvey(1, { QStringLiteral("¿Cómo se siente hoy?") }, 2, 3, icons);
    pressOnModal(QStringLiteral("Aceptar"));
    run("Encuesta");
    TForm4* notice = shownWindow<TForm4>();
    QVERIFY2(notice, "no question notice");
    notice->BitBtn1->click();
    TForm5* window = shownWindow<TForm5>();
    QVERIFY2(window, "no icon window");
    // While the run is on, a report command must leave its results table open.
    pressOnModal(QStringLiteral("OK"));
    run("MostrarReporte1");
    QCOMPARE(lastModalText(), QStringLiteral("No hay encuestas"));
    QVERIFY(DataModule6->Table3->active());
    // The window hides itself first, so the end's box belongs to the main window.
    // A failed check leaves the box unanswered, which fails the run below.
    whenModal([this](QWidget* box) {
        QFont title = box->font();
        title.setBold(true);
        QCOMPARE(box->windowHandle()->transientParent(), m_form->windowHandle());
        QVERIFY2(box->width() - QFontMetrics(title).horizontalAdvance(box->windowTitle()) >= 100,
            "no room beside the caption for the title bar's buttons");
        findButton(box, QStringLiteral("OK"))->click();
    });
    QVERIFY(runAnswered([window] { window->speedButton(1)->click(); }, 3000));
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
