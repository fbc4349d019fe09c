// The report choice window: its modes and their transitions, what it sets on
// the report form, the lists it fills, and "Siguente" up to the preview.

#include "report_fixture.h"

#include "reporting/report_choice.h"
#include "reporting/report_queries.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>

using namespace testing_support;
using namespace report_fixture;

namespace {

QStringList itemsOf(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList itemsOf(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestReportChoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init();
    void cleanup();

    void startUpInstanceOpensNothing();
    void creationState();
    void singleSurveyHasNoNavigator();
    void editionModeSetsUpTheReport();
    void questionModeStateTable();
    void navigatorRefillsTheShownList();
    void surveyWithoutQuestions();
    void cancelHidesAndKeepsTheSettings();
    void questionWithoutResultsFailsAndWindowStays();
    void questionReportWithQuotesInItsText();
    void questionReportShowsChartsAndTheBestIcon();
    void editionReportAfterQuestionReport();
    void emptyEditionReport();
    void secondWindowStartsAfresh();

private:
    TForm9* open();
    std::unique_ptr<TestData> m_data;
    std::vector<QPointer<TForm9>> m_windows;
};

void TestReportChoice::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    Form10 = new TForm10(nullptr, false);
    addSurvey(1, { QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") });
    addSurvey(2, { QStringLiteral("¿Fruta favorita?"), QStringLiteral("¿Deporte?"), QStringLiteral("¿Música?") });
    addSurvey(3, {});
    DataModule6->Table1->close();
    DataModule6->Table2->close();
    EdicionActual = 3;
}

void TestReportChoice::cleanup()
{
    for (auto& w : m_windows)
        delete w.data();
    m_windows.clear();
    delete Form10;
    Form10 = nullptr;
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

TForm9* TestReportChoice::open()
{
    // As the main window opens it: tables open, the edition count set.
    DataModule6->Table1->open();
    DataModule6->Table3->open();
    EdicionActual = DataModule6->Table1->recordCount();
    auto* w = new TForm9;
    w->setWindowTitle(QStringLiteral(" Vesmarin - Mostrar Reporte"));
    w->show();
    m_windows.emplace_back(w);
    return w;
}

void TestReportChoice::startUpInstanceOpensNothing()
{
    TForm9 w(nullptr, false);
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Table2->active());
    // The report form is whole even though it was made at start-up.
    QVERIFY(Form10->QuickRep1->band(vrep::Band::Summary));
    QCOMPARE(Form10->QRBand5->height(), 522);
    QCOMPARE(Form10->QuickRep1->title(), QStringLiteral("Reporte"));
    QCOMPARE(Form10->QRLabel5->caption(), QStringLiteral("QRLabel5"));
    QVERIFY(Form10->QRExpr1->expression().isEmpty());
    for (vrep::Printable* p : std::initializer_list<vrep::Printable*> {
             Form10->QRChart1, Form10->QRChart2, Form10->QRDBImage2, Form10->QRLabel10 })
        QVERIFY(!p->enabled());
    QCOMPARE(Form10->QuickRep1->dataSet(), DataModule6->Query2);
    QCOMPARE(Form10->QRDBImage2->dataSet(), DataModule6->Query3);
}

void TestReportChoice::creationState()
{
    TForm9* w = open();
    QVERIFY(DataModule6->Table2->active());
    QCOMPARE(w->size(), QSize(560, 445));
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!w->isModal());
    QCOMPARE(w->itemIndex(), -1);
    QVERIFY(!w->BitBtn1->isEnabled());
    QVERIFY(w->BitBtn2->isEnabled());
    QCOMPARE(w->BitBtn1->text(), QStringLiteral("Siguente"));
    QVERIFY(w->DBNavigator1->isVisible());
    QVERIFY(!w->DBNavigator1->isEnabled());
    QVERIFY(!w->ListBox1->isVisible());
    QVERIFY(!w->ComboBox1->isVisible());
    QVERIFY(w->GroupBox1->title().isEmpty());
    QCOMPARE(w->RadioGroup1->title(), QStringLiteral("Tipo de Reporte"));
    QCOMPARE(w->RadioGroup1Item0->text(), QStringLiteral("por Edición"));
    QCOMPARE(w->RadioGroup1Item1->text(), QStringLiteral("por Pregunta"));
    QVERIFY(!w->DBEdit1->isEnabled());
}

void TestReportChoice::singleSurveyHasNoNavigator()
{
    // Only survey 1 left.
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    t1->last();
    t1->deleteRecord();
    t1->last();
    t1->deleteRecord();
    TForm9* w = open();
    QCOMPARE(EdicionActual, 1);
    QVERIFY(!w->DBNavigator1->isVisible());
    w->RadioGroup1Item1->click();
    QVERIFY(!w->DBNavigator1->isVisible()); // enabling keeps it hidden
    QCOMPARE(itemsOf(w->ComboBox1),
        QStringList({ QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") }));
}

void TestReportChoice::editionModeSetsUpTheReport()
{
    TForm9* w = open();
    DataModule6->Table1->last(); // the opener may leave the table anywhere
    w->RadioGroup1Item0->click();
    QCOMPARE(w->itemIndex(), 0);
    QCOMPARE(w->DBEdit1->text(), QStringLiteral("1"));
    QCOMPARE(w->GroupBox1->title(), QStringLiteral(" REPORTE POR EDICIÓN"));
    QVERIFY(w->BitBtn1->isEnabled());
    QVERIFY(w->DBNavigator1->isEnabled());
    QVERIFY(w->ListBox1->isVisible());
    QVERIFY(!w->ComboBox1->isVisible());
    QCOMPARE(
        itemsOf(w->ListBox1), QStringList({ QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") }));
    QVERIFY(!Form10->QRChart1->enabled());
    QVERIFY(!Form10->QRChart2->enabled());
    QVERIFY(!Form10->QRDBImage2->enabled());
    QVERIFY(!Form10->QRLabel10->enabled());
    QCOMPARE(Form10->QRLabel5->caption(), QStringLiteral("Total de Registros"));
    QCOMPARE(Form10->QRExpr1->expression(), QStringLiteral("COUNT"));
    QCOMPARE(Form10->QRBand5->height(), 100);
}

void TestReportChoice::questionModeStateTable()
{
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    QCOMPARE(w->GroupBox1->title(), QStringLiteral(" REPORTE POR PREGUNTA"));
    QVERIFY(w->ComboBox1->isVisible());
    QVERIFY(!w->ListBox1->isVisible());
    QVERIFY(w->ComboBox1->currentText().isEmpty());
    QVERIFY(!w->BitBtn1->isEnabled());
    QCOMPARE(itemsOf(w->ComboBox1),
        QStringList({ QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") }));
    QVERIFY(Form10->QRChart1->enabled());
    QVERIFY(Form10->QRChart2->enabled());
    QVERIFY(Form10->QRDBImage2->enabled());
    QVERIFY(Form10->QRLabel10->enabled());
    QCOMPARE(Form10->QRLabel5->caption(), QStringLiteral("Número de Encuestas"));
    QCOMPARE(Form10->QRExpr1->expression(), QStringLiteral("SUM(Rep_icono)"));
    QCOMPARE(Form10->QRBand5->height(), 522);

    // Typing one character enables "Siguente"; deleting it leaves it enabled.
    QTest::keyClicks(w->ComboBox1->lineEdit(), QStringLiteral("x"));
    QVERIFY(w->BitBtn1->isEnabled());
    QTest::keyClick(w->ComboBox1->lineEdit(), Qt::Key_Backspace);
    QVERIFY(w->ComboBox1->currentText().isEmpty());
    QVERIFY(w->BitBtn1->isEnabled());

    // A navigator press empties the text and disables it again.
    w->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    QCOMPARE(w->DBEdit1->text(), QStringLiteral("2"));
    QVERIFY(w->ComboBox1->currentText().isEmpty());
    QVERIFY(!w->BitBtn1->isEnabled());
    QCOMPARE(itemsOf(w->ComboBox1),
        QStringList({ QStringLiteral("¿Fruta favorita?"), QStringLiteral("¿Deporte?"), QStringLiteral("¿Música?") }));

    // Picking a question sets the text and enables it.
    w->ComboBox1->setCurrentIndex(1);
    QCOMPARE(w->ComboBox1->currentText(), QStringLiteral("¿Deporte?"));
    QVERIFY(w->BitBtn1->isEnabled());

    // To edition mode: enabled at once, back at the first survey.
    w->RadioGroup1Item0->click();
    QVERIFY(w->BitBtn1->isEnabled());
    QCOMPARE(w->DBEdit1->text(), QStringLiteral("1"));
    // And back: empty text, disabled.
    w->RadioGroup1Item1->click();
    QVERIFY(w->ComboBox1->currentText().isEmpty());
    QVERIFY(!w->BitBtn1->isEnabled());
}

void TestReportChoice::navigatorRefillsTheShownList()
{
    TForm9* w = open();
    w->RadioGroup1Item0->click();
    w->DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    QCOMPARE(w->DBEdit1->text(), QStringLiteral("3"));
    QVERIFY(itemsOf(w->ListBox1).isEmpty());
    w->DBNavigator1->button(vui::DBNavigator::nbPrior)->click();
    QCOMPARE(itemsOf(w->ListBox1),
        QStringList({ QStringLiteral("¿Fruta favorita?"), QStringLiteral("¿Deporte?"), QStringLiteral("¿Música?") }));
    QVERIFY(w->BitBtn1->isEnabled()); // edition mode keeps "Siguente"
}

void TestReportChoice::surveyWithoutQuestions()
{
    TForm9* w = open();
    w->RadioGroup1Item0->click();
    w->DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    QCOMPARE(w->ListBox1->count(), 0);
    QVERIFY(w->BitBtn1->isEnabled());
    w->RadioGroup1Item1->click();
    w->DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    QCOMPARE(w->ComboBox1->count(), 0);
    QVERIFY(!w->BitBtn1->isEnabled());
}

void TestReportChoice::cancelHidesAndKeepsTheSettings()
{
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    QTest::keyClick(w, Qt::Key_Escape); // Esc presses "Cancelar"
    QVERIFY(!w->isVisible());
    QCOMPARE(Form10->QRBand5->height(), 522);
    QVERIFY(Form10->QRChart1->enabled());
}

void TestReportChoice::questionWithoutResultsFailsAndWindowStays()
{
    recordAnswer(1, QStringLiteral("¿Color favorito?"), 3, 4);
    const QString icons = QStringLiteral("SELECT * FROM tesis WHERE Icono = 99");
    DataModule6->Query3->clearSql();
    DataModule6->Query3->addSql(icons);
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    // Answered only in edition 1: edition 2 has no rows for it; a typed
    // extra blank matches nothing either.
    for (const auto& [move, text] : std::vector<std::pair<bool, QString>> {
             { true, QStringLiteral("¿Color favorito?") }, { false, QStringLiteral("¿Color favorito? ") } }) {
        if (move)
            w->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
        else
            w->DBNavigator1->button(vui::DBNavigator::nbFirst)->click();
        w->ComboBox1->setEditText(text);
        pressOnModal(QStringLiteral("OK"));
        w->BitBtn1->click();
        QCOMPARE(lastModalText(), QStringLiteral("'' is not a valid integer value"));
        QVERIFY(w->isVisible());
        QCOMPARE(Form10->QuickRep1->title(), QStringLiteral("Reporte por Pregunta"));
        QVERIFY(DataModule6->Query2->active());
        QVERIFY(DataModule6->Query2->isEmpty());
        QCOMPARE(DataModule6->Query3->sql(), icons);
        QVERIFY(!DataModule6->Query3->active());
    }
}

void TestReportChoice::questionReportWithQuotesInItsText()
{
    const QString tricky = QStringLiteral("¿Prefiere \"rojo\" o l'azul?");
    addSurvey(4, { tricky });
    recordAnswer(4, tricky, 2, 6);
    recordAnswer(4, tricky, 2, 3);
    recordAnswer(4, tricky, 5, 1);
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    w->DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    QCOMPARE(itemsOf(w->ComboBox1), QStringList({ tricky }));
    w->ComboBox1->setCurrentIndex(0);
    Shown shown;
    readNextPreview(shown);
    w->BitBtn1->click();
    QVERIFY(shown.seen);
    QVERIFY(!w->isVisible());
    QVERIFY(shown.allText().contains(tricky));
    QCOMPARE(shown.textsOf(QStringLiteral("QRDBText3")), QStringList({ QStringLiteral("2"), QStringLiteral("5") }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRExpr1")), QStringList({ QStringLiteral("3") }));
    // Icon 2, chosen twice, is the most appropriate one.
    QCOMPARE(DataModule6->Query3->fieldByName(QStringLiteral("Icono")).asString(), QStringLiteral("2"));
}

void TestReportChoice::questionReportShowsChartsAndTheBestIcon()
{
    // The worked example: edition 2, icons 2, 4, 7, 9.
    const QString q = QStringLiteral("¿Fruta favorita?");
    addResult(2, q, 9, 1, 2);
    addResult(2, q, 4, 5, 7);
    addResult(2, q, 2, 3, 5);
    addResult(2, q, 7, 5, 4);
    addResult(1, q, 7, 50, 1); // another edition's row counts for nothing
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    w->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    w->ComboBox1->setCurrentIndex(0);
    Shown shown;
    readNextPreview(shown);
    w->BitBtn1->click();
    QVERIFY(shown.seen);
    QCOMPARE(shown.pages, 1);
    QCOMPARE(shown.textsOf(QStringLiteral("QRSysData1")), QStringList({ QStringLiteral("Reporte por Pregunta") }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRDBText3")),
        QStringList({ QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("7"), QStringLiteral("9") }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRDBText5")),
        QStringList({ QStringLiteral("3"), QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("1") }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRLabel5")), QStringList({ QStringLiteral("Número de Encuestas") }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRExpr1")), QStringList({ QStringLiteral("14") }));
    QCOMPARE(shown.countOf(QStringLiteral("QRChart1")), 1);
    QCOMPARE(shown.countOf(QStringLiteral("QRChart2")), 1);
    QCOMPARE(shown.countOf(QStringLiteral("QRLabel10")), 1);
    QCOMPARE(shown.countOf(QStringLiteral("QRDBImage2")), 1);
    QCOMPARE(shown.countOf(QStringLiteral("QRDBImage1")), 4);
    QVERIFY(shown.allText().contains(QStringLiteral("El Icono más apropiado es:")));
    QVERIFY(shown.allText().contains(QStringLiteral("NÚMERO DE REPETICIONES")));
    // The picture printed is icon 7's.
    QCOMPARE(DataModule6->Query3->fieldByName(QStringLiteral("Icono")).asString(), QStringLiteral("7"));
    for (const auto& item : shown.prepared[0].items)
        if (item.source == QLatin1String("QRDBImage2"))
            QCOMPARE(item.picture.pixelColor(5, 5), iconPicture(7).pixelColor(5, 5));
}

void TestReportChoice::editionReportAfterQuestionReport()
{
    const QString q = QStringLiteral("¿Color favorito?");
    recordAnswer(1, q, 1, 2);
    recordAnswer(1, q, 3, 5);
    recordAnswer(1, QStringLiteral("¿Animal favorito?"), 3, 5);
    TForm9* first = open();
    first->RadioGroup1Item1->click();
    first->ComboBox1->setEditText(q);
    Shown question;
    readNextPreview(question);
    first->BitBtn1->click();
    QCOMPARE(question.countOf(QStringLiteral("QRChart1")), 1);

    TForm9* second = open();
    QCOMPARE(second->itemIndex(), -1);
    second->RadioGroup1Item0->click();
    second->ComboBox1->setEditText(QStringLiteral("ignored"));
    Shown edition;
    readNextPreview(edition);
    second->BitBtn1->click();
    QVERIFY(edition.seen);
    QCOMPARE(edition.textsOf(QStringLiteral("QRSysData1")), QStringList({ QStringLiteral("Reporte por Edición") }));
    QCOMPARE(edition.textsOf(QStringLiteral("QRLabel5")), QStringList({ QStringLiteral("Total de Registros") }));
    QCOMPARE(edition.textsOf(QStringLiteral("QRExpr1")), QStringList({ QStringLiteral("3") }));
    for (const QString& gone : { QStringLiteral("QRChart1"), QStringLiteral("QRChart2"), QStringLiteral("QRDBImage2"),
             QStringLiteral("QRLabel10") })
        QCOMPARE(edition.countOf(gone), 0);
    QVERIFY(!edition.allText().contains(QStringLiteral("PROMEDIO")));
    QVERIFY(!edition.allText().contains(QStringLiteral("apropiado")));
    // The summary band is 100 high: the footer is all that follows it.
    QCOMPARE(Form10->QRBand5->height(), 100);
    // The preview's picture of page 1 has no icon picture in the summary area.
    QCOMPARE(edition.countOf(QStringLiteral("QRDBImage1")), 3);
}

void TestReportChoice::emptyEditionReport()
{
    recordAnswer(1, QStringLiteral("¿Color favorito?"), 1, 2);
    TForm9* w = open();
    w->RadioGroup1Item0->click();
    w->DBNavigator1->button(vui::DBNavigator::nbNext)->click(); // edition 2: nobody answered
    Shown shown;
    readNextPreview(shown);
    w->BitBtn1->click();
    QVERIFY(shown.seen);
    QCOMPARE(shown.pages, 1);
    QVERIFY(shown.allText().contains(QStringLiteral("Reporte por Edición")));
    QVERIFY(shown.allText().contains(QStringLiteral("Repeticiones")));
    QVERIFY(shown.allText().contains(QStringLiteral("Total de Registros")));
    QCOMPARE(shown.countOf(QStringLiteral("QRDBText1")), 0);
    QCOMPARE(shown.countOf(QStringLiteral("QRDBImage1")), 0);
    QCOMPARE(shown.textsOf(QStringLiteral("QRSysData3")), QStringList({ QStringLiteral("1") }));
    QCOMPARE(shown.countOf(QStringLiteral("QRSysData2")), 1);
}

void TestReportChoice::secondWindowStartsAfresh()
{
    TForm9* first = open();
    first->RadioGroup1Item1->click();
    first->ComboBox1->setEditText(QStringLiteral("algo"));
    TForm9* second = open();
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(second->itemIndex(), -1);
    QVERIFY(!second->BitBtn1->isEnabled());
    QVERIFY(!second->ComboBox1->isVisible());
    QVERIFY(first->BitBtn1->isEnabled());
}

QTEST_MAIN(TestReportChoice)
#include "tst_report_choice.moc"
