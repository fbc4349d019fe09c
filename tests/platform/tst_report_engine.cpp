// The banded report engine over real table files: pagination, summary
// expressions, empty runs, enabled printables, charts, PDF output and preview.

#include "platform/report/charts.h"
#include "platform/report/preview.h"
#include "platform/report/report.h"
#include "platform/ui/form.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QScrollArea>
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
    vrep::Label* note = nullptr;
    vrep::Chart* bars = nullptr;
    vrep::Chart* pie = nullptr;

    static QFont font(int pixels, bool bold = false)
    {
        QFont font(QStringLiteral("Arial Narrow"));
        font.setPixelSize(pixels);
        font.setBold(bold);
        return font;
    }

    template <typename T> T* text(vrep::Band* band, const char* name, int left, const QString& value = {})
    {
        auto* t = band->add<T>(QLatin1String(name), QRect(left, 8, 60, 17));
        t->setFont(font(13));
        if constexpr (std::is_same_v<T, vrep::Label>)
            t->setCaption(value);
        else if constexpr (std::is_same_v<T, vrep::Expr>)
            t->setExpression(value);
        return t;
    }

    explicit TestReport(vdb::DataSet* data, int summaryHeight = 100)
    {
        report.setDataSet(data);
        report.setTitle(QStringLiteral("Informe de prueba"));
        auto* title = report.addBand(QStringLiteral("Title"), vrep::Band::Title, 43);
        title->add<vrep::SysData>(QStringLiteral("TitleText"), QRect(316, 0, 107, 26), vrep::SysData::ReportTitle);
        text<vrep::Label>(report.addBand(QStringLiteral("Header"), vrep::Band::ColumnHeader, 48), "HeaderText", 16,
            QStringLiteral("CABECERA"));
        auto* detail = report.addBand(QStringLiteral("Detail"), vrep::Band::Detail, 41);
        text<vrep::DBText>(detail, "Question", 80)->setDataField(data, QStringLiteral("Pregunta"));
        text<vrep::DBText>(detail, "Icon", 454)->setDataField(data, QStringLiteral("Icono"));
        detail->add<vrep::DBImage>(QStringLiteral("Picture"), QRect(504, 0, 33, 33))
            ->setDataField(data, QStringLiteral("Grafico"));
        auto* summary = report.addBand(QStringLiteral("Summary"), vrep::Band::Summary, summaryHeight);
        note = text<vrep::Label>(summary, "Note", 25, QStringLiteral("RESUMEN"));
        text<vrep::Expr>(summary, "Count", 160, QStringLiteral("COUNT"));
        text<vrep::Expr>(summary, "Sum", 260, QStringLiteral("SUM(Rep_icono)"));
        bars = summary->add<vrep::Chart>(QStringLiteral("Bars"), QRect(16, 100, 337, 268), vrep::ChartSettings::Bar);
        pie = summary->add<vrep::Chart>(QStringLiteral("Pie"), QRect(384, 100, 337, 268), vrep::ChartSettings::Pie);
        for (vrep::Chart* c : { bars, pie }) {
            c->setDataSet(data);
            c->chart().series.valueField = QLatin1String(c == bars ? "Promedio" : "Rep_icono");
            c->chart().series.xField = QStringLiteral("Icono");
            c->chart().series.labelField = QStringLiteral("Icono");
            c->setEnabled(false);
        }
        auto* footer = report.addBand(QStringLiteral("Footer"), vrep::Band::PageFooter, 40);
        footer->add<vrep::SysData>(QStringLiteral("PageNo"), QRect(712, 16, 41, 17), vrep::SysData::PageNumber);
        text<vrep::Label>(footer, "FooterText", 300, QStringLiteral("PIE DE PAGINA"));
    }
};

QStringList textsOf(const vrep::PreparedPage& page, const QString& source)
{
    QStringList out;
    for (const auto& item : page.items)
        if (item.source == source)
            out << item.text;
    return out;
}

int countOf(const vrep::PreparedPage& page, const QString& source)
{
    return int(textsOf(page, source).size());
}

double topOf(const vrep::PreparedPage& page, const QString& source)
{
    for (const auto& item : page.items)
        if (item.source == source)
            return item.box.top();
    return -1;
}

