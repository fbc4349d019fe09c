// One survey's road through the main window: chosen with "Aplicar Encuesta",
// answered to the end, then reported with "Mostrar Reporte".

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "authoring/survey_list.h"
#include "reporting/report_choice.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QAction>
#include <QDir>
#include <QToolButton>
#include <QtTest>

using namespace testing_support;

class TestSurveyRoad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runAndReport();

private:
    std::unique_ptr<TestData> m_data;
    TForm1* m_form = nullptr;
};

void TestSurveyRoad::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_form = new TForm1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestSurveyRoad::cleanup()
{
    delete m_form;
    m_form = nullptr;
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

void TestSurveyRoad::runAndReport()
{
    // A survey of two questions with three icons, as the authoring dialogs store it.
    const QString icons = m_data->path("iconos");
    writeIcons(icons, 3);
    vdb::Table* t1 = DataModule6->Table1;
    vdb::Table* t2 = DataModule6->Table2;
    t1->open();
    t1->append();
    t1->fieldByName("Edicion").setAsString("1");
    t1->fieldByName("Num").setAsString("2");
    t1->fieldByName("Num_ico").setAsString("2");
    t1->fieldByName("Total_ico").setAsString("3");
    t1->fieldByName("Direccion").setAsString(icons);
    t1->post();
    t2->open();
    for (const char* q : { "¿Cómo se siente hoy?", "¿Qué prefiere?" }) {
        t2->append();
        t2->fieldByName("Edicion").setAsString("1");
        t2->fieldByName("Preguntas").setAsString(QString::fromUtf8(q));
        t2->post();
    }
    t1->close();
    t2->close();

    // "Aplicar Encuesta": the survey list in select mode; its "Aceptar" starts the run.
    whenModal([](QWidget* modal) {
        QVERIFY(qobject_cast<TForm7*>(modal));
        findButton(modal, QStringLiteral("Aceptar"))->click();
    });
    m_form->Encuesta->trigger();
    QCOMPARE(EdicionActual, 1);
    QCOMPARE(Memo1.entry(0), QStringLiteral("¿Cómo se siente hoy?"));
    QVERIFY(DataModule6->Table3->active());

    for (int q = 1; q <= 2; ++q) {
        TForm4* notice = nullptr;
        QTRY_VERIFY((notice = [this] {
            for (TForm4* n : m_form->findChildren<TForm4*>())
                if (n->isVisible())
                    return n;
            return static_cast<TForm4*>(nullptr);
        }()));
        notice->BitBtn1->click();
        TForm5* window = nullptr;
        QTRY_VERIFY((window = [this] {
            for (TForm5* w : m_form->findChildren<TForm5*>())
                if (w->isVisible() && !w->answered())
                    return w;
            return static_cast<TForm5*>(nullptr);
        }()));
        QVERIFY(window->windowTitle().startsWith(QString::number(q)));
        // While the run is on, a report command must leave its results table open.
        if (q == 1) {
            pressOnModal(QStringLiteral("OK"));
            m_form->MostrarReporte1->trigger();
            QCOMPARE(lastModalText(), QStringLiteral("No hay encuestas"));
            QVERIFY(DataModule6->Table3->active());
        }
        if (q == 2)
            pressOnModal(QStringLiteral("OK")); // "Fin del cuestionario"
        window->SpeedButton1->click();
    }
    QTRY_COMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    QVERIFY(!DataModule6->Table3->active());

    // "Mostrar Reporte" now finds the results and opens the report choice.
    m_form->SpeedButton4->click();
    QTRY_COMPARE(m_form->findChildren<TForm9*>().size(), 1);
    QVERIFY(m_form->findChildren<TForm9*>().first()->isVisible());
    DataModule6->Table3->open();
    QCOMPARE(DataModule6->Table3->recordCount(), 2);
}

QTEST_MAIN(TestSurveyRoad)
#include "tst_survey_road.moc"
