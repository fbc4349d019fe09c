#include "report.h"

#include "preview.h"

#include "platform/ui/picture_controls.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vrep {

// ---- Prepared pages --------------------------------------------------------

namespace {

// Puts a dataset on a row, or past its last row for -1, the shortest way:
// from its first row, its last row or where it stands.
void moveTo(vdb::DataSet* data, int row)
{
    const int count = data->recordCount();
    if (count == 0)
        return;
    if (row < 0 || row >= count) {
        data->last();
        data->next();
        return;
    }
    int here = data->recNo();
    const int fromHere = here < 0 ? count : std::abs(row - here);
    if (row < fromHere && row <= count - 1 - row) {
        data->first();
        here = 0;
    } else if (count - 1 - row < fromHere) {
        data->last();
        here = count - 1;
    }
    for (; here < row; ++here)
        data->next();
    for (; here > row; --here)
        data->prior();
}

} // namespace

std::shared_ptr<const PreparedPage> PreparedReport::page(int index) const
{
    for (auto kept = m_kept.begin(); kept != m_kept.end(); ++kept)
        if (kept->first == index) {
            auto found = *kept;
            m_kept.erase(kept);
            m_kept.push_back(found);
            return found.second;
        }
    auto out = std::make_shared<PreparedPage>();
    if (index < 0 || index >= pageCount() || !m_report)
        return out;
    RunContext run;
    run.report = m_report;
    run.page = index + 1;
    run.date = m_date;
    for (const auto& [expr, value] : m_values)
        expr->setValue(value);
    vdb::DataSet* data = m_data && m_data->active() ? m_data.data() : nullptr;
    const int back = data && !data->eof() ? data->recNo() : -1;
    for (size_t i = m_pageStart[size_t(index)]; i < m_pageStart[size_t(index) + 1]; ++i) {
        const Placement& at = m_placements[i];
        if (data)
            moveTo(data, at.row);
        run.onRow = at.onRow;
        at.band->print(*out, QPointF(m_report->margin(), at.top), run);
    }
    if (data)
        moveTo(data, back);
    m_kept.emplace_back(index, out);
    if (m_kept.size() > kKeptPages)
        m_kept.erase(m_kept.begin());
    return out;
}

void PreparedReport::paintPage(QPainter& painter, int index) const
{
    if (index < 0 || index >= pageCount())
        return;
    const std::shared_ptr<const PreparedPage> page = this->page(index);
    painter.save();
    painter.fillRect(QRectF(QPointF(0, 0), pageSize), Qt::white);
    for (const PageItem& item : page->items) {
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
            // At its own size, or scaled down to its box; on whole pixels, so
            // that it is drawn pixel for pixel.
            const QSize size = vui::fittedSize(item.picture.size(), item.box.size().toSize());
            const QPointF corner(std::round(item.box.left() + (item.box.width() - size.width()) / 2),
                std::round(item.box.top() + (item.box.height() - size.height()) / 2));
            vui::drawPicture(painter, QRectF(corner, QSizeF(size)), item.picture);
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

void Expr::run(vdb::DataSet* rows)
{
    m_value = 0;
    if (!rows || !rows->active() || rows->isEmpty())
        return;
    const QString e = m_expression.trimmed();
    if (e.compare(QLatin1String("COUNT"), Qt::CaseInsensitive) == 0) {
        m_value = rows->recordCount();
        return;
    }
    static const QRegularExpression sum(
        QStringLiteral("^SUM\\s*\\(\\s*(\\w+)\\s*\\)$"), QRegularExpression::CaseInsensitiveOption);
    const auto match = sum.match(e);
    if (!match.hasMatch() || !rows->findField(match.captured(1)))
        return;
    const vdb::Field field = rows->fieldByName(match.captured(1));
    for (rows->first(); !rows->eof(); rows->next())
        m_value += field.asString().toLongLong();
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

// Decides where bands go: a band that does not fit above the page footer
// starts a new page, which begins with the column header. Every band's
// height is fixed, so no page needs to be drawn for this.
class Paginator
{
public:
    Paginator(Report& report, std::vector<PreparedReport::Placement>& placements, std::vector<size_t>& pageStart)
        : m_report(report)
        , m_placements(placements)
        , m_pageStart(pageStart)
    {
        m_footer = report.band(Band::PageFooter);
        m_header = report.band(Band::ColumnHeader);
        m_footerTop = report.pageSize().height() - report.margin() - (m_footer ? m_footer->height() : 0);
        m_y = report.margin();
        m_bodyStart = m_y - 1; // the first page starts with the title: nothing to guard yet
        if (Band* title = m_report.band(Band::Title))
            add(title, -1, false);
        if (m_header)
            add(m_header, -1, false);
    }

    void place(Band* band, int row, bool onRow)
    {
        const bool pageHoldsOnlyHeader = m_y <= m_bodyStart;
        if (m_y + band->height() > m_footerTop + 0.001 && !pageHoldsOnlyHeader) {
            finishPage(row, onRow);
            m_y = m_report.margin();
            if (m_header)
                add(m_header, row, onRow);
            m_bodyStart = m_y;
        }
        add(band, row, onRow);
    }

    void finish() { finishPage(-1, false); }

private:
    void add(Band* band, int row, bool onRow)
    {
        m_placements.push_back({ band, m_y, row, onRow });
        m_y += band->height();
    }

    void finishPage(int row, bool onRow)
    {
        if (m_footer)
            m_placements.push_back({ m_footer, m_footerTop, row, onRow });
        m_pageStart.push_back(m_placements.size());
    }

    Report& m_report;
    std::vector<PreparedReport::Placement>& m_placements;
    std::vector<size_t>& m_pageStart;
    Band* m_footer = nullptr;
    Band* m_header = nullptr;
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
    out.m_report = this;
    out.m_data = m_dataSet;
    out.m_date = QDate::currentDate();
    vdb::DataSet* data = m_dataSet && m_dataSet->active() ? m_dataSet.data() : nullptr;
    for (const auto& b : m_bands)
        for (const auto& p : b->printables())
            if (auto* e = dynamic_cast<Expr*>(p.get())) {
                e->run(data);
                out.m_values.emplace_back(e, e->value());
            }

    Paginator pages(*this, out.m_placements, out.m_pageStart);
    Band* detail = band(Band::Detail);
    const int rows = data ? data->recordCount() : 0;
    for (int row = 0; detail && row < rows; ++row)
        pages.place(detail, row, true);
    if (rows == 0 && m_printIfEmpty && detail)
        pages.place(detail, -1, false);
    if (Band* summary = band(Band::Summary))
        pages.place(summary, -1, false);
    pages.finish();
    if (data)
        moveTo(data, -1); // where a walk over every row leaves it
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
