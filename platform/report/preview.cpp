#include "preview.h"

#include "pdf_document.h"

#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vrep {

namespace {
constexpr int kSheetMargin = 8; // grey around the page
}

// The page shown, on a grey sheet in the scrolling view.
class PreviewSheet : public QWidget
{
public:
    PreviewSheet(PreviewWindow* window, QWidget* parent)
        : QWidget(parent)
        , m_window(window)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
        painter.translate(kSheetMargin, kSheetMargin);
        if (!m_window->drawPage(painter))
            painter.drawImage(QPointF(0, 0), m_window->shownPage());
        m_window->layOutNextLater();
    }

private:
    PreviewWindow* m_window;
};

PreviewWindow::PreviewWindow(std::shared_ptr<const PreparedReport> report, QWidget* parent)
    : QDialog(parent)
    , m_report(std::move(report))
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("Vista preliminar"));
    // A dialog, so that the window system keeps it with the window it belongs to.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    setModal(true);
    resize(900, 760);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_bar = new QWidget(this);
    auto* bar = new QHBoxLayout(m_bar);
    bar->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    addButton("WholePage", QStringLiteral("Página completa"), &PreviewWindow::zoomWholePage);
    addButton("FullSize", QStringLiteral("100 %"), &PreviewWindow::zoomFull);
    addButton("PageWidth", QStringLiteral("Ancho de página"), &PreviewWindow::zoomPageWidth);
    addButton("FirstPage", QStringLiteral("Primera"), &PreviewWindow::firstPage);
    addButton("PriorPage", QStringLiteral("Anterior"), &PreviewWindow::priorPage);
    addButton("NextPage", QStringLiteral("Siguiente"), &PreviewWindow::nextPage);
    addButton("LastPage", QStringLiteral("Última"), &PreviewWindow::lastPage);
    addButton("PrinterSetup", QStringLiteral("Impresora"), &PreviewWindow::printerSetup);
    addButton("Print", QStringLiteral("Imprimir"), &PreviewWindow::printClicked);
    addButton("Save", QStringLiteral("Guardar"), &PreviewWindow::saveClicked);
    addButton("Load", QStringLiteral("Abrir"), &PreviewWindow::loadClicked);
    m_pageLabel = new QLabel(m_bar);
    bar->addWidget(m_pageLabel);
    bar->addStretch();
    auto* closeButton = new QToolButton(m_bar);
    closeButton->setObjectName(QStringLiteral("Close"));
    closeButton->setText(QStringLiteral("Cerrar"));
    connect(closeButton, &QToolButton::clicked, this, &QDialog::accept);
    bar->addWidget(closeButton);

    m_document = new PdfDocument(this);
    m_view = new QScrollArea(this);
    m_view->setBackgroundRole(QPalette::Dark);
    m_view->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_sheet = new PreviewSheet(this, m_view);
    m_view->setWidget(m_sheet);
    layout->addWidget(m_view, 1);
    m_view->viewport()->installEventFilter(this);

    // The pages first show at the report's own zoom; each page is drawn
    // only when it is shown.
    setZoom((m_report ? m_report->zoom : 100) / 100.0);
    showPage(0);
}

PreviewWindow::~PreviewWindow() = default;

QToolButton* PreviewWindow::addButton(const char* name, const QString& text, void (PreviewWindow::*slot)())
{
    auto* button = new QToolButton(m_bar);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(button, &QToolButton::clicked, this, slot);
    static_cast<QHBoxLayout*>(m_bar->layout())->addWidget(button);
    return button;
}

QPrinter& PreviewWindow::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
        m_printer->setCopyCount(1);
        m_printer->setDuplex(QPrinter::DuplexNone);
        m_printer->setPrintRange(QPrinter::AllPages);
        m_printer->setPaperSource(QPrinter::Auto);
    }
    return *m_printer;
}

QToolButton* PreviewWindow::button(const QString& objectName) const
{
    return m_bar->findChild<QToolButton*>(objectName);
}

int PreviewWindow::pageCount() const
{
    return m_report ? m_report->pageCount() : m_document->pageCount();
}

QSizeF PreviewWindow::pageSize(int page) const
{
    const double dpi = m_view->logicalDpiX();
    if (m_report)
        return m_report->pageSize * (dpi / 96.0);
    return pageCount() ? m_document->pagePointSize(page) * (dpi / 72.0) : QSizeF(8.5 * dpi, 11 * dpi);
}

QImage PreviewWindow::shownPage() const
{
    const double ratio = devicePixelRatioF();
    const QSize size = (pageSize(m_page) * m_zoom * ratio).toSize();
    if (m_shownPage == m_page && m_shown.size() == size)
        return m_shown;
    m_shown = QImage();
    if (pageCount() == 0 || size.isEmpty())
        return m_shown;
    if (m_report) {
        m_shown = QImage(size, QImage::Format_RGB32);
        m_shown.fill(Qt::white);
        m_shown.setDevicePixelRatio(ratio);
        QPainter painter(&m_shown);
        drawPage(painter);
    } else {
        m_shown = m_document->render(m_page, size);
    }
    m_shown.setDevicePixelRatio(ratio);
    m_shownPage = m_page;
    return m_shown;
}

