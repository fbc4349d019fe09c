// The main window's commands on empty and filled tables, answered as a user
// would, and a run started from "Aplicar Encuesta" to its end.

#include "authoring/survey_list.h"
#include "platform/db/database.h"
#include "platform/ui/messages.h"
#include "reporting/report_choice.h"
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

using namespace testing_support;
using run_fixture::shownWindow;

namespace {

enum class Command { Aplicar, Crear, Modificar, Borrar, Reporte, Acerca, Salir, TitleBar };

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
        QAbstractButton* button = findButton(modal, answer.isEmpty() ? QStringLiteral("Cancelar") : answer);
        if (answer == QLatin1String("Enter"))
            QTest::keyClick(modal, Qt::Key_Return);
        else if (button)
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
    void cleanup();

    void pictureFollowsTheSize();
    void commands_data();
    void commands();
    void surveyRoad();

private:
    void run(Command command, bool byButton = false);

    std::unique_ptr<ModuleData> m_data;
    std::unique_ptr<TForm1> m_form;
};

void TestMainWindow::init()
{
    m_data = std::make_unique<ModuleData>();
    m_form = std::make_unique<TForm1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    EdicionActual = 0;
    ModoReedicion = 1; // a command that opens the new-survey dialog must clear it
    RunUnderWay = false;
}

void TestMainWindow::cleanup()
{
    m_form.reset();
    m_data.reset();
}

void TestMainWindow::run(Command command, bool byButton)
{
    TForm1* f = m_form.get();
    const std::pair<QToolButton*, QAction*> ways[]
        = { { f->SpeedButton5, f->Encuesta }, { f->SpeedButton3, f->EditarEncuesta1 },
              { f->SpeedButton1, f->ModificarPreguntas1 }, { f->SpeedButton2, f->BorrarEncuesta1 },
              { f->SpeedButton4, f->MostrarReporte1 }, { nullptr, f->Acercade1 }, { nullptr, f->Salir1 } };
    const auto give = [&] {
        if (command == Command::TitleBar)
            f->windowHandle()->close(); // as the title bar's close button does
        else if (const auto [button, action] = ways[int(command)]; byButton && button)
            button->click();
        else
            action->trigger();
    };
    QVERIFY2(runAnswered(give, 3000), "a window was left waiting for an answer");
}

void TestMainWindow::pictureFollowsTheSize()
{
    // The tool bar follows the width; the picture fills the rest.
    for (const QSize size : { QSize(1000, 700), QSize(500, 300) }) {
        m_form->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->Image1->width(), m_form->centralWidget()->width(), 3000);
        QCOMPARE(m_form->ToolBar1->width(), m_form->centralWidget()->width());
        QCOMPARE(m_form->Image1->geometry().bottom() + 1, m_form->centralWidget()->height());
    }
}

void TestMainWindow::commands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("surveys"); // below zero: that many, and no results table file
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<QString>("tablesAfter"); // null: not checked
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("expected"); // ends in "closed" when the main window goes
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
    auto row = [](const char* name, Command c, int surveys, bool byButton, const char* tables = nullptr) -> QTestData& {
        return QTest::newRow(name) << int(c) << surveys << byButton << QString::fromUtf8(tables);
    };
    using L = QStringList;
    row("Aplicar, empty: Escape, close, No; No", Command::Aplicar, 0, false) << L { "!No", "!No" } << L { ask, leave };
    row("Aplicar, empty: No, Sí", Command::Aplicar, 0, true) << L { "No", "Sí" } << L { ask, leave, "closed" };
    row("Aplicar, empty: Sí", Command::Aplicar, 0, true) << L { "Sí", "" } << L { ask, create.arg(1) };
    row("Aplicar, three", Command::Aplicar, 3, false) << L { "" } << L { select };
    row("Crear, three", Command::Crear, 3, true) << L { "" } << L { create.arg(4) };
    row("Modificar, empty", Command::Modificar, 0, true, "") << L { "OK" } << L { none.arg(0) };
    row("Modificar, three", Command::Modificar, 3, false) << L { "" } << L { change.arg(3) };
    row("Borrar, empty", Command::Borrar, 0, false, "Table1 Table3") << L { "OK" } << L { none.arg(0) };
    row("Borrar, three", Command::Borrar, 3, true) << L { "" } << L { erase };
    row("Reporte, three not taken", Command::Reporte, 3, true, "Table1") << L { "OK" } << L { none.arg(3) };
    // Without the results table the commands that need it fail before any
    // question and open nothing; the others go on.
    row("Aplicar, no results file", Command::Aplicar, -1, false, "") << L { "OK" } << L { noFile };
    row("Borrar, no results file", Command::Borrar, -1, true, "") << L { "OK" } << L { noFile };
    row("Crear, no results file", Command::Crear, -1, false) << L { "" } << L { create.arg(2) };
    row("Modificar, no results file", Command::Modificar, -1, true) << L { "" } << L { change.arg(1) };
    row("Acerca: Enter", Command::Acerca, 0, false, "") << L { "Enter" } << L { about };
    row("Salir: No", Command::Salir, 0, false) << L { "No" } << L { leave };
    row("title bar: Enter", Command::TitleBar, 0, false) << L { "Enter" } << L { leave, "closed" };
}

