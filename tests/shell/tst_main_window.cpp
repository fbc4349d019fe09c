// The main window's commands on real tables, answered as a user would.

#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/survey_list.h"
#include "platform/db/database.h"
#include "platform/ui/messages.h"
#include "reporting/report_choice.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace testing_support;

namespace {

// What was on screen when a modal window came up.
struct Seen
{
    QString className;
    QString title;
    QString text;
    int edicionActual = -1;
    int modoReedicion = -1;
    bool aceptarShown = false;
    bool borrarShown = false;
};

enum class Command { Aplicar, Crear, Modificar, Borrar, Reporte };

void addSurveys(int count, bool withResults)
{
    vdb::Table* t1 = DataModule6->Table1;
    vdb::Table* t2 = DataModule6->Table2;
    vdb::Table* t3 = DataModule6->Table3;
    t1->open();
    t2->open();
    t3->open();
    for (int e = 1; e <= count; ++e) {
        t1->append();
        t1->fieldByName("Edicion").setAsString(QString::number(e));
        t1->fieldByName("Num").setAsString("2");
        t1->fieldByName("Num_ico").setAsString("3");
        t1->fieldByName("Total_ico").setAsString("4");
        t1->fieldByName("Direccion").setAsString("C:\\iconos");
        t1->post();
        for (int q = 1; q <= 2; ++q) {
            t2->append();
            t2->fieldByName("Edicion").setAsString(QString::number(e));
            t2->fieldByName("Preguntas").setAsString(QStringLiteral("Pregunta %1 de %2").arg(q).arg(e));
            t2->post();
        }
        if (withResults) {
            t3->append();
            t3->fieldByName("Edicion").setAsString(QString::number(e));
            t3->fieldByName("Pregunta").setAsString(QStringLiteral("Pregunta 1 de %1").arg(e));
            t3->fieldByName("Icono").setAsString("2");
            t3->fieldByName("Tiempo").setAsString("10:4:5:120");
            t3->fieldByName("Suma_tiempo").setAsString("6");
            t3->fieldByName("Rep_icono").setAsString("2");
            t3->fieldByName("Promedio").setAsString("3");
            t3->post();
        }
    }
    t1->close();
    t2->close();
    t3->close();
}

int rowsOf(vdb::Table* table)
{
    const bool wasOpen = table->active();
    table->open();
    const int n = table->recordCount();
    if (!wasOpen)
        table->close();
    return n;
}

// Leaves a dialog the way a user does: its "Cancelar", or else its "Aceptar".
void leave(QWidget* window)
{
    for (const char* text : { "Cancelar", "Aceptar" }) {
        if (QAbstractButton* b = findButton(window, QLatin1String(text))) {
            b->click();
            return;
        }
    }
    window->hide();
}

// Answers the coming modal windows in turn: a button text for a message box,
// "" to note a dialog and leave it.
void answerInTurn(QStringList answers, std::shared_ptr<QList<Seen>> seen)
{
    if (answers.isEmpty())
        return;
    const QString answer = answers.takeFirst();
    whenModal([answers, seen, answer](QWidget* modal) {
        Seen s;
        s.className = QLatin1String(modal->metaObject()->className());
        s.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            s.text = box->text();
        s.edicionActual = EdicionActual;
        s.modoReedicion = ModoReedicion;
        if (auto* list = qobject_cast<TForm7*>(modal)) {
            s.aceptarShown = list->BitBtn1->isVisible();
            s.borrarShown = list->BitBtn3->isVisible();
        }
        seen->append(s);
        answerInTurn(answers, seen);
        if (answer.isEmpty()) {
            leave(modal);
        } else if (QAbstractButton* b = findButton(modal, answer)) {
            b->click();
        } else {
            qWarning("no button %s", qPrintable(answer));
            modal->hide();
        }
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowLayout();
    void backgroundFollowsSize();
    void existenceTest();
    void applyWithoutSurveysNoThenNo_data();
    void applyWithoutSurveysNoThenNo();
    void applyWithoutSurveysNoThenYes();
    void applyWithoutSurveysYesOpensNewSurvey_data();
    void applyWithoutSurveysYesOpensNewSurvey();
    void createOpensNewSurvey_data();
    void createOpensNewSurvey();
    void commandsWithSurveys_data();
    void commandsWithSurveys();
    void emptyCommandsTellNoSurveys_data();
    void emptyCommandsTellNoSurveys();
    void reportWithoutResults_data();
    void reportWithoutResults();
    void secondReportOpensSecondWindow();
    void missingResultsTable_data();
    void missingResultsTable();
    void closeAsksToLeave_data();
    void closeAsksToLeave();
    void closeTakesReportChoiceAlong();
    void aboutBox();

private:
    void run(Command command, bool byButton);
    void dispatch(Command command, bool byButton);

    std::unique_ptr<TestData> m_data;
    TForm1* m_form = nullptr;
};

void TestMainWindow::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_form = new TForm1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    EdicionActual = 0;
    ModoReedicion = 1; // a command that opens the new-survey dialog must clear it
    RunUnderWay = false;
}

void TestMainWindow::cleanup()
{
    delete m_form;
    m_form = nullptr;
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

void TestMainWindow::run(Command command, bool byButton)
{
    // A window nobody answers would hang the test: after a while it is
    // closed and the test fails instead.
    QTimer rescue;
    QElapsedTimer since;
    bool stuck = false;
    rescue.setInterval(100);
    connect(&rescue, &QTimer::timeout, this, [&] {
        if (since.elapsed() < 8000)
            return;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qWarning("left unanswered: %s '%s'", modal->metaObject()->className(), qPrintable(modal->windowTitle()));
            stuck = true;
            modal->hide();
        }
    });
    since.start();
    rescue.start();
    dispatch(command, byButton);
    rescue.stop();
    QVERIFY2(!stuck, "a window was left waiting for an answer");
}

void TestMainWindow::dispatch(Command command, bool byButton)
{
    switch (command) {
    case Command::Aplicar:
        byButton ? m_form->SpeedButton5->click() : m_form->Encuesta->trigger();
        break;
    case Command::Crear:
        byButton ? m_form->SpeedButton3->click() : m_form->EditarEncuesta1->trigger();
        break;
    case Command::Modificar:
        byButton ? m_form->SpeedButton1->click() : m_form->ModificarPreguntas1->trigger();
        break;
    case Command::Borrar:
        byButton ? m_form->SpeedButton2->click() : m_form->BorrarEncuesta1->trigger();
        break;
    case Command::Reporte:
        byButton ? m_form->SpeedButton4->click() : m_form->MostrarReporte1->trigger();
        break;
    }
}

void TestMainWindow::windowLayout()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral(" Vesmarin"));
    QCOMPARE(MainWindow, m_form);
    const Qt::WindowFlags flags = m_form->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);

    const QList<QAction*> menus = m_form->MainMenu1->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Principal"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Editar"));
    QCOMPARE(menus[2]->text(), QStringLiteral("&Ayuda"));
    auto texts = [](QMenu* menu) {
        QStringList t;
        for (QAction* a : menu->actions())
            t << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return t;
    };
    QCOMPARE(texts(m_form->Principal), QStringList({ "&Aplicar Encuesta", "&Mostrar Reporte", "-", "&Salir" }));
    QCOMPARE(texts(m_form->Editar1), QStringList({ "&Crear Encuesta", "&Borrar Encuesta", "M&odificar Preguntas" }));
    QCOMPARE(texts(m_form->Ayuda1), QStringList({ "&Acerca de Vesmarin " }));
    for (QAction* a : m_form->findChildren<QAction*>())
        QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));

    QCOMPARE(m_form->ToolBar1->height(), 45);
    const struct
    {
        QToolButton* button;
        int left;
        const char* hint;
    } buttons[] = { { m_form->SpeedButton3, 0, "Crear Encuesta" }, { m_form->SpeedButton1, 41, "Modificar Preguntas" },
        { m_form->SpeedButton2, 82, "Borrar Encuesta" }, { m_form->SpeedButton5, 131, "Aplicar Encuesta" },
        { m_form->SpeedButton4, 172, "Mostrar Reporte" } };
    for (const auto& b : buttons) {
        QCOMPARE(b.button->geometry(), QRect(b.left, 2, 41, 41));
        QCOMPARE(b.button->toolTip(), QLatin1String(b.hint));
        QCOMPARE(b.button->iconSize(), QSize(32, 32));
        QVERIFY(b.button->text().isEmpty() || b.button->toolButtonStyle() == Qt::ToolButtonIconOnly);
        QVERIFY(!b.button->icon().pixmap(32, 32).isNull());
    }
    QCOMPARE(m_form->ToolButton1->geometry().left(), 123);
    QCOMPARE(m_form->ToolButton1->width(), 8);

    QVERIFY(m_form->Image1->isVisible());
    QCOMPARE(m_form->Image1->pixmap().size(), QSize(778, 436));
    QVERIFY(!m_form->DBEdit1->isVisible());
    QVERIFY(!m_form->Label1->isVisible());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Edicion"));
    QCOMPARE(m_form->DBEdit1->dataSource(), DataModule6->DataSource2);
    QCOMPARE(m_form->DBEdit1->dataField(), QStringLiteral("Edicion"));
    // The window exists without any table having been opened.
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Table3->active());
}

