// The banded report engine over real table files: pagination, summary
// expressions, empty runs, enabled printables, charts and PDF output.

#include "platform/report/charts.h"
#include "platform/report/preview.h"
#include "platform/report/report.h"
#include "platform/ui/form.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfView>
#include <QPrinter>
#include <QToolButton>
#include <QtTest>

using namespace testing_support;

namespace {

constexpr double kMargin = 10 * 96 / 25.4;

// Title 43, header 48, detail 41, footer 40 on a Letter page with 10 mm
// margins: 20 detail bands on the first page, 21 on the next ones.
struct TestReport
{
    vrep::Report report;
    vrep::Band* summary = nullptr;
    vrep::Expr* count = nullptr;
    vrep::Expr* sum = nullptr;
    vrep::Label* note = nullptr;
    vrep::DBImage* picture = nullptr;
    vrep::Chart* bars = nullptr;
    vrep::Chart* pie = nullptr;

    explicit TestReport(vdb::DataSet* data, int summaryHeight = 100)
    {
        QFont font(QStringLiteral("Arial Narrow"));
        font.setPixelSize(13);
        report.setDataSet(data);
        report.setTitle(QStringLiteral("Informe de prueba"));
        auto* title = report.addBand(QStringLiteral("Title"), vrep::Band::Title, 43);
        auto* t = title->add<vrep::SysData>(
            QStringLiteral("TitleText"), QRect(316, 0, 107, 26), vrep::SysData::ReportTitle);
        t->setCentred(true);
        t->setFont(font);
        auto* header = report.addBand(QStringLiteral("Header"), vrep::Band::ColumnHeader, 48);
        auto* h = header->add<vrep::Label>(QStringLiteral("HeaderText"), QRect(16, 8, 41, 17));
        h->setCaption(QStringLiteral("CABECERA"));
        h->setFont(font);
        auto* detail = report.addBand(QStringLiteral("Detail"), vrep::Band::Detail, 41);
        auto* q = detail->add<vrep::DBText>(QStringLiteral("Question"), QRect(80, 8, 44, 17));
        q->setDataField(data, QStringLiteral("Pregunta"));
        q->setFont(font);
        auto* icon = detail->add<vrep::DBText>(QStringLiteral("Icon"), QRect(454, 8, 27, 17));
        icon->setDataField(data, QStringLiteral("Icono"));
        icon->setFont(font);
        picture = detail->add<vrep::DBImage>(QStringLiteral("Picture"), QRect(504, 0, 33, 33));
        picture->setDataField(data, QStringLiteral("Grafico"));
        summary = report.addBand(QStringLiteral("Summary"), vrep::Band::Summary, summaryHeight);
        note = summary->add<vrep::Label>(QStringLiteral("Note"), QRect(25, 48, 52, 17));
        note->setCaption(QStringLiteral("RESUMEN"));
        note->setFont(font);
        count = summary->add<vrep::Expr>(QStringLiteral("Count"), QRect(160, 48, 47, 17));
        count->setExpression(QStringLiteral("COUNT"));
        count->setFont(font);
        sum = summary->add<vrep::Expr>(QStringLiteral("Sum"), QRect(260, 48, 47, 17));
        sum->setExpression(QStringLiteral("SUM(Rep_icono)"));
        sum->setFont(font);
        bars = summary->add<vrep::Chart>(QStringLiteral("Bars"), QRect(16, 100, 337, 268), vrep::ChartSettings::Bar);
        bars->setDataSet(data);
        bars->chart().series.valueField = QStringLiteral("Promedio");
        bars->chart().series.xField = QStringLiteral("Icono");
        bars->chart().series.labelField = QStringLiteral("Icono");
        bars->chart().bottomAxis.logarithmic = true;
        bars->setEnabled(false);
        pie = summary->add<vrep::Chart>(QStringLiteral("Pie"), QRect(384, 100, 337, 268), vrep::ChartSettings::Pie);
        pie->setDataSet(data);
        pie->chart().series.valueField = QStringLiteral("Rep_icono");
        pie->chart().series.labelField = QStringLiteral("Icono");
        pie->chart().legendShowsPercent = true;
        pie->setEnabled(false);
        auto* footer = report.addBand(QStringLiteral("Footer"), vrep::Band::PageFooter, 40);
        auto* page
            = footer->add<vrep::SysData>(QStringLiteral("PageNo"), QRect(712, 16, 41, 17), vrep::SysData::PageNumber);
        page->setFont(font);
        auto* mark = footer->add<vrep::Label>(QStringLiteral("FooterText"), QRect(300, 16, 41, 17));
        mark->setCaption(QStringLiteral("PIE DE PAGINA"));
        mark->setFont(font);
    }
};

bool has(const vrep::PreparedPage& page, const QString& source, const QString& text = QString())
{
    for (const auto& item : page.items)
        if (item.source == source && (text.isNull() || item.text == text))
            return true;
    return false;
}

int countOf(const vrep::PreparedPage& page, const QString& source)
{
    int n = 0;
    for (const auto& item : page.items)
        n += item.source == source;
    return n;
}

double topOf(const vrep::PreparedPage& page, const QString& source)
{
    for (const auto& item : page.items)
        if (item.source == source)
            return item.box.top();
    return -1;
}

// The whole page shows, its foot included, and fills the view one way.
void checkWholePageFits(vrep::PreviewWindow* preview)
{
    const QSize room = preview->view()->viewport()->size();
    const QSizeF page = preview->document()->pagePointSize(0) * (preview->view()->logicalDpiX() / 72.0)
        * preview->view()->zoomFactor();
    QVERIFY(page.height() <= room.height());
    QVERIFY(page.width() <= room.width());
    QVERIFY(page.height() > room.height() * 0.9 || page.width() > room.width() * 0.9);
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init();
    void cleanup();

    void pagination_data();
    void pagination();
    void summaryMovesWholeToNextPage();
    void expressionsAreComputedAfreshEachRun();
    void emptyRunPrintsOneEmptyDetailBand();
    void runStartsFromFirstRowAndChartKeepsPosition();
    void disabledPrintablesLeaveTheirPlaceBlank();
    void picturesAreCentredAtTheirOwnSize();
    void chartPointsAndLegend();
    void pdfPrinterOutputHasTextOnEveryPage();
    void previewNavigatesSavesLoadsAndCloses();

private:
    void fill(int rows, const QString& question = QStringLiteral("Pregunta uno"));
    vdb::Query* openRows();
    std::unique_ptr<TestData> m_data;
    std::unique_ptr<vdb::Query> m_rows;
};

void TestReportEngine::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_rows = std::make_unique<vdb::Query>();
    m_rows->setDatabaseName(kDatabaseName);
}

