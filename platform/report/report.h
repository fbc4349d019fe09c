#pragma once
// A banded report over a dataset: title, column header, detail, summary and
// page footer bands holding printables, laid out in report pixels (96 to the
// inch) on a Letter page and prepared into pages that the preview shows and
// the printer prints.

#include "platform/db/dataset.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace vrep {

class Report;
class Band;
class Expr;

// What a chart needs to draw itself on a page; made when its printable prints.
class ChartPicture
{
public:
    virtual ~ChartPicture() = default;
    virtual void paint(QPainter& painter, const QRectF& box) const = 0;
};

// One thing drawn on a prepared page, in report pixels from the page's corner.
struct PageItem
{
    enum Kind { Text, Line, Picture, Chart };
    Kind kind = Text;
    QRectF box;
    QString text;
    QFont font;
    QColor colour = Qt::black;
    int alignment = Qt::AlignLeft | Qt::AlignTop;
    QImage picture;
    std::shared_ptr<const ChartPicture> chart;
    QString source; // the printable's name, for the preview and the tests
};

struct PreparedPage
{
    std::vector<PageItem> items;
};

// The pages of one run, ready to be shown, printed or saved. Where each band
// goes is decided when the run is prepared; what a page shows is laid out
// from the report's rows when the page is first asked for, and only a few
// pages are kept, so a run of any length is ready at once and stays small.
// The report and its dataset must stay as they are while the pages are used.
class PreparedReport
{
public:
    QSizeF pageSize; // report pixels
    int zoom = 100; // percent, as the preview first shows the pages

    int pageCount() const { return int(m_pageStart.size()) - 1; }
    // A page's contents (index from 0); an empty page when out of range.
    std::shared_ptr<const PreparedPage> page(int page) const;
    // Draws a page; the painter's units must be report pixels.
    void paintPage(QPainter& painter, int page) const;
    // Prints the pages the printer asks for (all, or its range), paper or PDF file.
    void print(QPrinter& printer) const;
    // Writes the pages into a PDF file; false when the file cannot be written.
    bool writePdf(const QString& path) const;

    // One band on a page: its top and the row it prints from (-1: past the
    // last row, as after the run's walk).
    struct Placement
    {
        Band* band;
        double top;
        int row;
        bool onRow;
    };

private:
    friend class Report;
    static constexpr size_t kKeptPages = 24;

    Report* m_report = nullptr;
    QPointer<vdb::DataSet> m_data;
    QDate m_date;
    std::vector<std::pair<Expr*, qint64>> m_values; // the summary expressions' results
    std::vector<Placement> m_placements;
    std::vector<size_t> m_pageStart { 0 }; // page p's placements start at m_pageStart[p]
    mutable std::vector<std::pair<int, std::shared_ptr<const PreparedPage>>> m_kept; // latest used last
};

// The values a run carries while it lays out its bands.
struct RunContext
{
    Report* report = nullptr;
    int page = 1;
    QDate date;
    bool onRow = false; // a detail band of an empty run has no row
};

class Printable
{
public:
    Printable(Band* band, const QString& name, const QRect& geometry);
    virtual ~Printable() = default;