// Reads a page as it is drawn: every text, where it lands and in which colour.
class PageReader : public QImage, QPaintEngine
{
public:
    struct Text
    {
        QString text;
        QRectF box;
        QColor colour;
    };
    std::vector<Text> texts;

    PageReader()
        : QImage(816, 1056, QImage::Format_RGB32)
        , QPaintEngine(AllFeatures)
    {
    }
    QPaintEngine* paintEngine() const override { return const_cast<PageReader*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPath(const QPainterPath&) override { }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QRectF box(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent());
        texts.push_back({ item.text(), painter()->combinedTransform().mapRect(box), painter()->pen().color() });
    }
    Type type() const override { return User; }
};

QImage paint(const vrep::PreparedReport& out, int index = 0)
{
    QImage page(816, 1056, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    out.paintPage(painter, index);
    return page;
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
    void chartsPicturesAndCursor();
    void pdfPrinterAndPreview();

private:
    void fill(int rows, const QString& question = QStringLiteral("Pregunta uno"));
    vdb::Query* openRows(const QString& order = QStringLiteral("icono"));
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

// Rows with icons 1..rows, counts 1..rows, average 2 and a 20 x 10 blue picture.
void TestReportEngine::fill(int rows, const QString& question)
{
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    DataModule6->Table3->open();
    vdb::Transaction tx(kDatabaseName);
    for (int i = 1; i <= rows; ++i)
        writeResult(1, question, i, i, 2, picture);
    tx.commit();
}

vdb::Query* TestReportEngine::openRows(const QString& order)
{
    vdb::Query* q = m_rows.get();
    q->close();
    q->clearSql();
    q->addSql(QStringLiteral("SELECT * FROM tesis ORDER BY ") + order);
    q->open();
    return q;
}

void TestReportEngine::pagination_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("summaryHeight");
    QTest::addColumn<int>("pages");
    QTest::newRow("no rows: one empty detail band") << 0 << 522 << 1;
    QTest::newRow("first page full, summary fits") << 18 << 100 << 1;
    QTest::newRow("summary pushed over") << 19 << 100 << 2;
    QTest::newRow("detail spills") << 21 << 100 << 2;
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
    // The expressions are computed afresh on each run.
    for (int run = 0; run < 2; ++run) {
        const vrep::PreparedReport out = r.report.prepare();
        QCOMPARE(out.pageCount(), pages);
        int details = 0;
        for (int p = 0; p < out.pageCount(); ++p) {
            const vrep::PreparedPage& page = *out.page(p);
            QCOMPARE(countOf(page, QStringLiteral("HeaderText")), 1);
            QCOMPARE(textsOf(page, QStringLiteral("PageNo")), QStringList({ QString::number(p + 1) }));
            QCOMPARE(countOf(page, QStringLiteral("TitleText")), int(p == 0));
            details += countOf(page, QStringLiteral("Icon"));
            // Nothing of the body reaches into the footer.
            for (const auto& item : page.items)
                if (item.source != QLatin1String("PageNo") && item.source != QLatin1String("FooterText"))
                    QVERIFY(item.box.top() < 1056 - kMargin - 40);
        }
        QCOMPARE(details, rows);
        // An empty run still gives the detail band its height: the summary sits below it.
        if (rows == 0)
            QVERIFY(qAbs(topOf(*out.page(0), QStringLiteral("Note")) - (kMargin + 43 + 48 + 41 + 8)) < 0.01);
        QCOMPARE(
            textsOf(*out.page(out.pageCount() - 1), QStringLiteral("Count")), QStringList({ QString::number(rows) }));
        QCOMPARE(textsOf(*out.page(out.pageCount() - 1), QStringLiteral("Sum")),
            QStringList({ QString::number(rows * (rows + 1) / 2) }));
    }
}

void TestReportEngine::chartsPicturesAndCursor()
{
    QCOMPARE(vrep::pieLegendText(1, 4, QStringLiteral("7")), QStringLiteral("25 % 7"));
    QCOMPARE(vrep::pieLegendText(0, 0, QStringLiteral("2")), QStringLiteral("0 % 2"));
    fill(12);
    vdb::Query* q = openRows(QStringLiteral("Rep_icono DESC"));
    TestReport r(q, 522);
    r.bars->setEnabled(true);
    r.pie->setEnabled(true);
    r.note->setEnabled(false);
    vrep::ChartSettings& pie = r.pie->chart();
    pie.title = QStringLiteral("NÚMERO DE REPETICIONES");
    pie.titleFont = r.font(16, true);
    pie.legendShowsPercent = pie.series.marksVisible = true;
    pie.series.marksFont = r.font(11);

    // A chart's points keep ascending X order whatever the rows' order, and
    // reading them puts the cursor back where it was.
    q->next();
    const auto points = vrep::readPoints(q, r.bars->chart().series, true);
    QCOMPARE(q->recNo(), 1);
    QCOMPARE(int(points.size()), 12);
    QCOMPARE(points[0].label, QStringLiteral("1"));
    QCOMPARE(points[11].label, QStringLiteral("12"));
    QCOMPARE(points[0].value, 2.0);

    // A run starts from the first row even with the cursor at the end, as after a scan.
    q->last();
    q->next();
    const vrep::PreparedReport out = r.report.prepare();
    QCOMPARE(textsOf(*out.page(0), QStringLiteral("Icon")).first(), QStringLiteral("12"));
    QCOMPARE(textsOf(*out.page(0), QStringLiteral("Icon")).size(), 12);
    const QImage page = paint(out);
    // The 20 x 10 picture sits in the middle of its 33 x 33 box, not stretched.
    const QPoint centre = QPointF(kMargin + 504 + 16.5, kMargin + 43 + 48 + 16.5).toPoint();
    QCOMPARE(page.pixelColor(centre), QColor(Qt::blue));
    QCOMPARE(page.pixelColor(centre + QPoint(0, 8)), QColor(Qt::white));
    QCOMPARE(page.pixelColor(centre + QPoint(12, 0)), QColor(Qt::white));
    QCOMPARE(page.pixelColor(centre + QPoint(8, 3)), QColor(Qt::blue));
    // The summary, charts and all, went on to the second page, right under
    // its column header; a disabled printable leaves its place blank.
    for (const char* part : { "Count", "Bars", "Pie" })
        QVERIFY(countOf(*out.page(0), QLatin1String(part)) == 0 && countOf(*out.page(1), QLatin1String(part)) == 1);
    QCOMPARE(countOf(*out.page(1), QStringLiteral("Note")), 0);
    QVERIFY(qAbs(topOf(*out.page(1), QStringLiteral("Count")) - (kMargin + 48 + 8)) < 0.01);
    const QImage charts = paint(out, 1);
    QRectF pieBox;
    for (const auto& item : out.page(1)->items) {
        if (item.kind != vrep::PageItem::Chart)
            continue;
        pieBox = item.source == QLatin1String("Pie") ? item.box : pieBox;
        const QRect box = item.box.toRect();
        int coloured = 0;
        for (int y = box.top(); y < box.bottom(); y += 2)
            for (int x = box.left(); x < box.right(); x += 2)
                coloured += charts.pixelColor(x, y).saturation() > 150;
        QVERIFY2(coloured > 200, qPrintable(item.source));
    }

    // Every legend entry lands inside the pie's box, and every count on a
    // slice stands out from the slice's colour; a pie keeps the rows' order.
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
    };
    QStringList entries, numbers;
    for (int i = 12; i >= 1; --i) {
        entries << vrep::pieLegendText(i, 78, QString::number(i));
        numbers << QString::number(i);
    }
    for (int legendPixels : { 11, 20 }) { // the report's legend font, and one that needs two columns
        pie.legendFont = r.font(legendPixels);
        PageReader reader;
        QPainter painter(&reader);
        r.report.prepare().paintPage(painter, 1);
        QStringList legend, counts;
        for (const PageReader::Text& t : reader.texts) {
            if (!pieBox.contains(t.box.center()) || t.text == pie.title)
                continue;
            QVERIFY2(pieBox.contains(t.box), qPrintable(t.text));
            (t.text.contains(QLatin1Char('%')) ? legend : counts) << t.text;
            const double slice = luminance(vrep::pointColour(12 - t.text.toInt())), text = luminance(t.colour);
            QVERIFY2(
                legend.contains(t.text) || std::max(slice, text) / std::min(slice, text) >= 4.5, qPrintable(t.text));
        }
        QCOMPARE(legend, entries);
        QCOMPARE(counts, numbers);
    }
}

