// The report choice window: its state table, what it sets on the report form,
// "Siguente" up to the preview, and the whole road from respondents' answers
// to the question and edition reports.

#include "administration/answer_recording.h"
#include "platform/report/preview.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "reporting/report_queries.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QRadioButton>
#include <QWindow>
#include <QtTest>

#include <map>

using namespace testing_support;

namespace {

QImage iconPicture(int icon)
{
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((icon * 29) % 360, 255, 255));
    return image;
}

// What one preview showed; no pages when none was shown.
struct Shown
{
    int pages = 0;
    QWindow* owner = nullptr; // as the window system sees it
    std::vector<vrep::PreparedPage> prepared; // the pages as the preview draws them

    // What the printables named `source` show; every text for an empty name.
    QStringList textsOf(const QString& source) const
    {
        QStringList out;
        for (const auto& page : prepared)
            for (const auto& item : page.items)
                if (source.isEmpty() || item.source == source)
                    out << item.text;
        return out;
    }
    int countOf(const QString& source) const { return int(textsOf(source).size()); }
    QString allText() const { return textsOf({}).join(QLatin1Char('\n')); }
};

// Reads the next preview that opens and closes it as a user would; anything
// else that comes up (an error box) is closed so that the test fails.
void readNextPreview(Shown& shown)
{
    whenModal([&shown](QWidget* modal) {
        auto* preview = qobject_cast<vrep::PreviewWindow*>(modal);
        if (!preview) {
            modal->close();
            return;
        }
        shown.pages = preview->pageCount();
        if (preview->windowHandle()->type() == Qt::Dialog)
            shown.owner = preview->windowHandle()->transientParent();
        for (int p = 0; p < preview->pageCount(); ++p)
            shown.prepared.push_back(*preview->report()->page(p));
        findButton(preview, QStringLiteral("Cerrar"))->click();
    });
}

// The window as a user sees it: mode title, which list shows, the survey,
// the questions listed, the typed text and whether "Siguente" and the
// navigator can be pressed.
QString stateOf(TForm9* w)
{
    const bool combo = w->ComboBox1->isVisible();
    const char* list = combo ? "combo" : w->ListBox1->isVisible() ? "list" : "none";
    QStringList items;
    for (int i = 0; i < (combo ? w->ComboBox1->count() : w->ListBox1->count()); ++i)
        items << (combo ? w->ComboBox1->itemText(i) : w->ListBox1->item(i)->text());
    return QStringLiteral("%1|%2|ed %3|%4|'%5'|siguente %6|nav %7")
        .arg(w->GroupBox1->title(), list, w->DBEdit1->text(), items.join(QLatin1Char(';')), w->ComboBox1->currentText())
        .arg(w->BitBtn1->isEnabled())
        .arg(w->DBNavigator1->isEnabled());
}

// What the choice set on the report form.
QString reportSetup()
{
    QString shown;
    for (vrep::Printable* p : std::initializer_list<vrep::Printable*> {
             Form10->QRChart1, Form10->QRChart2, Form10->QRDBImage2, Form10->QRLabel10 })
        shown += QString::number(p->enabled());
    return QStringLiteral("%1|%2|%3|%4")
        .arg(Form10->QRLabel5->caption(), Form10->QRExpr1->expression())
        .arg(Form10->QRBand5->height())
        .arg(shown);
}

} // namespace

class TestReportChoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init();
    void cleanup();

    void stateTable();
    void singleSurveyHasNoNavigator();
    void questionWithoutResultsFailsAndWindowStays();
    void questionReportShowsChartsAndTheBestIcon();
    void wholeRoad();

private:
    TForm9* open();
    TForm9* chooseQuestion(const QString& question, vui::DBNavigator::Button survey);
    std::unique_ptr<TestData> m_data;
    std::unique_ptr<QWidget> m_owner; // stands for the main window
    std::vector<QPointer<TForm9>> m_windows;
};

