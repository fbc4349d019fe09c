// The whole road: respondents' answers accumulated by the answer recording,
// then the author's question and edition reports, read back from the preview
// and from a PDF printer.

#include "report_fixture.h"

#include "administration/answer_recording.h"
#include "reporting/report_choice.h"

#include <QComboBox>
#include <QPrinter>
#include <QRadioButton>

#include <map>

using namespace testing_support;
using namespace report_fixture;

class TestReportRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init();
    void cleanup();
    void respondentsThenReports();

private:
    std::unique_ptr<TestData> m_data;
};

void TestReportRoad::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    Form10 = new TForm10(nullptr, false);
}

void TestReportRoad::cleanup()
{
    delete Form10;
    Form10 = nullptr;
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

void TestReportRoad::respondentsThenReports()
{
    const QString colour = QStringLiteral("¿Qué color le \"gusta\" más?");
    const QString animal = QStringLiteral("¿Qué animal prefiere?");
    addSurvey(1, { QStringLiteral("Otra encuesta") });
    addSurvey(2, { colour, animal });

    // Each respondent answers both questions: (icon, seconds) per question.
    struct Answer
    {
        int icon;
        int seconds;
    };
    const std::vector<std::pair<Answer, Answer>> respondents { { { 3, 4 }, { 1, 2 } }, { { 7, 9 }, { 1, 5 } },
        { { 3, 2 }, { 2, 1 } }, { { 12, 30 }, { 1, 3 } }, { { 7, 3 }, { 2, 8 } }, { { 3, 7 }, { 4, 4 } },
        { { 7, 1 }, { 2, 2 } }, { { 1, 5 }, { 1, 1 } } };
    std::map<int, std::pair<int, int>> expected; // icon -> count, sum of the colour question
    vdb::Table* results = DataModule6->Table3;
    results->open();
    for (const auto& [first, second] : respondents) {
        accumulateAnswer(results, { 2, colour, first.icon }, QStringLiteral("0:0:%1:0").arg(first.seconds),
            iconPicture(first.icon), first.seconds);
        accumulateAnswer(results, { 2, animal, second.icon }, QStringLiteral("0:0:%1:0").arg(second.seconds),
            iconPicture(second.icon), second.seconds);
        expected[first.icon].first += 1;
        expected[first.icon].second += first.seconds;
    }
    accumulateAnswer(results, { 1, QStringLiteral("Otra encuesta"), 3 }, QStringLiteral("0:0:1:0"), iconPicture(3), 1);

    // Icons 3 and 7 are both chosen three times in 13 seconds; one more quick
    // answer makes icon 7 the most chosen.
    accumulateAnswer(results, { 2, colour, 7 }, QStringLiteral("0:0:0:1"), iconPicture(7), 0);
    expected[7].first += 1;

    // The author: "Mostrar Reporte", by question, survey 2, the colour question.
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    auto* choice = new TForm9;
    choice->show();
    choice->RadioGroup1Item1->click();
    choice->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    const int index = choice->ComboBox1->findText(colour);
    QCOMPARE(index, 0);
    choice->ComboBox1->setCurrentIndex(index);
    Shown question;
    readNextPreview(question);
    choice->BitBtn1->click();
    QVERIFY(question.seen);
    QVERIFY(!choice->isVisible());

    QStringList icons, counts, averages;
    int total = 0;
    for (const auto& [icon, tally] : expected) {
        icons << QString::number(icon);
        counts << QString::number(tally.first);
        averages << QString::number(tally.second / tally.first);
        total += tally.first;
    }
    QCOMPARE(question.textsOf(QStringLiteral("QRDBText3")), icons);
    QCOMPARE(question.textsOf(QStringLiteral("QRDBText5")), counts);
    QCOMPARE(question.textsOf(QStringLiteral("QRDBText4")), averages);
    QCOMPARE(question.textsOf(QStringLiteral("QRExpr1")), QStringList({ QString::number(total) }));
    QCOMPARE(question.textsOf(QStringLiteral("QRDBText2")).count(colour), int(expected.size()));
    QVERIFY(question.allText().contains(QStringLiteral("Número de Encuestas")));
    QVERIFY(question.allText().contains(colour));
    QCOMPARE(question.countOf(QStringLiteral("QRChart1")), 1);
    QCOMPARE(question.countOf(QStringLiteral("QRChart2")), 1);
    // Icon 7: four answers, the most often chosen.
    QCOMPARE(DataModule6->Query3->fieldByName(QStringLiteral("Icono")).asString(), QStringLiteral("7"));

    // The same report, printed to a PDF file printer.
    const QString path = m_data->path(QStringLiteral("pregunta.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    Form10->QuickRep1->print(printer);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(path), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 1);
    const QString printed = pdf.getAllText(0).text();
    QVERIFY(printed.contains(QStringLiteral("Reporte por Pregunta")));
    QVERIFY(printed.contains(QStringLiteral("El Icono más apropiado es:")));
    QVERIFY(printed.contains(QStringLiteral("Número de Encuestas")));

    // Then by edition, in a new window.
    auto* again = new TForm9;
    again->show();
    again->RadioGroup1Item0->click();
    again->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    Shown edition;
    readNextPreview(edition);
    again->BitBtn1->click();
    QVERIFY(edition.seen);
    // Distinct (question, icon) pairs of edition 2: 4 for colour, 3 for animal.
    QCOMPARE(edition.textsOf(QStringLiteral("QRExpr1")), QStringList({ QStringLiteral("7") }));
    QCOMPARE(edition.textsOf(QStringLiteral("QRDBText1")).count(QStringLiteral("2")), 7);
    QCOMPARE(edition.countOf(QStringLiteral("QRChart1")), 0);
    QCOMPARE(edition.countOf(QStringLiteral("QRDBImage2")), 0);
    QVERIFY(edition.allText().contains(QStringLiteral("Total de Registros")));
    delete choice;
    delete again;
}

QTEST_MAIN(TestReportRoad)
#include "tst_report_road.moc"