void TestReportEngine::cleanup()
{
    m_rows.reset();
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

void TestReportEngine::fill(int rows, const QString& question)
{
    vdb::Table* t = DataModule6->Table3;
    t->open();
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    vdb::Transaction tx(kDatabaseName);
    for (int i = 1; i <= rows; ++i) {
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("1"));
        t->fieldByName(QStringLiteral("Pregunta")).setAsString(question);
        t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(i));
        t->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("1:2:3:4"));
        t->fieldByName(QStringLiteral("Grafico")).setImage(picture);
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(i * 2));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(i));
        t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(2));
        t->post();
    }
    tx.commit();
}

vdb::Query* TestReportEngine::openRows()
{
    vdb::Query* q = m_rows.get();
    q->close();
    q->clearSql();
    q->addSql(QStringLiteral("SELECT * FROM tesis ORDER BY icono"));
    q->open();
    return q;
}

void TestReportEngine::pagination_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("summaryHeight");
    QTest::addColumn<int>("pages");
    QTest::newRow("one row") << 1 << 100 << 1;
    QTest::newRow("first page full, summary fits") << 18 << 100 << 1;
    QTest::newRow("summary pushed over") << 19 << 100 << 2;
    QTest::newRow("detail spills") << 21 << 100 << 2;
    QTest::newRow("three pages") << 60 << 100 << 3;
    QTest::newRow("summary alone on the fourth") << 62 << 100 << 4;
    QTest::newRow("tall summary fits") << 7 << 522 << 1;
    QTest::newRow("tall summary pushed") << 8 << 522 << 2;
}

