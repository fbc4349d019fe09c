#include "report.h"

#include "preview.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>

namespace vrep {

// ---- Prepared pages --------------------------------------------------------

void PreparedReport::paintPage(QPainter& painter, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    painter.save();
    painter.fillRect(QRectF(QPointF(0, 0), pageSize), Qt::white);
    for (const PageItem& item : pages[size_t(page)].items) {
        switch (item.kind) {
        case PageItem::Text:
            painter.setFont(item.font);
            painter.setPen(item.colour);
            painter.drawText(item.box, item.alignment | Qt::TextSingleLine, item.text);
            break;
        case PageItem::Line:
            painter.setPen(QPen(item.colour, 1));
            painter.drawLine(item.box.topLeft(), item.box.topRight());
            break;
        case PageItem::Picture: {
            painter.save();
            painter.setClipRect(item.box);
            const QSizeF size = item.picture.size();
            const QPointF corner = item.box.center() - QPointF(size.width() / 2, size.height() / 2);
            painter.drawImage(QRectF(corner, size), item.picture);
            painter.restore();
            break;
        }
        case PageItem::Chart:
            if (item.chart) {
                painter.save();
                painter.setClipRect(item.box);
                item.chart->paint(painter, item.box);
                painter.restore();
            }
            break;
        }
    }
    painter.restore();
}

static void paintAll(
    const PreparedReport& report, QPagedPaintDevice& device, QPainter& painter, int first = 0, int last = -1)
{
    const QRectF target = painter.viewport();
    const double scale = target.width() / report.pageSize.width();
    if (last < 0 || last >= report.pageCount())
        last = report.pageCount() - 1;
    for (int p = std::max(first, 0); p <= last; ++p) {
        if (p > std::max(first, 0))
            device.newPage();
        painter.save();
        painter.scale(scale, scale);
        report.paintPage(painter, p);
        painter.restore();
    }
}

void PreparedReport::print(QPrinter& printer) const
{
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    // The pages the print dialog asked for; 0 in both bounds means all.
    int first = 0, last = -1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = printer.toPage() > 0 ? printer.toPage() - 1 : -1;
    }
    if (first >= pageCount() || (last >= 0 && last < first))
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    paintAll(*this, printer, painter, first, last);
    painter.end();
}

bool PreparedReport::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Vesmarin"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    paintAll(*this, writer, painter);
    return painter.end();
}

// ---- Printables --------------------------------------------------------------

Printable::Printable(Band* band, const QString& name, const QRect& geometry)
    : m_band(band)
    , m_name(name)
    , m_geometry(geometry)
{
}

void TextPrintable::printText(PreparedPage& page, const QPointF& origin, const QString& text)
{
    const double bandWidth = m_band->report()->printableWidth();
    PageItem item;
    item.kind = PageItem::Text;
    item.font = m_font;
    item.colour = m_colour;
    item.source = m_name;
    const QFontMetricsF metrics(m_font);
    const double textWidth = metrics.horizontalAdvance(text) + 1;
    if (m_centred) {
        item.box = QRectF(origin.x(), origin.y() + m_geometry.top(), bandWidth,
            std::max<double>(m_geometry.height(), metrics.height()));
        item.alignment = Qt::AlignHCenter | Qt::AlignTop;
        item.text = text;
    } else {
        // The text grows to its own width, but no further than its limit or
        // the paper's edge.
        const double limit = m_maxWidth > 0 ? m_maxWidth : bandWidth + m_band->report()->margin() - m_geometry.left();
        const double width = std::min(std::max<double>(m_geometry.width(), textWidth), limit);
        item.box = QRectF(origin.x() + m_geometry.left(), origin.y() + m_geometry.top(), width,
            std::max<double>(m_geometry.height(), metrics.height()));
        item.text = textWidth > width ? metrics.elidedText(text, Qt::ElideRight, width) : text;
    }
    if (item.text.isEmpty())
        return;
    page.items.push_back(std::move(item));
}

void Label::print(PreparedPage& page, const QPointF& origin, RunContext&)
{
    printText(page, origin, m_caption);
}

void DBText::setDataField(vdb::DataSet* dataSet, const QString& field)
{
    m_dataSet = dataSet;
    m_field = field;
}

