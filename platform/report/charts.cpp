#include "charts.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vrep {

QColor pointColour(int index)
{
    static const QColor colours[] = { QColor(255, 0, 0), QColor(0, 200, 0), QColor(255, 220, 0), QColor(0, 0, 255),
        QColor(255, 0, 255), QColor(0, 200, 200), QColor(128, 0, 0), QColor(0, 128, 0), QColor(128, 128, 0),
        QColor(0, 0, 128), QColor(128, 0, 128), QColor(0, 128, 128), QColor(255, 128, 0), QColor(128, 128, 128) };
    constexpr int n = int(sizeof(colours) / sizeof(colours[0]));
    return colours[((index % n) + n) % n];
}

std::vector<ChartPoint> readPoints(vdb::DataSet* dataSet, const SeriesSettings& series, bool sortByX)
{
    std::vector<ChartPoint> points;
    if (!dataSet || !dataSet->active() || dataSet->isEmpty())
        return points;
    const auto valueField = dataSet->findField(series.valueField);
    const auto xField = series.xField.isEmpty() ? std::nullopt : dataSet->findField(series.xField);
    const auto labelField = series.labelField.isEmpty() ? std::nullopt : dataSet->findField(series.labelField);
    PositionKeeper keep(dataSet);
    int index = 0;
    for (dataSet->first(); !dataSet->eof(); dataSet->next()) {
        ChartPoint p;
        p.value = valueField ? dataSet->fieldByName(series.valueField).asString().toDouble() : 0;
        p.x = xField ? dataSet->fieldByName(series.xField).asString().toDouble() : index;
        p.label = labelField ? dataSet->fieldByName(series.labelField).asString() : QString();
        points.push_back(p);
        ++index;
    }
    if (sortByX)
        std::stable_sort(
            points.begin(), points.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
    return points;
}

QString pieLegendText(double value, double total, const QString& label)
{
    const double share = total > 0 ? 100.0 * value / total : 0;
    return QStringLiteral("%1 % %2").arg(QString::number(std::lround(share)), label);
}

// ---- Both charts are drawn directly onto the page, so that what a page
// shows is what was laid out (a chart library drops legend entries it has
// no room for) ---------------------------------------------------------------

namespace {

double niceStep(double range)
{
    if (range <= 0)
        return 1;
    const double raw = range / 5;
    const double magnitude = std::pow(10, std::floor(std::log10(raw)));
    for (double m : { 1.0, 2.0, 5.0, 10.0 })
        if (raw <= m * magnitude)
            return std::max(1.0, m * magnitude);
    return std::max(1.0, 10 * magnitude);
}

// The colour a text needs to be read on a fill: black or white, whichever
// stands out more (by the contrast of their relative luminances).
QColor textColourOn(const QColor& fill)
{
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const double l = 0.2126 * linear(fill.redF()) + 0.7152 * linear(fill.greenF()) + 0.0722 * linear(fill.blueF());
    return (l + 0.05) / 0.05 >= 1.05 / (l + 0.05) ? QColor(Qt::black) : QColor(Qt::white);
}

// What both chart kinds draw from: the settings and the points read.
class SeriesPicture : public ChartPicture
{
public:
    SeriesPicture(ChartSettings settings, std::vector<ChartPoint> points)
        : m_s(std::move(settings))
        , m_points(std::move(points))
    {
    }

protected:
    QColor colourOf(int i) const { return m_s.series.colourEachPoint ? pointColour(i) : m_s.series.colour; }

    // The gradient background and the centred title; returns the title's text box.
    QRectF paintFrame(QPainter& painter, const QRectF& box) const
    {
        QLinearGradient background(box.topLeft(), box.bottomLeft());
        background.setColorAt(0, Qt::white);
        background.setColorAt(1, m_s.gradientEnd);
        painter.fillRect(box, background);
        painter.setFont(m_s.titleFont);
        painter.setPen(m_s.titleColour);
        const QFontMetricsF metrics(m_s.titleFont);
        const double width = metrics.horizontalAdvance(m_s.title);
        const QRectF title(box.center().x() - width / 2, box.top() + 4, width, metrics.height());
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignTop, m_s.title);
        return title;
    }

    // The legend at the right edge, one entry per point in its colour, all of
    // them inside the box: in two columns, and then in a smaller font, when
    // one column does not fit. Returns the width it takes, margins included.
    double paintLegend(QPainter& painter, const QRectF& box, const QRectF& title, const QStringList& texts) const
    {
        if (!m_s.legendVisible || texts.isEmpty())
            return 0;
        double top = box.top() + box.height() * m_s.legendTopPercent / 100.0;
        // Room enough that the legend may also go under the title.
        const double room = box.bottom() - 4 - std::max(top, title.bottom() + 2);
        QFont font = m_s.legendFont;
        font.setPixelSize(QFontInfo(font).pixelSize());
        int columns = 1;
        int rows = int(texts.size());
        for (;;) {
            const double rowHeight = QFontMetricsF(font).height() + 1;
            columns = rowHeight * double(texts.size()) + 4 <= room ? 1 : 2;
            rows = (int(texts.size()) + columns - 1) / columns;
            if (rowHeight * rows + 4 <= room || font.pixelSize() <= 6)
                break;
            font.setPixelSize(font.pixelSize() - 1);
        }
        const QFontMetricsF metrics(font);
        const double rowHeight = metrics.height() + 1;
        double textWidth = 0;
        for (const QString& text : texts)
            textWidth = std::max(textWidth, metrics.horizontalAdvance(text));
        const double columnWidth = textWidth + 22;
        // A legend as wide as to reach under the title starts below it.
        const double left = box.right() - columnWidth * columns - 6;
        if (left < title.right() + 4 && top < title.bottom() + 2)
            top = std::min(title.bottom() + 2, box.bottom() - 4 - (rowHeight * rows + 4));
        const QRectF frame(left, top, columnWidth * columns, rowHeight * rows + 4);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(frame);
        painter.setFont(font);
        for (int i = 0; i < int(texts.size()); ++i) {
            const QPointF corner(frame.left() + columnWidth * (i / rows), frame.top() + 2 + rowHeight * (i % rows));
            painter.setBrush(colourOf(i));
            painter.setPen(Qt::black);
            painter.drawRect(QRectF(corner + QPointF(4, 2), QSizeF(10, rowHeight - 4)));
            painter.setPen(m_s.legendColour);
            painter.drawText(QRectF(corner + QPointF(18, 0), QSizeF(columnWidth - 20, rowHeight)),
                Qt::AlignLeft | Qt::AlignVCenter, texts[i]);
        }
        return frame.width() + 12;
    }

    ChartSettings m_s;
    std::vector<ChartPoint> m_points;
};

class BarPicture : public SeriesPicture
{
public:
    using SeriesPicture::SeriesPicture;

    void paint(QPainter& painter, const QRectF& box) const override
    {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF titleBox = paintFrame(painter, box);
        QStringList labels;
        for (const ChartPoint& p : m_points)
            labels << p.label;
        const double legendWidth = paintLegend(painter, box, titleBox, labels);

        const QFontMetricsF axisTitle(m_s.leftAxis.titleFont);
        const QFontMetricsF axisLabels(m_s.leftAxis.labelFont);
        double maxValue = 0;
        for (const ChartPoint& p : m_points)
            maxValue = std::max(maxValue, p.value);
        const double step = niceStep(maxValue);
        const double top = std::max(step, std::ceil(maxValue / step) * step);
        const double labelWidth = axisLabels.horizontalAdvance(QString::number(top)) + 6;
        const double depth = std::min(box.width(), box.height()) * m_s.depthPercent / 100.0 * 0.15;

        QRectF plot(box.left() + axisTitle.height() + labelWidth + 8, titleBox.bottom() + 8 + depth, 0, 0);
        plot.setRight(box.right() - legendWidth - 8 - depth);
        plot.setBottom(box.bottom() - axisTitle.height() - axisLabels.height() - 12);
        if (plot.width() < 10 || plot.height() < 10) {
            painter.restore();
            return;
        }
        const QPointF d(depth, -depth);

        // Walls: the left one silver, the floor black, the back one clear.
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_s.leftWall);
        painter.drawPolygon(
            QPolygonF({ plot.topLeft(), plot.topLeft() + d, plot.bottomLeft() + d, plot.bottomLeft() }));
        painter.setBrush(m_s.bottomWall);
        painter.drawPolygon(
            QPolygonF({ plot.bottomLeft(), plot.bottomLeft() + d, plot.bottomRight() + d, plot.bottomRight() }));
        painter.setPen(QPen(Qt::gray, 0.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(plot.topLeft() + d, plot.size()));

        // Left axis: linear from zero.
        painter.setFont(m_s.leftAxis.labelFont);
        for (double v = 0; v <= top + 1e-9; v += step) {
            const double y = plot.bottom() - plot.height() * v / top;
            painter.setPen(QPen(QColor(160, 160, 160), 0.5, Qt::DotLine));
            painter.drawLine(QPointF(plot.left(), y) + d, QPointF(plot.right(), y) + d);
            painter.setPen(m_s.leftAxis.colour);
            painter.drawText(
                QRectF(plot.left() - labelWidth - 4, y - axisLabels.height() / 2, labelWidth, axisLabels.height()),
                Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
        }
        painter.save();
        painter.setFont(m_s.leftAxis.titleFont);
        painter.setPen(m_s.leftAxis.colour);
        painter.translate(box.left() + 2, plot.center().y());
        painter.rotate(-90);
        painter.drawText(
            QRectF(-plot.height() / 2, 0, plot.height(), axisTitle.height()), Qt::AlignCenter, m_s.leftAxis.title);
        painter.restore();

        // Bottom axis: logarithmic over the points' X values.
        double lo = 1, hi = 1;
        if (!m_points.empty()) {
            lo = hi = std::max(1e-9, m_points.front().x);
            for (const ChartPoint& p : m_points) {
                lo = std::min(lo, std::max(1e-9, p.x));
                hi = std::max(hi, std::max(1e-9, p.x));
            }
        }
        double logLo = std::log10(lo), logHi = std::log10(hi);
        const double pad = std::max(0.1, (logHi - logLo) * 0.08);
        logLo -= pad;
        logHi += pad;
        auto xOf = [&](double x) {
            const double lx = m_s.bottomAxis.logarithmic ? std::log10(std::max(1e-9, x)) : x;
            const double a = m_s.bottomAxis.logarithmic ? logLo : lo - 1;
            const double b = m_s.bottomAxis.logarithmic ? logHi : hi + 1;
            return plot.left() + plot.width() * (lx - a) / (b - a);
        };
        const double barWidth = std::clamp(plot.width() / (double(m_points.size()) * 2.2 + 1), 3.0, 24.0);
        for (size_t i = 0; i < m_points.size(); ++i) {
            const ChartPoint& p = m_points[i];
            const double cx = xOf(p.x);
            const double h = top > 0 ? plot.height() * std::max(0.0, p.value) / top : 0;
            const QRectF bar(cx - barWidth / 2, plot.bottom() - h, barWidth, h);
            const QColor colour = colourOf(int(i));
            const QPointF bd = d * 0.6;
            painter.setPen(QPen(Qt::black, 0.5));
            painter.setBrush(colour.darker(130));
            painter.drawPolygon(
                QPolygonF({ bar.topRight(), bar.topRight() + bd, bar.bottomRight() + bd, bar.bottomRight() }));
            painter.setBrush(colour.lighter(120));
            painter.drawPolygon(QPolygonF({ bar.topLeft(), bar.topLeft() + bd, bar.topRight() + bd, bar.topRight() }));
            painter.setBrush(colour);
            painter.drawRect(bar);
            painter.setFont(m_s.bottomAxis.labelFont);
            painter.setPen(m_s.bottomAxis.colour);
            painter.drawText(
                QRectF(cx - 30, plot.bottom() + 4, 60, axisLabels.height()), Qt::AlignHCenter | Qt::AlignTop, p.label);
        }
        painter.setFont(m_s.bottomAxis.titleFont);
        painter.setPen(m_s.bottomAxis.colour);
        painter.drawText(QRectF(plot.left(), plot.bottom() + 6 + axisLabels.height(), plot.width(), axisTitle.height()),
            Qt::AlignHCenter | Qt::AlignTop, m_s.bottomAxis.title);
        painter.restore();
    }
};

// ---- Pie chart ---------------------------------------------------------------

class PiePicture : public SeriesPicture
{
public:
    using SeriesPicture::SeriesPicture;

    void paint(QPainter& painter, const QRectF& box) const override
    {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF titleBox = paintFrame(painter, box);
        double total = 0;
        for (const ChartPoint& p : m_points)
            total += std::max(0.0, p.value);
        QStringList entries;
        for (const ChartPoint& p : m_points)
            entries << (m_s.legendShowsPercent ? pieLegendText(std::max(0.0, p.value), total, p.label) : p.label);
        const double legendWidth = paintLegend(painter, box, titleBox, entries);

        // The pie fills 95 % of what is left beside the legend, below the title.
        const QRectF room(
            box.left() + 4, titleBox.bottom() + 4, box.width() - legendWidth - 8, box.bottom() - titleBox.bottom() - 8);
        const double radius = std::max(0.0, std::min(room.width(), room.height()) / 2 * 0.95);
        const QRectF circle(room.center() - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
        if (total <= 0 || radius < 4) {
            painter.restore();
            return;
        }
        // Slices go clockwise from the top; angles in sixteenths of a degree.
        double start = 90;
        std::vector<double> middles;
        for (size_t i = 0; i < m_points.size(); ++i) {
            const double span = -360.0 * std::max(0.0, m_points[i].value) / total;
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(colourOf(int(i)));
            // A slice that is the whole pie has no edges to draw across it.
            if (span <= -360.0)
                painter.drawEllipse(circle);
            else
                painter.drawPie(circle, int(std::lround(start * 16)), int(std::lround(span * 16)));
            middles.push_back(start + span / 2);
            start += span;
        }
        // The counts on the slices, in black or white as each slice's colour needs.
        painter.setFont(m_s.series.marksFont);
        const QFontMetricsF marks(m_s.series.marksFont);
        for (size_t i = 0; m_s.series.marksVisible && i < m_points.size(); ++i) {
            if (m_points[i].value <= 0)
                continue;
            const double a = middles[i] * M_PI / 180;
            const double r = m_points.size() == 1 ? 0 : radius * 0.68;
            const QPointF at = circle.center() + QPointF(std::cos(a) * r, -std::sin(a) * r);
            const QString text = QString::number(m_points[i].value);
            painter.setPen(textColourOn(colourOf(int(i))));
            painter.drawText(
                QRectF(at - QPointF(30, marks.height() / 2), QSizeF(60, marks.height())), Qt::AlignCenter, text);
        }
        painter.restore();
    }
};

} // namespace

std::shared_ptr<const ChartPicture> makeChartPicture(const ChartSettings& settings, std::vector<ChartPoint> points)
{
    if (settings.kind == ChartSettings::Pie)
        return std::make_shared<PiePicture>(settings, std::move(points));
    return std::make_shared<BarPicture>(settings, std::move(points));
}

Chart::Chart(Band* band, const QString& name, const QRect& geometry, ChartSettings::Kind kind)
    : Printable(band, name, geometry)
{
    m_chart.kind = kind;
}

void Chart::print(PreparedPage& page, const QPointF& origin, RunContext&)
{
    PageItem item;
    item.kind = PageItem::Chart;
    item.box = QRectF(origin + QPointF(m_geometry.topLeft()), QSizeF(m_geometry.size()));
    item.chart = makeChartPicture(m_chart, readPoints(m_dataSet, m_chart.series, m_chart.kind == ChartSettings::Bar));
    item.source = m_name;
    page.items.push_back(std::move(item));
}

} // namespace vrep