void TestMainWindow::backgroundFollowsSize()
{
    for (const QSize size : { QSize(696, 453), QSize(1000, 700), QSize(500, 300) }) {
        m_form->resize(size);
        QTRY_COMPARE(m_form->Image1->width(), m_form->centralWidget()->width());
        QCOMPARE(m_form->ToolBar1->width(), m_form->centralWidget()->width());
        QCOMPARE(m_form->Image1->y(), 45);
        QCOMPARE(m_form->Image1->y() + m_form->Image1->height(), m_form->centralWidget()->height());
        QVERIFY(m_form->Image1->hasScaledContents());
    }
}

void TestMainWindow::existenceTest()
{
    vdb::Table* t1 = DataModule6->Table1;
    EdicionActual = 9;
    QVERIFY(!surveysExist(t1));
    QCOMPARE(EdicionActual, 0);
    QCOMPARE(t1->state(), vdb::State::Browse);
    QCOMPARE(t1->recordCount(), 0); // the begun insertion was dropped
    t1->close();

    addSurveys(3, false);
    QVERIFY(surveysExist(t1));
    QCOMPARE(EdicionActual, 3);
    QCOMPARE(t1->state(), vdb::State::Browse);
    QCOMPARE(t1->fieldByName("Edicion").asString(), QStringLiteral("3"));
    QCOMPARE(rowsOf(t1), 3);
}

