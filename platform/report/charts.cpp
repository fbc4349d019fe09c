#include "charts.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>

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

// ---- Bar chart, drawn directly: its bottom axis is logarithmic, which no
// bar series of the chart module can place ---------------------------------

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
        QLinearGradient background(box.topLeft(), box.bottomLeft());
        background.setColorAt(0, Qt::white);
        background.setColorAt(1, m_s.gradientEnd);
        painter.fillRect(box, background);

        const QFontMetricsF titleMetrics(m_s.titleFont);
        painter.setFont(m_s.titleFont);
        painter.setPen(m_s.titleColour);
        const QRectF titleBox(box.left(), box.top() + 4, box.width(), titleMetrics.height());
        painter.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop, m_s.title);

        // Legend on the right: one entry per point, in its colour.
        const QFontMetricsF legendMetrics(m_s.legendFont);
        double legendWidth = 0;
        if (m_s.legendVisible && !m_points.empty()) {
            for (const ChartPoint& p : m_points)
                legendWidth = std::max(legendWidth, legendMetrics.horizontalAdvance(p.label));
            legendWidth += 22;
            const double rowHeight = legendMetrics.height() + 1;
            QRectF frame(box.right() - legendWidth - 6, box.top() + box.height() * m_s.legendTopPercent / 100.0,
                legendWidth, rowHeight * double(m_points.size()) + 4);
            painter.setPen(Qt::black);
            painter.setBrush(Qt::white);
            painter.drawRect(frame);
            painter.setFont(m_s.legendFont);
            for (size_t i = 0; i < m_points.size(); ++i) {
                const double y = frame.top() + 2 + rowHeight * double(i);
                painter.setBrush(colourOf(int(i)));
                painter.setPen(Qt::black);
                painter.drawRect(QRectF(frame.left() + 4, y + 2, 10, rowHeight - 4));
                painter.setPen(m_s.legendColour);
                painter.drawText(QRectF(frame.left() + 18, y, legendWidth - 20, rowHeight),
                    Qt::AlignLeft | Qt::AlignVCenter, m_points[i].label);
            }
            legendWidth += 12;
        }

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

// ---- Pie chart, through the chart module --------------------------------

class PiePicture : public SeriesPicture
{
public:
    using SeriesPicture::SeriesPicture;

    void paint(QPainter& painter, const QRectF& box) const override
    {
        build(box.size());
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        m_scene->render(&painter, box, QRectF(QPointF(0, 0), box.size()));
        painter.restore();
    }

private:
    void build(const QSizeF& size) const
    {
        if (m_scene && m_builtFor == size)
            return;
        m_scene = std::make_unique<QGraphicsScene>();
        auto* chart = new QChart;
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->setBackgroundRoundness(0);
        chart->setMargins(QMargins(4, 4, 4, 4));
        QLinearGradient background(0, 0, 0, 1);
        background.setCoordinateMode(QGradient::ObjectBoundingMode);
        background.setColorAt(0, Qt::white);
        background.setColorAt(1, m_s.gradientEnd);
        chart->setBackgroundBrush(background);
        chart->setBackgroundPen(Qt::NoPen);
        chart->setTitle(m_s.title);
        chart->setTitleFont(m_s.titleFont);
        chart->setTitleBrush(m_s.titleColour);

        auto* series = new QPieSeries;
        series->setName(m_s.series.title);
        series->setPieSize(0.95 * 0.8);
        double total = 0;
        for (const ChartPoint& p : m_points)
            total += std::max(0.0, p.value);
        for (size_t i = 0; i < m_points.size(); ++i) {
            const ChartPoint& p = m_points[i];
            auto* slice = series->append(QString::number(p.value), std::max(0.0, p.value));
            slice->setColor(colourOf(int(i)));
            slice->setBorderColor(Qt::black);
            slice->setBorderWidth(1);
            slice->setLabelVisible(m_s.series.marksVisible);
            slice->setLabelFont(m_s.series.marksFont);
            slice->setLabelColor(Qt::black);
            slice->setLabelPosition(
                m_s.series.marksArrowVisible ? QPieSlice::LabelOutside : QPieSlice::LabelInsideHorizontal);
        }
        chart->addSeries(series);

        chart->legend()->setVisible(m_s.legendVisible);
        chart->legend()->setAlignment(Qt::AlignRight);
        chart->legend()->setFont(m_s.legendFont);
        chart->legend()->setLabelColor(m_s.legendColour);
        const auto markers = chart->legend()->markers(series);
        for (int i = 0; i < markers.size() && i < int(m_points.size()); ++i)
            markers[i]->setLabel(m_s.legendShowsPercent
                    ? pieLegendText(std::max(0.0, m_points[size_t(i)].value), total, m_points[size_t(i)].label)
                    : m_points[size_t(i)].label);

        m_scene->addItem(chart);
        chart->setGeometry(QRectF(QPointF(0, 0), size));
        m_scene->setSceneRect(QRectF(QPointF(0, 0), size));
        // The chart lays itself out on posted events; a page is drawn at once.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        m_builtFor = size;
    }

    mutable std::unique_ptr<QGraphicsScene> m_scene;
    mutable QSizeF m_builtFor;
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
