// The banded report engine over real tables: pagination, pictures, charts, PDF and preview.

#include "platform/report/charts.h"
#include "platform/report/preview.h"
#include "platform/report/report.h"
#include "platform/ui/fonts.h"
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

QStringList textsOf(const vrep::PreparedPage& page, const char* source = nullptr) // every text when null
{
    QStringList out;
    for (const auto& item : page.items)
        if (!source || item.source == QLatin1String(source))
            out << item.text;
    return out;
}

QRectF boxOf(const vrep::PreparedPage& page, const char* source)
{
    for (const auto& item : page.items)
        if (item.source == QLatin1String(source))
            return item.box;
    return {};
}

// Reads a page as it is drawn: every text, where it lands and in which colour.
class PageReader : public QImage, QPaintEngine
{
public:
    std::vector<std::tuple<QString, QRectF, QColor>> texts; // text, where, colour

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
        texts.emplace_back(item.text(), painter()->combinedTransform().mapRect(box), painter()->pen().color());
    }
    Type type() const override { return User; }
};

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModuleData> m_data;

    std::unique_ptr<vrep::Report> m_report;

    // Icons and counts 1..rows, average 2, in `order`; icon 1's picture 66 x 20, the others' 20 x 10. Reported with
    // title 43, header 48, detail 41, footer 40, Letter, 10 mm margins: 20 details, then 21 a page.
    vrep::Report* report(int rows, int summaryHeight, const QString& order = "icono")
    {
        QImage small(20, 10, QImage::Format_RGB32);
        small.fill(Qt::blue);
        const QImage wide = small.scaled(66, 20);
        DataModule6->Table3->open(); // before the transaction, which can attach no file
        vdb::Transaction tx(kDatabaseName);
        for (int i = 1; i <= rows; ++i)
            writeResult(1, "¿Le gusta \"esto\" o l'otro?", i, i, 2, i == 1 ? wide : small);
        tx.commit();
        vdb::Query* data = DataModule6->Query3;
        data->clearSql();
        data->addSql("SELECT * FROM tesis ORDER BY " + order);
        data->open();
        m_report = std::make_unique<vrep::Report>();
        m_report->setDataSet(data);
        m_report->setTitle("Informe de prueba");
        m_report->addBand("Title", vrep::Band::Title, 43)
            ->add<vrep::SysData>("TitleText", QRect(316, 0, 107, 26), vrep::SysData::ReportTitle);
        m_report->addBand("Header", vrep::Band::ColumnHeader, 48)
            ->add<vrep::Label>("HeaderText", QRect(16, 8, 60, 17))
            ->setCaption("CABECERA");
        auto* detail = m_report->addBand("Detail", vrep::Band::Detail, 41);
        detail->add<vrep::DBText>("Question", QRect(80, 8, 60, 17))->setDataField(data, "Pregunta");
        detail->add<vrep::DBText>("Icon", QRect(454, 8, 60, 17))->setDataField(data, "Icono");
        detail->add<vrep::DBImage>("Picture", QRect(504, 0, 33, 33))->setDataField(data, "Grafico");
        auto* summary = m_report->addBand("Summary", vrep::Band::Summary, summaryHeight);
        summary->add<vrep::Expr>("Count", QRect(160, 8, 60, 17))->setExpression("COUNT");
        summary->add<vrep::Expr>("Sum", QRect(260, 8, 60, 17))->setExpression("SUM(Rep_icono)");
        m_report->addBand("Footer", vrep::Band::PageFooter, 40)
            ->add<vrep::SysData>("PageNo", QRect(712, 16, 41, 17), vrep::SysData::PageNumber);
        return m_report.get();
    }