void TestReportEngine::pdfPrinterAndPreview()
{
    const QString question = QStringLiteral("¿Le gusta \"esto\" o l'otro?");
    fill(400, question);
    TestReport r(openRows());
    const QString path = m_data->path(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    r.report.print(printer);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(path), QPdfDocument::Error::None);
    const int pages = pdf.pageCount();
    QCOMPARE(pages, 20); // 20 rows on the first page, 21 on the others, the summary beside the last two
    QVERIFY(pdf.getAllText(0).text().contains(question));
    const QSizeF size = pdf.pagePointSize(0);
    QVERIFY(qAbs(size.width() - 612) < 1 && qAbs(size.height() - 792) < 1); // Letter
    // Every page the preview shows holds the words of the printed page, in
    // whatever order the user moves: to the last page and back first.
    const auto words = [](const QString& text) {
        QStringList list = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        list.sort();
        return list;
    };
    std::vector<QStringList> printed;
    for (int p = 0; p < pages; ++p)
        printed.push_back(words(pdf.getAllText(p).text()));

    const QString saved = m_data->path(QStringLiteral("saved.pdf"));
    bool checked = false;
    whenModal(
        [&](QWidget* modal) {
            auto* preview = qobject_cast<vrep::PreviewWindow*>(modal);
            QVERIFY(preview);
            QCOMPARE(preview->pageCount(), pages);
            QCOMPARE(preview->zoomFactor(), 1.0); // the report's zoom, 100 %
            QVERIFY(!preview->button(QStringLiteral("PriorPage"))->isEnabled());
            const auto shownWords = [&] {
                QStringList texts;
                for (const auto& item : preview->report()->page(preview->currentPage())->items)
                    texts << item.text;
                return preview->shownPage().isNull() ? QStringList() : words(texts.join(QLatin1Char(' ')));
            };
            preview->button(QStringLiteral("LastPage"))->click();
            QCOMPARE(preview->currentPage(), pages - 1);
            QVERIFY(!preview->button(QStringLiteral("NextPage"))->isEnabled());
            QCOMPARE(shownWords(), printed.back());
            preview->button(QStringLiteral("FirstPage"))->click();
            for (int p = 0; p < pages; ++p, preview->button(QStringLiteral("NextPage"))->click()) {
                QCOMPARE(preview->currentPage(), p);
                QCOMPARE(shownWords(), printed[size_t(p)]);
            }
            preview->button(QStringLiteral("PriorPage"))->click();
            QCOMPARE(preview->currentPage(), pages - 2);
            // The page's width fills the view; then the whole page shows, its
            // foot included, and fills the view one way.
            preview->button(QStringLiteral("PageWidth"))->click();
            const double width = preview->pageSize(0).width() * preview->zoomFactor();
            QVERIFY(width < preview->view()->viewport()->width() && width > preview->view()->viewport()->width() * 0.9);
            preview->button(QStringLiteral("WholePage"))->click();
            const QSize room = preview->view()->viewport()->size();
            const QSizeF page = preview->pageSize(0) * preview->zoomFactor();
            QVERIFY(page.height() <= room.height() && page.width() <= room.width());
            QVERIFY(page.height() > room.height() * 0.9 || page.width() > room.width() * 0.9);
            QVERIFY(preview->saveTo(saved));
            QVERIFY(!preview->loadFrom(m_data->path(QStringLiteral("missing.pdf"))));
            QCOMPARE(preview->pageCount(), pages); // a bad file leaves the pages shown
            QVERIFY(preview->loadFrom(path));
            QVERIFY(!preview->report() && preview->pageCount() == pages && !preview->shownPage().isNull());
            checked = true;
            findButton(preview, QStringLiteral("Cerrar"))->click();
        },
        20000);
    r.report.preview();
    QVERIFY(checked);
    QCOMPARE(pdf.load(saved), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), pages);
    QCOMPARE(words(pdf.getAllText(pages - 1).text()), printed.back());
    // Pages 2 to 3 chosen in the print dialog: only those are printed.
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    r.report.print(printer);
    QCOMPARE(pdf.load(path), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 2);
    QCOMPARE(words(pdf.getAllText(1).text()), printed[2]);
}

QTEST_MAIN(TestReportEngine)
#include "tst_report_engine.moc"