void TestMainWindow::applyWithoutSurveysNoThenNo_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("menu") << false;
    QTest::newRow("tool button") << true;
}

void TestMainWindow::applyWithoutSurveysNoThenNo()
{
    QFETCH(bool, byButton);
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "No", "No" }, seen);
    run(Command::Aplicar, byButton);
    QTRY_COMPARE(seen->size(), 2);
    QCOMPARE(seen->at(0).text, QStringLiteral("No hay encuestas ¿Desea editar una?"));
    QCOMPARE(seen->at(0).title, QStringLiteral("Vesmarin"));
    QCOMPARE(seen->at(1).text, QStringLiteral("¿Desea salir?"));
    QCOMPARE(seen->at(1).title, QStringLiteral("Vesmarin"));
    QVERIFY(m_form->isVisible());
    QVERIFY(DataModule6->Table1->active());
    QVERIFY(DataModule6->Table3->active());
    QCOMPARE(rowsOf(DataModule6->Table1), 0);
    QVERIFY(m_form->findChildren<TForm2*>().isEmpty());
}

void TestMainWindow::applyWithoutSurveysNoThenYes()
{
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "No", "Sí" }, seen);
    run(Command::Aplicar, false);
    QTRY_COMPARE(seen->size(), 2);
    QCOMPARE(seen->at(1).text, QStringLiteral("¿Desea salir?"));
    QVERIFY(!m_form->isVisible());
}

