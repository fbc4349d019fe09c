#pragma once
// Chart printables: a bar or a pie chart whose one series reads all rows of a
// dataset when the chart prints.

#include "report.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <vector>

namespace vrep {

struct AxisSettings
{
    bool visible = true;
    QString title;
    QFont titleFont;
    QFont labelFont;
    QColor colour = Qt::black;
    bool logarithmic = false;
    bool labelsOnAxis = false; // labels drawn away from the axis line
};

struct SeriesSettings
{
    QString name;
    QString title;
    QString valueField; // bar height or slice size
    QString xField; // bar position; points kept in ascending order
    QString labelField; // point or slice label
    QColor colour = Qt::red;
    bool colourEachPoint = true;
    bool marksVisible = false;
    bool marksTransparent = true;
    int marksArrowLength = 8;
    bool marksArrowVisible = false;
    QFont marksFont;
    QString otherSliceText = QStringLiteral("Other");
};

struct ChartSettings
{
    enum Kind { Bar, Pie };
    Kind kind = Bar;
    QString name;
    QString title;
    QFont titleFont;
    QColor titleColour = Qt::black;
    SeriesSettings series;
    AxisSettings bottomAxis;
    AxisSettings leftAxis;
    AxisSettings rightAxis;
    bool legendVisible = true;
    QFont legendFont;
    QColor legendColour = Qt::black;
    int legendTopPercent = 6;
    bool legendShowsPercent = false; // pie: "percentage label"
    int depthPercent = 0;
    int elevation = 0;
    QColor backWall = Qt::white;
    QColor bottomWall = Qt::black;
    QColor leftWall = QColor(192, 192, 192);
    QColor gradientEnd = QColor(192, 192, 192);
};

// One point or slice as the chart read it.
struct ChartPoint
{
    double x = 0;
    double value = 0;
    QString label;
};

// Bar and slice colours, the same for both kinds so an icon keeps its colour.
QColor pointColour(int index);

// Reads the points of a chart from every row of a dataset, leaving the
// dataset where it was.
std::vector<ChartPoint> readPoints(vdb::DataSet* dataSet, const SeriesSettings& series, bool sortByX);

// A pie's legend entry: the slice's share of the total, then its label.
QString pieLegendText(double value, double total, const QString& label);

class Chart : public Printable
{
public:
    Chart(Band* band, const QString& name, const QRect& geometry, ChartSettings::Kind kind);
    ChartSettings& chart() { return m_chart; }
    const ChartSettings& chart() const { return m_chart; }
    void setDataSet(vdb::DataSet* dataSet) { m_dataSet = dataSet; }
    vdb::DataSet* dataSet() const { return m_dataSet; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    ChartSettings m_chart;
    QPointer<vdb::DataSet> m_dataSet;
};

// The picture of a chart over given points, as it is drawn on a page.
std::shared_ptr<const ChartPicture> makeChartPicture(const ChartSettings& settings, std::vector<ChartPoint> points);

} // namespace vrep