void TestReportChoice::init()
{
    m_data = std::make_unique<TestData>();
    m_owner = std::make_unique<QWidget>();
    m_owner->show();
    DataModule6 = new TDataModule6;
    Form10 = new TForm10(nullptr, false);
    writeSurvey(1, { QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") });
    writeSurvey(2, { QStringLiteral("¿Fruta favorita?"), QStringLiteral("¿Deporte?"), QStringLiteral("¿Música?") });
    writeSurvey(3, {});
}

void TestReportChoice::cleanup()
{
    for (auto& w : m_windows)
        delete w.data();
    m_windows.clear();
    m_owner.reset();
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
    auto* w = new TForm9(m_owner.get());
    if (!showActive(w))
        qWarning("the report choice did not become active");
    m_windows.emplace_back(w);
    return w;
}

// A question report chosen from a new window: the survey reached with one
// navigator press from the first, the question picked from the list.
TForm9* TestReportChoice::chooseQuestion(const QString& question, vui::DBNavigator::Button survey)
{
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    w->DBNavigator1->button(survey)->click();
    w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(question));
    return w;
}

void TestReportChoice::stateTable()
{
    {
        TForm9 startUp(nullptr, false); // the start-up instance opens nothing
        QVERIFY(!DataModule6->Table1->active() && !DataModule6->Table2->active());
    }
    TForm9* w = open();
    QCOMPARE(w->itemIndex(), -1);
    QCOMPARE(stateOf(w), QStringLiteral("|none|ed 1||''|siguente 0|nav 0"));
    QVERIFY(w->DBNavigator1->isVisible());

    const QString colour = QStringLiteral("¿Color favorito?;¿Animal favorito?");
    const QString fruit = QStringLiteral("¿Fruta favorita?;¿Deporte?;¿Música?");
    const QString edition = QStringLiteral(" REPORTE POR EDICIÓN|list|ed %1|%2|'%3'|siguente %4|nav 1");
    const QString question = QStringLiteral(" REPORTE POR PREGUNTA|combo|ed %1|%2|'%3'|siguente %4|nav 1");
    auto press = [w](vui::DBNavigator::Button b) { w->DBNavigator1->button(b)->click(); };
    // Keys go to the control that has the focus, as a keyboard's do.
    auto keys = [](const char* script) { return [script] { typeKeys(nullptr, QString::fromUtf8(script)); }; };
    const std::vector<std::pair<std::function<void()>, QString>> steps {
        { [&] {
             DataModule6->Table1->last(); // the opener may leave the table anywhere
             w->RadioGroup1Item1->setFocus(Qt::TabFocusReason);
             keys("<left>")(); // an arrow chooses, even from no choice
         },
            edition.arg(1).arg(colour, "").arg(1) },
        { [&] { press(vui::DBNavigator::nbLast); }, edition.arg(3).arg("", "").arg(1) },
        { [&] { press(vui::DBNavigator::nbPrior); }, edition.arg(2).arg(fruit, "").arg(1) },
        // "Siguente" had the focus, yet Enter back on the report kind does not press it.
        { keys("<tab><tab><btab><btab><enter>"), edition.arg(2).arg(fruit, "").arg(1) },
        { keys("<right>"), question.arg(1).arg(colour, "").arg(0) },
        // Typing enables "Siguente" and stays as typed; deleting it leaves it enabled.
        { keys("<tab>¿Co"), question.arg(1).arg(colour, "¿Co").arg(1) },
        { keys("<bs><bs><bs>"), question.arg(1).arg(colour, "").arg(1) },
        // A navigator press empties the text and disables it again; Enter
        // after the focus passed "Cancelar" does not press it either.
        { [&] { press(vui::DBNavigator::nbNext); }, question.arg(2).arg(fruit, "").arg(0) },
        { keys("<tab><btab><enter>"), question.arg(2).arg(fruit, "").arg(0) },
        { [w] { w->ComboBox1->setCurrentIndex(1); }, question.arg(2).arg(fruit, "¿Deporte?").arg(1) },
        { [&] { press(vui::DBNavigator::nbLast); }, question.arg(3).arg("", "").arg(0) },
        { [w] {
             w->RadioGroup1Item1->setFocus(Qt::TabFocusReason);
             typeKeys(nullptr, QStringLiteral("<up>"));
         },
            edition.arg(1).arg(colour, "").arg(1) },
        { [w] { w->RadioGroup1Item1->click(); }, question.arg(1).arg(colour, "").arg(0) },
    };
    for (const auto& [act, expected] : steps) {
        QVERIFY(runAnswered(act, 2000)); // a preview or a hidden window would fail here
        QVERIFY(w->isVisible());
        QCOMPARE(stateOf(w), expected);
        QCOMPARE(reportSetup(),
            w->itemIndex() == 0 ? QStringLiteral("Total de Registros|COUNT|100|0000")
                                : QStringLiteral("Número de Encuestas|SUM(Rep_icono)|522|1111"));
    }
    QTest::keyClick(w, Qt::Key_Escape); // presses "Cancelar": hidden, the settings kept
    QVERIFY(!w->isVisible());
    QCOMPARE(Form10->QRBand5->height(), 522);
}

void TestReportChoice::singleSurveyHasNoNavigator()
{
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    for (int i = 0; i < 2; ++i) {
        t1->last();
        t1->deleteRecord();
    }
    TForm9* w = open();
    QCOMPARE(EdicionActual, 1);
    QVERIFY(!w->DBNavigator1->isVisible());
    w->RadioGroup1Item1->click();
    QVERIFY(!w->DBNavigator1->isVisible()); // enabling keeps it hidden
    QCOMPARE(w->ComboBox1->count(), 2);
    // Lines 20 pixels high, letters 16 pixels, whatever the screen's resolution.
    QCOMPARE(w->ComboBox1->itemData(0, Qt::SizeHintRole).toSize().height(), 20);
    QCOMPARE(w->ComboBox1->font().pixelSize(), 16);
    w->RadioGroup1Item0->click();
    QCOMPARE(w->ListBox1->visualItemRect(w->ListBox1->item(1)).height(), 20);
    QCOMPARE(w->ListBox1->font().pixelSize(), 16);
}

void TestReportChoice::questionWithoutResultsFailsAndWindowStays()
{
    writeResult(1, QStringLiteral("¿Color favorito?"), 3, 1, 4);
    const QString icons = QStringLiteral("SELECT * FROM tesis WHERE Icono = 99");
    DataModule6->Query3->clearSql();
    DataModule6->Query3->addSql(icons);
    TForm9* w = open();
    w->RadioGroup1Item1->click();
    // Answered only in edition 1: edition 2 has no rows for it; a typed
    // extra blank matches nothing either.
    for (const auto& [survey, text] : std::vector<std::pair<vui::DBNavigator::Button, QString>> {
             { vui::DBNavigator::nbNext, QStringLiteral("¿Color favorito?") },
             { vui::DBNavigator::nbFirst, QStringLiteral("¿Color favorito? ") } }) {
        w->DBNavigator1->button(survey)->click();
        w->ComboBox1->setEditText(text);
        pressOnModal(QStringLiteral("OK"));
        w->BitBtn1->click();
        QCOMPARE(lastModalText(), QStringLiteral("'' is not a valid integer value"));
        QVERIFY(w->isVisible());
        QCOMPARE(Form10->QuickRep1->title(), QStringLiteral("Reporte por Pregunta"));
        QVERIFY(DataModule6->Query2->active() && DataModule6->Query2->isEmpty());
        QCOMPARE(DataModule6->Query3->sql(), icons);
        QVERIFY(!DataModule6->Query3->active());
    }
}

void TestReportChoice::questionReportShowsChartsAndTheBestIcon()
{
    // The worked example: edition 2, icons 2, 4, 7, 9.
    const QString q = QStringLiteral("¿Fruta favorita?");
    for (const auto& [icon, count, average] : { std::tuple { 9, 1, 2 }, { 4, 5, 7 }, { 2, 3, 5 }, { 7, 5, 4 } })
        writeResult(2, q, icon, count, average, iconPicture(icon));
    writeResult(1, q, 7, 50, 1); // another edition's row counts for nothing
    TForm9* w = chooseQuestion(q, vui::DBNavigator::nbNext);
    Shown shown;
    readNextPreview(shown);
    w->BitBtn1->click();
    QCOMPARE(shown.pages, 1);
    QCOMPARE(shown.owner, m_owner->windowHandle());
    QCOMPARE(shown.textsOf(QStringLiteral("QRSysData1")), QStringList({ "Reporte por Pregunta" }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRDBText3")), QStringList({ "2", "4", "7", "9" }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRDBText5")), QStringList({ "3", "5", "5", "1" }));
    QCOMPARE(shown.textsOf(QStringLiteral("QRExpr1")), QStringList({ "14" }));
    for (const char* part : { "QRChart1", "QRChart2", "QRLabel10", "QRDBImage2" })
        QCOMPARE(shown.countOf(QLatin1String(part)), 1);
    QVERIFY(shown.allText().contains(QStringLiteral("El Icono más apropiado es:")));
    // The picture printed is icon 7's.
    QCOMPARE(DataModule6->Query3->fieldByName(QStringLiteral("Icono")).asString(), QStringLiteral("7"));
    for (const auto& item : shown.prepared[0].items)
        if (item.source == QLatin1String("QRDBImage2"))
            QCOMPARE(item.picture.pixelColor(5, 5), iconPicture(7).pixelColor(5, 5));
}