void TestReportEngine::pagination()
{
    QFETCH(int, rows);
    QFETCH(int, summaryHeight);
    QFETCH(int, pages);
    fill(rows);
    TestReport r(openRows(), summaryHeight);
    const vrep::PreparedReport out = r.report.prepare();
    QCOMPARE(out.pageCount(), pages);
    int details = 0;
    for (int p = 0; p < out.pageCount(); ++p) {
        const auto& page = out.pages[size_t(p)];
        QVERIFY2(has(page, QStringLiteral("HeaderText")), "every page starts with the column header");
        QVERIFY2(has(page, QStringLiteral("PageNo"), QString::number(p + 1)), "every page has its footer");
        QCOMPARE(has(page, QStringLiteral("TitleText")), p == 0);
        details += countOf(page, QStringLiteral("Icon"));
        // Nothing of the body reaches into the footer.
        for (const auto& item : page.items)
            if (item.source != QLatin1String("PageNo") && item.source != QLatin1String("FooterText"))
                QVERIFY(item.box.top() < 1056 - 37.8 - 40);
    }
    QCOMPARE(details, rows);
    QCOMPARE(countOf(out.pages.back(), QStringLiteral("Note")), 1);
}

void TestReportEngine::summaryMovesWholeToNextPage()
{
    fill(8);
    TestReport r(openRows(), 522);
    r.bars->setEnabled(true);
    r.pie->setEnabled(true);
    const vrep::PreparedReport out = r.report.prepare();
    QCOMPARE(out.pageCount(), 2);
    QCOMPARE(countOf(out.pages[0], QStringLiteral("Icon")), 8);
    for (const QString& part :
        { QStringLiteral("Note"), QStringLiteral("Count"), QStringLiteral("Bars"), QStringLiteral("Pie") }) {
        QCOMPARE(countOf(out.pages[0], part), 0);
        QCOMPARE(countOf(out.pages[1], part), 1);
    }
    // The second page starts with the column header, the summary right under it.
    QVERIFY(topOf(out.pages[1], QStringLiteral("HeaderText")) < topOf(out.pages[1], QStringLiteral("Note")));
    QVERIFY(qAbs(topOf(out.pages[1], QStringLiteral("Note")) - (kMargin + 48 + 48)) < 0.01);
}

void TestReportEngine::expressionsAreComputedAfreshEachRun()
{
    fill(5); // counts 1..5
    TestReport r(openRows());
    for (int run = 0; run < 3; ++run) {
        const vrep::PreparedReport out = r.report.prepare();
        QVERIFY(has(out.pages.back(), QStringLiteral("Count"), QStringLiteral("5")));
        QVERIFY(has(out.pages.back(), QStringLiteral("Sum"), QStringLiteral("15")));
    }
    r.count->setExpression(QStringLiteral("SUM(Promedio)"));
    QVERIFY(has(r.report.prepare().pages.back(), QStringLiteral("Count"), QStringLiteral("10")));
}

void TestReportEngine::emptyRunPrintsOneEmptyDetailBand()
{
    TestReport r(openRows(), 522);
    r.bars->setEnabled(true);
    r.pie->setEnabled(true);
    const vrep::PreparedReport out = r.report.prepare();
    QCOMPARE(out.pageCount(), 1);
    const auto& page = out.pages[0];
    QVERIFY(has(page, QStringLiteral("TitleText"), QStringLiteral("Informe de prueba")));
    QVERIFY(has(page, QStringLiteral("HeaderText")));
    QCOMPARE(countOf(page, QStringLiteral("Icon")), 0);
    QCOMPARE(countOf(page, QStringLiteral("Picture")), 0);
    QVERIFY(has(page, QStringLiteral("Count"), QStringLiteral("0")));
    QVERIFY(has(page, QStringLiteral("PageNo"), QStringLiteral("1")));
    // The empty detail band still takes its height: the summary sits below it.
    QVERIFY(qAbs(topOf(page, QStringLiteral("Note")) - (kMargin + 43 + 48 + 41 + 48)) < 0.01);
}

void TestReportEngine::runStartsFromFirstRowAndChartKeepsPosition()
{
    fill(4);
    vdb::Query* q = openRows();
    TestReport r(q);
    r.bars->setEnabled(true);
    q->last();
    q->next(); // at the end, as after a scan
    QVERIFY(q->eof());
    vrep::PreparedReport out = r.report.prepare();
    QCOMPARE(countOf(out.pages[0], QStringLiteral("Icon")), 4);
    QVERIFY(has(out.pages[0], QStringLiteral("Icon"), QStringLiteral("1")));

    // A chart walks every row and puts the cursor back where it was.
    q->first();
    q->next();
    const int before = q->recNo();
    const auto points = vrep::readPoints(q, r.bars->chart().series, true);
    QCOMPARE(int(points.size()), 4);
    QCOMPARE(q->recNo(), before);
    QVERIFY(!q->eof());
    q->last();
    q->next();
    vrep::readPoints(q, r.bars->chart().series, true);
    QVERIFY(q->eof());
}