void DBText::print(PreparedPage& page, const QPointF& origin, RunContext& run)
{
    if (!run.onRow || !m_dataSet || !m_dataSet->active())
        return;
    printText(page, origin, m_dataSet->fieldByName(m_field).asString());
}

void DBImage::setDataField(vdb::DataSet* dataSet, const QString& field)
{
    m_dataSet = dataSet;
    m_field = field;
}

void DBImage::print(PreparedPage& page, const QPointF& origin, RunContext& run)
{
    // The detail band of an empty run has no row; pictures of other
    // datasets (the summary's) print from their own current row.
    if (!m_dataSet || !m_dataSet->active() || m_dataSet->isEmpty())
        return;
    if (m_band->kind() == Band::Detail && !run.onRow)
        return;
    // The dataset decodes each distinct picture once: rows showing the same
    // one share it, however many pages there are.
    const QImage picture = m_dataSet->fieldByName(m_field).asImage();
    if (picture.isNull())
        return;
    PageItem item;
    item.kind = PageItem::Picture;
    item.box = QRectF(origin + QPointF(m_geometry.topLeft()), QSizeF(m_geometry.size()));
    item.picture = picture;
    item.source = m_name;
    page.items.push_back(std::move(item));
}

SysData::SysData(Band* band, const QString& name, const QRect& geometry, Data data)
    : TextPrintable(band, name, geometry)
    , m_data(data)
{
}

void SysData::print(PreparedPage& page, const QPointF& origin, RunContext& run)
{
    QString text;
    switch (m_data) {
    case ReportTitle:
        text = run.report->title();
        break;
    case Date:
        text = QLocale::system().toString(run.date, QLocale::ShortFormat);
        break;
    case PageNumber:
        text = QString::number(run.page);
        break;
    }
    printText(page, origin, text);
}

void Shape::print(PreparedPage& page, const QPointF& origin, RunContext&)
{
    PageItem item;
    item.kind = PageItem::Line;
    item.box = QRectF(origin + QPointF(m_geometry.topLeft()), QSizeF(m_geometry.width(), 0));
    item.source = m_name;
    page.items.push_back(std::move(item));
}

void Expr::reset()
{
    m_value = 0;
}

void Expr::accumulate(vdb::DataSet* row)
{
    const QString e = m_expression.trimmed();
    if (e.compare(QLatin1String("COUNT"), Qt::CaseInsensitive) == 0) {
        ++m_value;
        return;
    }
    static const QRegularExpression sum(
        QStringLiteral("^SUM\\s*\\(\\s*(\\w+)\\s*\\)$"), QRegularExpression::CaseInsensitiveOption);
    const auto match = sum.match(e);
    if (match.hasMatch() && row && row->findField(match.captured(1)))
        m_value += row->fieldByName(match.captured(1)).asString().toLongLong();
}

void Expr::print(PreparedPage& page, const QPointF& origin, RunContext&)
{
    if (m_expression.trimmed().isEmpty())
        return;
    printText(page, origin, QString::number(m_value));
}

// ---- Bands ---------------------------------------------------------------------

Band::Band(Report* report, const QString& name, Kind kind, int height)
    : m_report(report)
    , m_name(name)
    , m_kind(kind)
    , m_height(height)
{
}

void Band::print(PreparedPage& page, const QPointF& origin, RunContext& run)
{
    for (const auto& printable : m_printables)
        if (printable->enabled())
            printable->print(page, origin, run);
}

// ---- The report ----------------------------------------------------------------

Report::Report(QObject* parent)
    : QObject(parent)
    , m_title(QStringLiteral("Reporte"))
{
}

Report::~Report() = default;

Band* Report::addBand(const QString& name, Band::Kind kind, int height)
{
    m_bands.push_back(std::make_unique<Band>(this, name, kind, height));
    return m_bands.back().get();
}

Band* Report::band(Band::Kind kind) const
{
    for (const auto& b : m_bands)
        if (b->kind() == kind)
            return b.get();
    return nullptr;
}

Printable* Report::printable(const QString& name) const
{
    for (const auto& b : m_bands)
        for (const auto& p : b->printables())
            if (p->name() == name)
                return p.get();
    return nullptr;
}