    QString name() const { return m_name; }
    QRect geometry() const { return m_geometry; }
    void setGeometry(const QRect& geometry) { m_geometry = geometry; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    Band* band() const { return m_band; }

    // Adds what the printable shows to a page; origin is its band's corner.
    virtual void print(PreparedPage& page, const QPointF& origin, RunContext& run) = 0;

protected:
    Band* m_band;
    QString m_name;
    QRect m_geometry;
    bool m_enabled = true;
};

// A text that grows with its content up to a limit: the shared look of
// labels, field texts, system data and expressions.
class TextPrintable : public Printable
{
public:
    using Printable::Printable;
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    QColor colour() const { return m_colour; }
    void setColour(const QColor& colour) { m_colour = colour; }
    // Widest the text may grow; 0: up to the paper's right edge.
    void setMaxWidth(int width) { m_maxWidth = width; }
    void setCentred(bool centred) { m_centred = centred; }
    bool centred() const { return m_centred; }

protected:
    void printText(PreparedPage& page, const QPointF& origin, const QString& text);
    QFont m_font;
    QColor m_colour = Qt::black;
    int m_maxWidth = 0;
    bool m_centred = false;
};

class Label : public TextPrintable
{
public:
    using TextPrintable::TextPrintable;
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    QString m_caption;
};

class DBText : public TextPrintable
{
public:
    using TextPrintable::TextPrintable;
    void setDataField(vdb::DataSet* dataSet, const QString& field);
    vdb::DataSet* dataSet() const { return m_dataSet; }
    QString dataField() const { return m_field; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    QPointer<vdb::DataSet> m_dataSet;
    QString m_field;
};

// A picture field drawn at its own size, centred in its box; a larger one is
// scaled down to the box, keeping its proportions.
class DBImage : public Printable
{
public:
    using Printable::Printable;
    void setDataField(vdb::DataSet* dataSet, const QString& field);
    vdb::DataSet* dataSet() const { return m_dataSet; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    QPointer<vdb::DataSet> m_dataSet;
    QString m_field;
};

class SysData : public TextPrintable
{
public:
    enum Data { ReportTitle, Date, PageNumber };
    SysData(Band* band, const QString& name, const QRect& geometry, Data data);
    Data data() const { return m_data; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    Data m_data;
};

// A horizontal line across its box.
class Shape : public Printable
{
public:
    using Printable::Printable;
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;
};

// "COUNT" or "SUM(field)" over the detail rows of the run.
class Expr : public TextPrintable
{
public:
    using TextPrintable::TextPrintable;
    QString expression() const { return m_expression; }
    void setExpression(const QString& expression) { m_expression = expression; }
    // Computes the value over every row of a run ("COUNT" needs no walk).
    void run(vdb::DataSet* rows);
    qint64 value() const { return m_value; }
    void setValue(qint64 value) { m_value = value; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run) override;

private:
    QString m_expression;
    qint64 m_value = 0;
};

class Band
{
public:
    enum Kind { Title, ColumnHeader, Detail, Summary, PageFooter };
    Band(Report* report, const QString& name, Kind kind, int height);

    QString name() const { return m_name; }
    Kind kind() const { return m_kind; }
    int height() const { return m_height; }
    void setHeight(int height) { m_height = height; }
    Report* report() const { return m_report; }

    template <typename T, typename... Args> T* add(Args&&... args)
    {
        auto owned = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = owned.get();
        m_printables.push_back(std::move(owned));
        return raw;
    }
    const std::vector<std::unique_ptr<Printable>>& printables() const { return m_printables; }
    void print(PreparedPage& page, const QPointF& origin, RunContext& run);

private:
    Report* m_report;
    QString m_name;
    Kind m_kind;
    int m_height;
    std::vector<std::unique_ptr<Printable>> m_printables;
};

class Report : public QObject
{
    Q_OBJECT
public:
    explicit Report(QObject* parent = nullptr);
    ~Report() override;

    static constexpr double kPixelsPerMm = 96.0 / 25.4;

    void setDataSet(vdb::DataSet* dataSet) { m_dataSet = dataSet; }
    vdb::DataSet* dataSet() const { return m_dataSet; }
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    void setPrintIfEmpty(bool on) { m_printIfEmpty = on; }
    int zoom() const { return m_zoom; }
    void setZoom(int percent) { m_zoom = percent; }

    // Letter portrait with 10 mm margins unless set otherwise.
    QSizeF pageSize() const { return m_pageSize; }
    double margin() const { return m_margin; }
    double printableWidth() const { return m_pageSize.width() - 2 * m_margin; }

    Band* addBand(const QString& name, Band::Kind kind, int height);
    Band* band(Band::Kind kind) const;
    const std::vector<std::unique_ptr<Band>>& bands() const { return m_bands; }
    Printable* printable(const QString& name) const;

    // Runs the report over its dataset from the first row: the summary's
    // values and the place of every band; pages are laid out when asked for.
    PreparedReport prepare();
    // Prepares the report and shows it in the preview window; returns when
    // the window is closed.
    void preview(QWidget* parent = nullptr);
    // Prepares and prints to a printer (a PDF file printer too).
    void print(QPrinter& printer);

signals:
    // A preview window is about to be shown (used to reach it from outside).
    void previewOpened(QWidget* window);

private:
    QPointer<vdb::DataSet> m_dataSet;
    QString m_title;
    bool m_printIfEmpty = true;
    int m_zoom = 100;
    QSizeF m_pageSize { 816, 1056 };
    double m_margin = 10 * kPixelsPerMm;
    std::vector<std::unique_ptr<Band>> m_bands;
};

// Keeps a dataset's position across a walk over all its rows.
class PositionKeeper
{
public:
    explicit PositionKeeper(vdb::DataSet* dataSet);
    ~PositionKeeper();

private:
    vdb::DataSet* m_dataSet;
    int m_recNo;
    bool m_eof;
    bool m_bof;
};

} // namespace vrep