void TestMainWindow::commands()
{
    QFETCH(int, command);
    QFETCH(int, surveys);
    QFETCH(bool, byButton);
    QFETCH(QString, tablesAfter);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, expected);
    for (int e = 1; e <= qAbs(surveys); ++e) // of one question, without results
        writeSurvey(e, { QStringLiteral("Pregunta de %1").arg(e) }, 3, 4);
    const QString results = m_data->tablePath("tesis.DB");
    vdb::Database::closeAll();
    QVERIFY(surveys >= 0 || QFile::remove(results));
    auto seen = std::make_shared<QStringList>();
    answerInTurn(answers, seen);
    run(Command(command), byButton);
    QTRY_COMPARE_WITH_TIMEOUT(*seen + QStringList(m_form->isVisible() ? 0 : 1, "closed"), expected, 3000);
    if (!tablesAfter.isNull())
        QCOMPARE(openTables(), tablesAfter);
    // Asking whether surveys exist begins an insertion on an empty table; it must not be left begun.
    QVERIFY(DataModule6->Table1->state() != vdb::State::Insert);
    QVERIFY(m_form->findChildren<TForm9*>().isEmpty());
    QCOMPARE(fileRows(m_data->tablePath("variables.DB"), "variables", "Edicion").size(), qAbs(surveys));
    QCOMPARE(QFile::exists(results), surveys >= 0); // nothing repaired behind the user's back
}

void TestMainWindow::surveyRoad()
{
    // A question of three icons, started from "Aplicar Encuesta" and its list's "Aceptar".
    const QString icons = m_data->path("iconos");
    writeIcons(icons, 3);
    writeSurvey(1, { QStringLiteral("¿Cómo se siente hoy?") }, 2, 3, icons);
    pressOnModal(QStringLiteral("Aceptar"));
    run(Command::Aplicar);
    TForm4* notice = shownWindow<TForm4>();
    QVERIFY2(notice, "no question notice");
    notice->BitBtn1->click();
    TForm5* window = shownWindow<TForm5>();
    QVERIFY2(window, "no icon window");
    // While the run is on, a report command must leave its results table open.
    pressOnModal(QStringLiteral("OK"));
    run(Command::Reporte);
    QCOMPARE(lastModalText(), QStringLiteral("No hay encuestas"));
    QVERIFY(DataModule6->Table3->active());
    // The window hides itself first, so the end's box belongs to the main window.
    std::pair<QWindow*, int> end { nullptr, 0 }; // the box's owner, room beside its caption
    whenModal([&end](QWidget* box) {
        QFont title = box->font();
        title.setBold(true);
        end = { box->windowHandle()->transientParent(),
            box->width() - QFontMetrics(title).horizontalAdvance(box->windowTitle()) };
        findButton(box, QStringLiteral("OK"))->click();
    });
    QVERIFY(runAnswered([window] { window->speedButton(1)->click(); }, 3000));
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    QCOMPARE(end.first, m_form->windowHandle());
    QVERIFY2(end.second >= 100, "no room beside the caption for the title bar's buttons");
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