void TestReportEngine::disabledPrintablesLeaveTheirPlaceBlank()
{
    fill(2);
    TestReport r(openRows(), 522);
    r.note->setEnabled(false);
    r.picture->setEnabled(false);
    const vrep::PreparedReport out = r.report.prepare();
    const auto& page = out.pages[0];
    QCOMPARE(countOf(page, QStringLiteral("Note")), 0);
    QCOMPARE(countOf(page, QStringLiteral("Picture")), 0);
    QCOMPARE(countOf(page, QStringLiteral("Bars")), 0);
    QVERIFY(has(page, QStringLiteral("Count"), QStringLiteral("2")));
    r.bars->setEnabled(true);
    QCOMPARE(countOf(r.report.prepare().pages[0], QStringLiteral("Bars")), 1);
}

void TestReportEngine::picturesAreCentredAtTheirOwnSize()
{
    fill(1);
    TestReport r(openRows());
    const vrep::PreparedReport out = r.report.prepare();
    QImage page(816, 1056, QImage::Format_RGB32);
    QPainter painter(&page);
    out.paintPage(painter, 0);
    painter.end();
    // The 20 x 10 picture sits in the middle of its 33 x 33 box, not stretched.
    const QPointF corner(37.8 + 504, 37.8 + 43 + 48);
    const QPoint centre = (corner + QPointF(16.5, 16.5)).toPoint();
    QCOMPARE(page.pixelColor(centre), QColor(Qt::blue));
    QCOMPARE(page.pixelColor(centre + QPoint(0, 8)), QColor(Qt::white));
    QCOMPARE(page.pixelColor(centre + QPoint(12, 0)), QColor(Qt::white));
    QCOMPARE(page.pixelColor(centre + QPoint(8, 3)), QColor(Qt::blue));
}

void TestReportEngine::chartPointsAndLegend()
{
    QCOMPARE(vrep::pieLegendText(1, 4, QStringLiteral("7")), QStringLiteral("25 % 7"));
    QCOMPARE(vrep::pieLegendText(3, 3, QStringLiteral("2")), QStringLiteral("100 % 2"));
    QCOMPARE(vrep::pieLegendText(0, 0, QStringLiteral("2")), QStringLiteral("0 % 2"));
    QVERIFY(vrep::pointColour(0) != vrep::pointColour(1));

    // Points keep ascending X order whatever the rows' order.
    vdb::Table* t = DataModule6->Table3;
    t->open();
    for (int icon : { 9, 2, 4 }) {
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("1"));
        t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(icon));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(icon * 10));
        t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(icon + 1));
        t->post();
    }
    vdb::Query* q = m_rows.get();
    q->close();
    q->clearSql();
    q->addSql(QStringLiteral("SELECT * FROM tesis ORDER BY Rep_icono DESC"));
    q->open();
    vrep::SeriesSettings series;
    series.valueField = QStringLiteral("Promedio");
    series.xField = QStringLiteral("Icono");
    series.labelField = QStringLiteral("Icono");
    const auto points = vrep::readPoints(q, series, true);
    QCOMPARE(int(points.size()), 3);
    QCOMPARE(points[0].label, QStringLiteral("2"));
    QCOMPARE(points[0].value, 3.0);
    QCOMPARE(points[2].label, QStringLiteral("9"));

    // Both charts draw something on the page.
    TestReport r(q, 522);
    r.bars->setEnabled(true);
    r.pie->setEnabled(true);
    const vrep::PreparedReport out = r.report.prepare();
    QImage page(816, 1056, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    out.paintPage(painter, 0);
    painter.end();
    for (const QString& chart : { QStringLiteral("Bars"), QStringLiteral("Pie") }) {
        QRect box;
        for (const auto& item : out.pages[0].items)
            if (item.source == chart)
                box = item.box.toRect();
        QVERIFY(!box.isEmpty());
        int coloured = 0;
        for (int y = box.top(); y < box.bottom(); y += 2)
            for (int x = box.left(); x < box.right(); x += 2) {
                const QColor c = page.pixelColor(x, y);
                coloured += c.saturation() > 150;
            }
        QVERIFY2(coloured > 200, qPrintable(chart));
    }
}