void TestMainWindow::applyWithoutSurveysYesOpensNewSurvey_data()
{
    applyWithoutSurveysNoThenNo_data();
}

void TestMainWindow::applyWithoutSurveysYesOpensNewSurvey()
{
    QFETCH(bool, byButton);
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "Sí", "" }, seen);
    run(Command::Aplicar, byButton);
    QTRY_COMPARE(seen->size(), 2);
    QCOMPARE(seen->at(0).text, QStringLiteral("No hay encuestas ¿Desea editar una?"));
    QCOMPARE(seen->at(1).className, QStringLiteral("TForm2"));
    QCOMPARE(seen->at(1).title, QStringLiteral(" Vesmarin - Edicion de Encuesta"));
    QCOMPARE(seen->at(1).modoReedicion, 0);
    QCOMPARE(seen->at(1).edicionActual, 1);
    QCOMPARE(m_form->findChildren<TForm2*>().size(), 1);
    QVERIFY(m_form->isVisible());
}

void TestMainWindow::createOpensNewSurvey_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<int>("surveys");
    QTest::newRow("menu, none") << false << 0;
    QTest::newRow("tool button, none") << true << 0;
    QTest::newRow("menu, three") << false << 3;
    QTest::newRow("tool button, three") << true << 3;
}

void TestMainWindow::createOpensNewSurvey()
{
    QFETCH(bool, byButton);
    QFETCH(int, surveys);
    addSurveys(surveys, false);
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "" }, seen);
    run(Command::Crear, byButton);
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).className, QStringLiteral("TForm2"));
    QCOMPARE(seen->at(0).title, QStringLiteral(" Vesmarin - Edicion de Encuesta"));
    QCOMPARE(seen->at(0).edicionActual, surveys + 1);
    QCOMPARE(seen->at(0).modoReedicion, 0);
    QCOMPARE(m_form->findChildren<TForm2*>().size(), 1);
    QCOMPARE(m_form->findChildren<TForm2*>().first()->parent(), m_form);
    QCOMPARE(rowsOf(DataModule6->Table1), surveys);
}

void TestMainWindow::commandsWithSurveys_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("aceptar");
    QTest::addColumn<bool>("borrar");
    const struct
    {
        Command command;
        const char* name;
        const char* className;
        const char* caption;
        bool aceptar;
        bool borrar;
    } rows[] = {
        { Command::Aplicar, "Aplicar", "TForm7", " Vesmarin - Selección de Encuesta", true, false },
        { Command::Modificar, "Modificar", "TForm8", " Vesmarin - Modificar Preguntas", false, false },
        { Command::Borrar, "Borrar", "TForm7", " Vesmarin - Borrar Encuesta", false, true },
    };
    for (const auto& r : rows) {
        for (bool byButton : { false, true }) {
            QTest::addRow("%s, %s", r.name, byButton ? "tool button" : "menu")
                << int(r.command) << byButton << QString::fromLatin1(r.className) << QString::fromUtf8(r.caption)
                << r.aceptar << r.borrar;
        }
    }
}

