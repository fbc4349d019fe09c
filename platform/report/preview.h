#pragma once
// The preview window: shows prepared pages, zooms, moves between pages, sets
// up the printer, prints, saves the pages as a PDF file and loads one back.

#include "report.h"

#include <QDialog>
#include <QPrinter>
#include <QTemporaryDir>

#include <memory>

class QLabel;
class QScrollArea;
class QToolButton;

namespace vrep {

class PdfDocument;
class PreviewSheet;

class PreviewWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PreviewWindow(std::shared_ptr<const PreparedReport> report, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    QScrollArea* view() const { return m_view; }
    // The prepared report shown, or null after a saved file was loaded.
    const PreparedReport* report() const { return m_report.get(); }
    int currentPage() const { return m_page; }
    int pageCount() const;
    double zoomFactor() const { return m_zoom; }
    // A page's size on the screen at 100 %.
    QSizeF pageSize(int page) const;
    // The page shown, drawn as the view draws it; only this page is kept.
    QImage shownPage() const;
    // Draws a prepared page at the size shown, its corner at the painter's
    // origin; false when the pages shown are a loaded file's pictures.
    bool drawPage(QPainter& painter) const;

    void zoomWholePage();
    void zoomFull();
    void zoomPageWidth();
    void showPage(int page);
    void firstPage() { showPage(0); }
    void priorPage() { showPage(m_page - 1); }
    void nextPage() { showPage(m_page + 1); }
    void lastPage() { showPage(pageCount() - 1); }

    // Saves what is shown as a PDF file; false when it cannot be written.
    bool saveTo(const QString& path);
    // Shows a saved PDF file instead; false when it cannot be read.
    bool loadFrom(const QString& path);
    void printTo(QPrinter& printer);
    // Made when first needed: setting up a printer costs more than showing a page.
    QPrinter& printer();

    QToolButton* button(const QString& objectName) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PreviewSheet;
    enum class Fit { None, Width, WholePage };
    void layOutNextLater();
    void setZoom(double factor);
    void fit();
    void printerSetup();
    void printClicked();
    void saveClicked();
    void loadClicked();
    void refreshPageInfo();
    QToolButton* addButton(const char* name, const QString& text, void (PreviewWindow::*slot)());

    std::shared_ptr<const PreparedReport> m_report;
    QTemporaryDir m_dir;
    QString m_shownFile;
    PdfDocument* m_document;
    QScrollArea* m_view;
    PreviewSheet* m_sheet;
    QLabel* m_pageLabel;
    QWidget* m_bar;
    std::unique_ptr<QPrinter> m_printer;
    int m_page = 0;
    double m_zoom = 1.0;
    Fit m_fit = Fit::None;
    mutable QImage m_shown; // the page shown, at the size shown
    mutable int m_shownPage = -1;
    int m_next = -1; // the page to lay out once the one shown is painted
};

} // namespace vrep