bool PreviewWindow::drawPage(QPainter& painter) const
{
    if (!m_report || pageCount() == 0)
        return false;
    // On whole device pixels, as the page's picture is.
    const double ratio = painter.device()->devicePixelRatioF();
    const QSizeF size = QSizeF((pageSize(m_page) * m_zoom * ratio).toSize()) / ratio;
    if (size.isEmpty())
        return true;
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.setClipRect(QRectF(QPointF(0, 0), size), Qt::IntersectClip);
    painter.scale(size.width() / m_report->pageSize.width(), size.height() / m_report->pageSize.height());
    m_report->paintPage(painter, m_page);
    painter.restore();
    return true;
}

void PreviewWindow::setZoom(double factor)
{
    m_zoom = factor;
    m_sheet->resize((pageSize(m_page) * m_zoom).toSize() + QSize(2 * kSheetMargin, 2 * kSheetMargin));
    m_sheet->update();
}

void PreviewWindow::zoomWholePage()
{
    // Worked out again whenever the window resizes.
    m_fit = Fit::WholePage;
    fit();
}

void PreviewWindow::zoomPageWidth()
{
    m_fit = Fit::Width;
    fit();
}

void PreviewWindow::zoomFull()
{
    m_fit = Fit::None;
    setZoom(1.0);
}

void PreviewWindow::fit()
{
    const QSizeF page = pageSize(m_page);
    const QSize room = m_view->viewport()->size() - QSize(2 * kSheetMargin, 2 * kSheetMargin);
    if (page.isEmpty() || room.isEmpty())
        return;
    const double width = room.width() / page.width();
    setZoom(m_fit == Fit::Width ? width : std::min(width, room.height() / page.height()));
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize && m_fit != Fit::None)
        fit();
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::showPage(int page)
{
    m_page = pageCount() == 0 ? 0 : std::clamp(page, 0, pageCount() - 1);
    if (m_fit != Fit::None)
        fit(); // pages of a loaded file may differ in size
    else
        setZoom(m_zoom);
    m_view->verticalScrollBar()->setValue(0);
    m_view->horizontalScrollBar()->setValue(0);
    refreshPageInfo();
    m_next = m_report && m_page + 1 < pageCount() ? m_page + 1 : -1;
}

void PreviewWindow::layOutNextLater()
{
    // The next page is laid out while the user reads this one: once this
    // one is on the screen, so that it never waits for the next.
    if (m_next < 0)
        return;
    QTimer::singleShot(0, this, [this, next = std::exchange(m_next, -1)] {
        if (m_report)
            m_report->page(next);
    });
}

void PreviewWindow::refreshPageInfo()
{
    m_pageLabel->setText(QStringLiteral("Página %1 de %2").arg(pageCount() ? m_page + 1 : 0).arg(pageCount()));
    button(QStringLiteral("FirstPage"))->setEnabled(m_page > 0);
    button(QStringLiteral("PriorPage"))->setEnabled(m_page > 0);
    button(QStringLiteral("NextPage"))->setEnabled(m_page + 1 < pageCount());
    button(QStringLiteral("LastPage"))->setEnabled(m_page + 1 < pageCount());
}

bool PreviewWindow::saveTo(const QString& path)
{
    if (m_report)
        return m_report->writePdf(path);
    if (m_shownFile.isEmpty())
        return false;
    QFile::remove(path);
    return QFile::copy(m_shownFile, path);
}

bool PreviewWindow::loadFrom(const QString& path)
{
    // Read into a private copy first, so a bad file leaves the pages shown.
    const QString copy
        = m_dir.filePath(QStringLiteral("loaded-%1.pdf").arg(qint64(QDateTime::currentMSecsSinceEpoch())));
    if (!QFile::copy(path, copy))
        return false;
    PdfDocument probe;
    if (!probe.load(copy) || probe.pageCount() == 0) {
        QFile::remove(copy);
        return false;
    }
    probe.close();
    m_document->close();
    m_document->load(copy);
    m_report.reset();
    m_shownFile = copy;
    m_shownPage = -1;
    showPage(0);
    return true;
}

void PreviewWindow::printTo(QPrinter& printer)
{
    if (m_report) {
        m_report->print(printer);
        return;
    }
    // A loaded file is printed from its pages' pictures.
    int first = 0, last = pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        if (printer.toPage() > 0)
            last = std::min(last, printer.toPage() - 1);
    }
    if (first > last)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    for (int p = first; p <= last; ++p) {
        if (p > first)
            printer.newPage();
        const QRect target = painter.viewport();
        painter.drawImage(target, m_document->render(p, target.size()));
    }
    painter.end();
}

void PreviewWindow::printerSetup()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void PreviewWindow::printClicked()
{
    QPrintDialog dialog(&printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer());
}

void PreviewWindow::saveClicked()
{
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Guardar reporte"), QString(), QStringLiteral("Documento PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    if (!saveTo(path))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("No se pudo guardar el archivo %1").arg(path));
}

void PreviewWindow::loadClicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Abrir reporte"), QString(), QStringLiteral("Documento PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!loadFrom(path))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("No se pudo abrir el archivo %1").arg(path));
}

} // namespace vrep