void TestMainWindow::commandsWithSurveys()
{
    QFETCH(int, command);
    QFETCH(bool, byButton);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(bool, aceptar);
    QFETCH(bool, borrar);
    addSurveys(3, true);
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "" }, seen);
    run(Command(command), byButton);
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).className, className);
    QCOMPARE(seen->at(0).title, caption);
    QCOMPARE(seen->at(0).edicionActual, 3);
    QCOMPARE(seen->at(0).modoReedicion, 1); // untouched
    if (className == QLatin1String("TForm7")) {
        QCOMPARE(seen->at(0).aceptarShown, aceptar);
        QCOMPARE(seen->at(0).borrarShown, borrar);
    }
    QCOMPARE(rowsOf(DataModule6->Table1), 3);
}

void TestMainWindow::emptyCommandsTellNoSurveys_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<bool>("table1Open");
    QTest::addColumn<bool>("table3Open");
    for (bool byButton : { false, true }) {
        const char* via = byButton ? "tool button" : "menu";
        QTest::addRow("Modificar, %s", via) << int(Command::Modificar) << byButton << false << false;
        QTest::addRow("Borrar, %s", via) << int(Command::Borrar) << byButton << true << true;
        QTest::addRow("Reporte, %s", via) << int(Command::Reporte) << byButton << true << false;
    }
}

void TestMainWindow::emptyCommandsTellNoSurveys()
{
    QFETCH(int, command);
    QFETCH(bool, byButton);
    QFETCH(bool, table1Open);
    QFETCH(bool, table3Open);
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "OK" }, seen);
    run(Command(command), byButton);
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).text, QStringLiteral("No hay encuestas"));
    QCOMPARE(seen->at(0).title, vui::applicationTitle());
    QCOMPARE(EdicionActual, 0);
    QCOMPARE(DataModule6->Table1->active(), table1Open);
    QCOMPARE(DataModule6->Table3->active(), table3Open);
    QCOMPARE(rowsOf(DataModule6->Table1), 0);
    QVERIFY(m_form->findChildren<vui::Form*>().isEmpty());
}

void TestMainWindow::reportWithoutResults_data()
{
    QTest::addColumn<bool>("runUnderWay");
    QTest::newRow("no survey running") << false;
    QTest::newRow("survey running") << true;
}

void TestMainWindow::reportWithoutResults()
{
    QFETCH(bool, runUnderWay);
    addSurveys(3, false);
    RunUnderWay = runUnderWay;
    if (runUnderWay)
        DataModule6->Table3->open(); // the run's results table
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "OK" }, seen);
    run(Command::Reporte, false);
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).text, QStringLiteral("No hay encuestas"));
    QCOMPARE(EdicionActual, 3);
    QVERIFY(DataModule6->Table1->active());
    // A running survey still needs the results table to record its answers.
    QCOMPARE(DataModule6->Table3->active(), runUnderWay);
    QVERIFY(m_form->findChildren<TForm9*>().isEmpty());
}

void TestMainWindow::secondReportOpensSecondWindow()
{
    addSurveys(3, true);
    run(Command::Reporte, false);
    QCOMPARE(EdicionActual, 3);
    QTRY_COMPARE(m_form->findChildren<TForm9*>().size(), 1);
    TForm9* first = m_form->findChildren<TForm9*>().first();
    QCOMPARE(first->windowTitle(), QStringLiteral(" Vesmarin - Mostrar Reporte"));
    QVERIFY(first->isVisible());
    QVERIFY(!first->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr); // the main window stays usable

    run(Command::Reporte, true);
    QTRY_COMPARE(m_form->findChildren<TForm9*>().size(), 2);
    for (TForm9* f : m_form->findChildren<TForm9*>())
        QVERIFY(f->isVisible());
}

void TestMainWindow::missingResultsTable_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("opens");
    QTest::newRow("Aplicar") << int(Command::Aplicar) << true << QString();
    QTest::newRow("Borrar") << int(Command::Borrar) << true << QString();
    QTest::newRow("Crear") << int(Command::Crear) << false << QStringLiteral("TForm2");
    QTest::newRow("Modificar") << int(Command::Modificar) << false << QStringLiteral("TForm8");
}