private slots:
    void initTestCase()
    {
        vui::installFontSubstitutions();
        QFont font("Arial Narrow"); // every text's unless set
        font.setPixelSize(13);
        QGuiApplication::setFont(font);
    }
    void init() { m_data = std::make_unique<ModuleData>(); }
    void cleanup() { m_data.reset(); }

    void pagination_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("summaryHeight");
        QTest::addColumn<QString>("pages"); // detail rows per page; on the summary's, its count and sum
        QTest::newRow("no rows: one empty detail band") << 0 << 522 << "0: 0 0";
        QTest::newRow("summary just fits") << 18 << 111 << "18: 18 171";
        QTest::newRow("summary a pixel too tall") << 18 << 112 << "18|0: 18 171";
        QTest::newRow("first page full of rows") << 20 << 100 << "20|0: 20 210";
        QTest::newRow("detail spills") << 21 << 100 << "20|1: 21 231";
        QTest::newRow("summary alone on the fourth") << 62 << 100 << "20|21|21|0: 62 1953";
    }

    void pagination()
    {
        QFETCH(int, rows);
        QFETCH(int, summaryHeight);
        vrep::Report* r = report(rows, summaryHeight);
        // The expressions are computed afresh on each run.
        for (int run = 0; run < 2; ++run) {
            const vrep::PreparedReport out = r->prepare();
            QStringList pages;
            for (int p = 0; p < out.pageCount(); ++p) {
                const vrep::PreparedPage& page = *out.page(p);
                QCOMPARE((textsOf(page, "TitleText") + textsOf(page, "HeaderText") + textsOf(page, "PageNo")).join('|'),
                    QStringLiteral("%1CABECERA|%2").arg(p ? "" : "Informe de prueba|").arg(p + 1));
                const QStringList sums = textsOf(page, "Count") + textsOf(page, "Sum");
                pages << QString::number(textsOf(page, "Icon").size()) + (sums.isEmpty() ? "" : ": " + sums.join(' '));
            }
            QTEST(pages.join(QLatin1Char('|')), "pages");
            // An empty run still gives the detail band its height: the summary sits below it.
            if (rows == 0)
                QVERIFY(qAbs(boxOf(*out.page(0), "Count").top() - (kMargin + 43 + 48 + 41 + 8)) < 0.01);
        }
    }

    // One report from start to paper: charts and pictures laid out, printed, previewed, saved and loaded.
    void chartsPrintAndPreview()
    {
        QCOMPARE(vrep::pieLegendText(2, 3, "7") + '|' + vrep::pieLegendText(0, 0, "2"), "67 % 7|0 % 2");
        vrep::Report* r = report(12, 522, "Rep_icono DESC");
        vdb::Query* q = DataModule6->Query3;
        vrep::Band* summary = r->band(vrep::Band::Summary);
        auto* bars = summary->add<vrep::Chart>("Bars", QRect(16, 100, 337, 268), vrep::ChartSettings::Bar);
        auto* pieChart = summary->add<vrep::Chart>("Pie", QRect(384, 100, 337, 268), vrep::ChartSettings::Pie);
        for (vrep::Chart* c : { bars, pieChart }) {
            c->setDataSet(q);
            c->chart().series.valueField = QLatin1String(c == bars ? "Promedio" : "Rep_icono");
            c->chart().series.xField = c->chart().series.labelField = "Icono";
        }
        vrep::ChartSettings& pie = pieChart->chart();
        pie.title = "NÚMERO DE REPETICIONES";
        pie.legendShowsPercent = pie.series.marksVisible = true;
        const QStringList numbers = QString("12 11 10 9 8 7 6 5 4 3 2 1").split(' '); // the rows' order
        QStringList entries;
        for (const QString& n : numbers)
            entries << vrep::pieLegendText(n.toInt(), 78, n);

        // Reading a chart's points puts the cursor back; they ascend in X whatever the rows' order.
        q->next();
        const auto points = vrep::readPoints(q, bars->chart().series, true);
        QVERIFY(q->recNo() == 1 && points.size() == 12 && points[0].value == 2.0 && points[0].label == "1"
            && points[11].label == "12");
        // A run starts from the first row even with the cursor at the end, as after a scan.
        q->last();
        q->next();
        const vrep::PreparedReport out = r->prepare();
        QCOMPARE(textsOf(*out.page(0), "Icon"), numbers);
        // The summary, charts and all, went on to the second page, right under its column header; laying out
        // that page put the cursor back where it was.
        q->first();
        QCOMPARE(textsOf(*out.page(0), "Count") + textsOf(*out.page(0), "Pie") + textsOf(*out.page(1), "Count"),
            QStringList { "12" });
        QVERIFY(qAbs(boxOf(*out.page(1), "Count").top() - (kMargin + 48 + 8)) < 0.01 && q->recNo() == 0);

        // Legend inside the pie's box and clear of its title, counts in contrast with their slice, in the rows' order.
        auto luminance = [](const QColor& c) {
            auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
        };
        const QRectF pieBox = boxOf(*out.page(1), "Pie");
        for (int legendPixels : { 11, 20 }) { // the report's legend font, and one that needs two columns
            pie.legendFont.setPixelSize(legendPixels);
            PageReader reader;
            QPainter painter(&reader);
            r->prepare().paintPage(painter, 1);
            QStringList legend, counts;
            QSet<int> columns; // where legend entries start
            QRectF title;
            for (const auto& [text, box, colour] : reader.texts) {
                if (text == pie.title)
                    title = box;
                if (!pieBox.contains(box.center()) || text == pie.title)
                    continue;
                QVERIFY2(pieBox.contains(box) && !box.intersects(title), qPrintable(text));
                (text.contains(QLatin1Char('%')) ? legend : counts) << text;
                if (text.contains(QLatin1Char('%')))
                    columns << qRound(box.left());
                const double slice = luminance(vrep::pointColour(12 - text.toInt())), ink = luminance(colour);
                QVERIFY2(legend.contains(text) || std::max(slice, ink) / std::min(slice, ink) >= 4.5, qPrintable(text));
            }
            QCOMPARE(legend, entries);
            QCOMPARE(counts, numbers);
            QCOMPARE(columns.size(), legendPixels == 20 ? 2 : 1);
        }

        // Printed on Letter paper, a page a sheet, every text laid out on it.
        const QString path = m_data->path("out.pdf"), saved = m_data->path("s.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(path); // a PDF, by its name
        r->print(printer);
        // The words of a text, sorted: a page's words whatever their drawing order.
        const auto words = [](const QString& text) {
            QStringList list = text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
            list.sort();
            return list;
        };
        QPdfDocument pdf;
        const auto pdfPages = [&pdf, words](const QString& file) { // each page's words, none when it does not load
            QList<QStringList> pages;
            pdf.load(file);
            for (int p = 0; p < pdf.pageCount(); ++p)
                pages << words(pdf.getAllText(p).text());
            return pages;
        };
        const QList<QStringList> printed = pdfPages(path);
        QCOMPARE(printed.size(), 2);
        QCOMPARE(pdf.pagePointSize(0).toSize(), QSize(612, 792));
        QCOMPARE(printed[0], words(textsOf(*out.page(0)).join(' ')));
        // A picture within its 33 x 33 box is centred as is; a wider one shrinks to its width, proportions kept.
        const QImage page = pdf.render(0, QSize(816, 1056)).convertToFormat(QImage::Format_RGB16); // rounding aside
        const auto at = [&](int row, int dx, int dy) {
            return page.pixelColor(
                QPointF(kMargin + 504 + 16.5 + dx, kMargin + 43 + 48 + 41 * row + 16.5 + dy).toPoint());
        };
        QVERIFY(at(0, 0, 0) == Qt::blue && at(0, 8, 3) == Qt::blue && at(0, 0, 8) == Qt::white
            && at(0, 12, 0) == Qt::white);
        QVERIFY(at(11, 15, 0) == Qt::blue && at(11, -15, 0) == Qt::blue && at(11, 0, 7) == Qt::white);
        const QImage charts = pdf.render(1, QSize(816, 1056));
        for (const char* chart : { "Bars", "Pie" }) {
            const QRect box = boxOf(*out.page(1), chart).toRect();
            int coloured = 0;
            for (int y = box.top(); y < box.bottom(); y += 2)
                for (int x = box.left(); x < box.right(); x += 2)
                    coloured += charts.pixelColor(x, y).saturation() > 150;
            QVERIFY2(coloured > 2000, chart); // bars or slices, not only the legend's boxes
        }

        // The preview: moving between its pages, fitting them to the view, saving them and loading a file.
        vrep::PreviewWindow preview(std::make_shared<vrep::PreparedReport>(r->prepare()));
        // At the report's zoom, 100 %.
        QVERIFY(showActive(&preview) && preview.pageCount() == 2 && preview.zoomFactor() == 1.0);
        // After a press: the page shown, whether first, prior, next and last are enabled, and "new" when its
        // picture differs from the one shown before.
        QImage before;
        const auto press = [&](const char* name) {
            preview.button(QLatin1String(name))->click();
            QString state = QString::number(preview.currentPage());
            for (const char* b : { "FirstPage", "PriorPage", "NextPage", "LastPage" })
                state += preview.button(QLatin1String(b))->isEnabled() ? '+' : '-';
            const bool fresh = !preview.shownPage().isNull() && preview.shownPage() != before;
            before = preview.shownPage();
            return state + (fresh ? " new" : "");
        };
        QCOMPARE(QStringList({ press("LastPage"), press("FirstPage"), press("NextPage"), press("PriorPage") }),
            QStringList({ "1++-- new", "0--++ new", "1++-- new", "0--++ new" }));
        // Page width fills the view; whole page shows all of it, filling one way.
        press("PageWidth");
        const double width = preview.pageSize(0).width() * preview.zoomFactor();
        QVERIFY(width < preview.view()->viewport()->width() && width > preview.view()->viewport()->width() * 0.9);
        press("WholePage");
        const QSizeF shown = preview.pageSize(0) * preview.zoomFactor(), room = preview.view()->viewport()->size();
        QVERIFY(shown.height() <= room.height() && shown.width() <= room.width()
            && (shown.height() > room.height() * 0.9 || shown.width() > room.width() * 0.9));
        QVERIFY(preview.saveTo(saved));
        // A file that is no PDF leaves the pages shown; a PDF shows its own.
        QVERIFY(!preview.loadFrom(m_data->tablePath("tesis.DB")) && preview.pageCount() == 2);
        const QImage reportPage = preview.shownPage();
        QVERIFY(preview.loadFrom(path));
        QVERIFY(!preview.report() && preview.pageCount() == 2 && !preview.shownPage().isNull()
            && preview.shownPage() != reportPage);
        QCOMPARE(pdfPages(saved), printed); // the pages the preview saves are those printed, page for page
        // Pages 2 to 3 chosen, of two: only the second is printed.
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        r->print(printer);
        QCOMPARE(pdfPages(path), printed.mid(1));
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_report_engine.moc"