namespace {

// Lays bands out on pages: a band that does not fit above the page footer
// starts a new page, which begins with the column header.
class Paginator
{
public:
    Paginator(Report& report, PreparedReport& out, RunContext& run)
        : m_report(report)
        , m_out(out)
        , m_run(run)
    {
        m_footer = report.band(Band::PageFooter);
        m_header = report.band(Band::ColumnHeader);
        m_top = report.margin();
        m_footerTop = report.pageSize().height() - report.margin() - (m_footer ? m_footer->height() : 0);
    }

    void start()
    {
        startPage();
        if (Band* title = m_report.band(Band::Title))
            place(title);
        if (m_header)
            place(m_header);
    }

    void place(Band* band)
    {
        const bool pageHoldsOnlyHeader = m_y <= m_bodyStart;
        if (m_y + band->height() > m_footerTop + 0.001 && !pageHoldsOnlyHeader) {
            finishPage();
            startPage();
            if (m_header) {
                emitBand(m_header);
            }
            m_bodyStart = m_y;
        }
        emitBand(band);
    }

    void finish() { finishPage(); }

private:
    void startPage()
    {
        m_out.pages.emplace_back();
        m_run.page = int(m_out.pages.size());
        m_y = m_top;
        m_bodyStart = m_top - 1; // the first page starts with the title: nothing to guard yet
    }

    void emitBand(Band* band)
    {
        band->print(m_out.pages.back(), QPointF(m_report.margin(), m_y), m_run);
        m_y += band->height();
    }

    void finishPage()
    {
        if (m_footer)
            m_footer->print(m_out.pages.back(), QPointF(m_report.margin(), m_footerTop), m_run);
        // A long report holds many pages at once: none keeps room to spare.
        m_out.pages.back().items.shrink_to_fit();
    }

    Report& m_report;
    PreparedReport& m_out;
    RunContext& m_run;
    Band* m_footer = nullptr;
    Band* m_header = nullptr;
    double m_top = 0;
    double m_footerTop = 0;
    double m_y = 0;
    double m_bodyStart = 0;
};

} // namespace

PreparedReport Report::prepare()
{
    PreparedReport out;
    out.pageSize = m_pageSize;
    out.zoom = m_zoom;
    RunContext run;
    run.report = this;
    run.date = QDate::currentDate();

    std::vector<Expr*> expressions;
    for (const auto& b : m_bands)
        for (const auto& p : b->printables())
            if (auto* e = dynamic_cast<Expr*>(p.get())) {
                e->reset();
                expressions.push_back(e);
            }

    Paginator pages(*this, out, run);
    pages.start();
    Band* detail = band(Band::Detail);
    vdb::DataSet* data = m_dataSet;
    bool anyRow = false;
    if (data && data->active()) {
        data->first();
        while (!data->eof() && !data->isEmpty()) {
            anyRow = true;
            for (Expr* e : expressions)
                e->accumulate(data);
            run.onRow = true;
            if (detail)
                pages.place(detail);
            data->next();
        }
    }
    run.onRow = false;
    if (!anyRow && m_printIfEmpty && detail)
        pages.place(detail);
    if (Band* summary = band(Band::Summary))
        pages.place(summary);
    pages.finish();
    return out;
}

void Report::preview(QWidget* parent)
{
    auto prepared = std::make_shared<PreparedReport>(prepare());
    PreviewWindow window(prepared, parent);
    emit previewOpened(&window);
    window.exec();
}

void Report::print(QPrinter& printer)
{
    prepare().print(printer);
}

// ---- Position keeping ------------------------------------------------------------

PositionKeeper::PositionKeeper(vdb::DataSet* dataSet)
    : m_dataSet(dataSet)
    , m_recNo(dataSet->recNo())
    , m_eof(dataSet->eof())
    , m_bof(dataSet->bof())
{
}

PositionKeeper::~PositionKeeper()
{
    if (!m_dataSet->active() || m_recNo < 0)
        return;
    m_dataSet->first();
    for (int i = 0; i < m_recNo && !m_dataSet->eof(); ++i)
        m_dataSet->next();
    if (m_eof)
        m_dataSet->next();
    Q_UNUSED(m_bof);
}

} // namespace vrep