void TestMainWindow::missingResultsTable()
{
    QFETCH(int, command);
    QFETCH(bool, fails);
    QFETCH(QString, opens);
    addSurveys(1, false);
    vdb::Database::closeAll();
    QVERIFY(QFile::remove(m_data->tablePath("tesis.DB")));

    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ fails ? QStringLiteral("OK") : QString() }, seen);
    run(Command(command), false);
    QTRY_COMPARE(seen->size(), 1);
    if (fails) {
        QCOMPARE(seen->at(0).className, QStringLiteral("QMessageBox"));
        QVERIFY(!seen->at(0).text.isEmpty());
        QVERIFY2(seen->at(0).text != QStringLiteral("No hay encuestas ¿Desea editar una?"), "asked a question");
        QVERIFY(m_form->findChildren<vui::Form*>().isEmpty());
        QVERIFY(!DataModule6->Table3->active());
        QVERIFY(!DataModule6->Table1->active()); // the results table is opened first
    } else {
        QCOMPARE(seen->at(0).className, opens);
    }
    QVERIFY(m_form->isVisible());
    QVERIFY(!QFile::exists(m_data->tablePath("tesis.DB"))); // nothing repaired behind the user's back
}

void TestMainWindow::closeAsksToLeave_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("stays");
    for (const char* how : { "Salir", "close", "title bar" }) {
        QTest::addRow("%s, No", how) << QString::fromLatin1(how) << QStringLiteral("No") << true;
        QTest::addRow("%s, Sí", how) << QString::fromLatin1(how) << QStringLiteral("Sí") << false;
    }
    QTest::newRow("close, Enter") << QStringLiteral("close") << QStringLiteral("Enter") << false;
}

void TestMainWindow::closeAsksToLeave()
{
    QFETCH(QString, how);
    QFETCH(QString, answer);
    QFETCH(bool, stays);
    auto seen = std::make_shared<QList<Seen>>();
    if (answer == QLatin1String("Enter")) {
        whenModal([seen](QWidget* modal) {
            Seen s;
            s.text = qobject_cast<QMessageBox*>(modal)->text();
            seen->append(s);
            QTest::keyClick(modal, Qt::Key_Return);
        });
    } else {
        answerInTurn({ answer }, seen);
    }
    if (how == QLatin1String("Salir"))
        m_form->Salir1->trigger();
    else if (how == QLatin1String("close"))
        m_form->close();
    else
        m_form->windowHandle()->close(); // as the title bar's close button does
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).text, QStringLiteral("¿Desea salir?"));
    QTRY_COMPARE(m_form->isVisible(), stays);
}

void TestMainWindow::closeTakesReportChoiceAlong()
{
    addSurveys(2, true);
    run(Command::Reporte, true);
    QTRY_COMPARE(m_form->findChildren<TForm9*>().size(), 1);
    TForm9* report = m_form->findChildren<TForm9*>().first();
    QVERIFY(report->isVisible());
    pressOnModal(QStringLiteral("Sí"));
    m_form->close();
    QTRY_VERIFY(!m_form->isVisible());
    QVERIFY(!report->isVisible());
}

void TestMainWindow::aboutBox()
{
    auto seen = std::make_shared<QList<Seen>>();
    answerInTurn({ "Aceptar" }, seen);
    m_form->Acercade1->trigger();
    QTRY_COMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).className, QStringLiteral("TForm11"));
    QCOMPARE(seen->at(0).title, QStringLiteral(" Acerca de Vesmarin"));
    const QList<TForm11*> boxes = m_form->findChildren<TForm11*>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!boxes.first()->isVisible()); // hidden, not destroyed
    QCOMPARE(boxes.first()->modalResult(), int(vui::mrOk));
    // No table is needed to show it.
    QVERIFY(!DataModule6->Table1->active());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