void TestReportChoice::wholeRoad()
{
    // Respondents' answers accumulated by the answer recording, then the
    // question report (preview and PDF printer) and the edition report.
    const QString colour = QStringLiteral("¿Qué color le \"gusta\" más, l'azul?");
    const QString animal = QStringLiteral("¿Qué animal prefiere?");
    writeSurvey(4, { colour, animal });
    // An index over the fields, as older files have, must not reorder any listing.
    const QString tesis = m_data->tablePath(QStringLiteral("tesis.DB"));
    withTableFile(tesis, [](QSqlDatabase& db) {
        execOn(db, QStringLiteral("CREATE INDEX tesis_campos ON tesis (Edicion, Pregunta, Icono, Tiempo)"));
    });
    // Each respondent answers both questions: (icon, seconds) per question.
    const std::vector<std::array<int, 4>> respondents { { 3, 4, 1, 2 }, { 7, 9, 1, 5 }, { 3, 2, 2, 1 },
        { 12, 30, 1, 3 }, { 7, 3, 2, 8 }, { 3, 7, 4, 4 }, { 7, 1, 2, 2 }, { 1, 5, 1, 1 } };
    std::map<int, std::pair<int, int>> expected; // icon -> count, sum of the colour question
    vdb::Table* results = DataModule6->Table3;
    results->open();
    auto answer = [results](int edicion, const QString& q, int icon, const QString& tiempo, int seconds) {
        accumulateAnswer(results, { edicion, q, icon }, tiempo, iconPicture(icon), seconds);
    };
    for (const auto& [icon1, s1, icon2, s2] : respondents) {
        answer(4, colour, icon1, QStringLiteral("0:0:%1:0").arg(s1), s1);
        answer(4, animal, icon2, QStringLiteral("0:0:%1:0").arg(s2), s2);
        expected[icon1].first += 1;
        expected[icon1].second += s1;
    }
    answer(1, QStringLiteral("¿Color favorito?"), 3, QStringLiteral("0:0:1:0"), 1);
    // Icons 3 and 7 are both chosen three times in 13 seconds; one more quick
    // answer makes icon 7 the most chosen.
    answer(4, colour, 7, QStringLiteral("0:0:0:1"), 0);
    expected[7].first += 1;

    TForm9* choice = chooseQuestion(colour, vui::DBNavigator::nbLast);
    QCOMPARE(choice->ComboBox1->currentIndex(), 0);
    Shown question;
    readNextPreview(question);
    choice->BitBtn1->click();
    QCOMPARE(question.pages, 1);
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
    QVERIFY(question.allText().contains(colour));
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
    QVERIFY(pdf.getAllText(0).text().contains(QStringLiteral("El Icono más apropiado es:")));

    // Then by edition, in a new window that starts afresh: the distinct
    // (question, icon) pairs of edition 4, 4 for colour and 3 for animal, and
    // nothing of the question report's summary.
    TForm9* again = open();
    QCOMPARE(again->itemIndex(), -1);
    QVERIFY(!again->BitBtn1->isEnabled());
    again->RadioGroup1Item0->click();
    again->DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    again->ComboBox1->setEditText(QStringLiteral("ignored"));
    Shown edition;
    readNextPreview(edition);
    again->BitBtn1->click();
    QCOMPARE(edition.textsOf(QStringLiteral("QRSysData1")), QStringList({ "Reporte por Edición" }));
    QCOMPARE(edition.textsOf(QStringLiteral("QRExpr1")), QStringList({ "7" }));
    QCOMPARE(edition.textsOf(QStringLiteral("QRDBText1")).count(QStringLiteral("4")), 7);
    // The rows in the order the answers stored them, questions interleaved.
    QStringList stored = fileRows(tesis, QStringLiteral("tesis"), QStringLiteral("Pregunta || '/' || Icono"));
    stored.removeAll(QStringLiteral("¿Color favorito?/3"));
    QCOMPARE(stored.mid(0, 3), (QStringList { colour + "/3", animal + "/1", colour + "/7" }));
    QStringList printed;
    for (int i = 0; i < edition.textsOf(QStringLiteral("QRDBText2")).size(); ++i)
        printed << edition.textsOf(QStringLiteral("QRDBText2")).at(i) + "/"
                + edition.textsOf(QStringLiteral("QRDBText3")).at(i);
    QCOMPARE(printed, stored);
    QCOMPARE(edition.countOf(QStringLiteral("QRDBImage1")), 7);
    for (const char* gone : { "QRChart1", "QRChart2", "QRDBImage2", "QRLabel10" })
        QCOMPARE(edition.countOf(QLatin1String(gone)), 0);
    QVERIFY(!edition.allText().contains(QStringLiteral("apropiado")));
}

QTEST_MAIN(TestReportChoice)
#include "tst_report_choice.moc"