void TestReportEngine::pdfPrinterOutputHasTextOnEveryPage()
{
    fill(30, QStringLiteral("¿Le gusta \"esto\" o l'otro?"));
    TestReport r(openRows());
    const QString path = m_data->path(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    r.report.print(printer);

    QPdfDocument pdf;
    QCOMPARE(pdf.load(path), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 2);
    const QString first = pdf.getAllText(0).text();
    const QString second = pdf.getAllText(1).text();
    QVERIFY(first.contains(QStringLiteral("Informe de prueba")));
    QVERIFY(!second.contains(QStringLiteral("Informe de prueba")));
    for (const QString& text : { first, second }) {
        QVERIFY(text.contains(QStringLiteral("CABECERA")));
        QVERIFY(text.contains(QStringLiteral("PIE DE PAGINA")));
    }
    QVERIFY(first.contains(QStringLiteral("¿Le gusta \"esto\" o l'otro?")));
    QVERIFY(second.contains(QStringLiteral("RESUMEN")));
    QVERIFY(second.contains(QStringLiteral("465"))); // 1 + ... + 30
    const QSizeF size = pdf.pagePointSize(0);
    QVERIFY(qAbs(size.width() - 612) < 1 && qAbs(size.height() - 792) < 1); // Letter
}

void TestReportEngine::previewNavigatesSavesLoadsAndCloses()
{
    fill(45);
    TestReport r(openRows());
    const QString saved = m_data->path(QStringLiteral("saved.pdf"));
    const QString other = m_data->path(QStringLiteral("other.pdf"));
    const QString reprinted = m_data->path(QStringLiteral("reprinted.pdf"));
    {
        // Another report, saved earlier, to load into the preview.
        TestReport single(openRows());
        single.report.setTitle(QStringLiteral("Otro informe"));
        QVERIFY(single.report.prepare().writePdf(other));
    }
    bool checked = false;
    whenModal([&](QWidget* modal) {
        auto* preview = qobject_cast<vrep::PreviewWindow*>(modal);
        QVERIFY(preview);
        QCOMPARE(preview->pageCount(), 3);
        QCOMPARE(preview->currentPage(), 0);
        QCOMPARE(preview->view()->zoomFactor(), 1.0); // the report's zoom, 100 %
        QVERIFY(!preview->wholePage());
        QVERIFY(!preview->button(QStringLiteral("PriorPage"))->isEnabled());
        preview->button(QStringLiteral("LastPage"))->click();
        QCOMPARE(preview->currentPage(), 2);
        QVERIFY(!preview->button(QStringLiteral("NextPage"))->isEnabled());
        preview->button(QStringLiteral("PriorPage"))->click();
        QCOMPARE(preview->currentPage(), 1);
        preview->button(QStringLiteral("FirstPage"))->click();
        QCOMPARE(preview->currentPage(), 0);
        preview->button(QStringLiteral("FullSize"))->click();
        QCOMPARE(preview->view()->zoomFactor(), 1.0);
        preview->button(QStringLiteral("PageWidth"))->click();
        QCOMPARE(preview->view()->zoomMode(), QPdfView::ZoomMode::FitToWidth);
        preview->button(QStringLiteral("WholePage"))->click();
        QVERIFY(preview->wholePage());
        checkWholePageFits(preview);
        preview->resize(preview->width() + 200, preview->height() - 100);
        QTRY_VERIFY(qAbs(preview->view()->viewport()->height() - preview->height() + 100) < 80);
        checkWholePageFits(preview);

        QVERIFY(preview->saveTo(saved));
        QVERIFY(!preview->loadFrom(m_data->path(QStringLiteral("missing.pdf"))));
        QCOMPARE(preview->pageCount(), 3); // a bad file leaves the pages shown
        QVERIFY(preview->loadFrom(other));
        QCOMPARE(preview->pageCount(), 3);
        QVERIFY(preview->document()->getAllText(0).text().contains(QStringLiteral("Otro informe")));
        QVERIFY(!preview->report());
        // A loaded file prints too, here to a printer that is a PDF file.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(reprinted);
        preview->printTo(printer);
        checked = true;
        findButton(preview, QStringLiteral("Cerrar"))->click();
    });
    r.report.preview();
    QVERIFY(checked);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(saved), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 3);
    QVERIFY(pdf.getAllText(2).text().contains(QStringLiteral("RESUMEN")));
    QPdfDocument again;
    QCOMPARE(again.load(reprinted), QPdfDocument::Error::None);
    QCOMPARE(again.pageCount(), 3);
}

QTEST_MAIN(TestReportEngine)
#include "tst_report_engine.moc"
