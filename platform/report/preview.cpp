#include "preview.h"

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
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPrintDialog>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vrep {

PreviewWindow::PreviewWindow(std::shared_ptr<const PreparedReport> report, QWidget* parent)
    : QDialog(parent)
    , m_report(std::move(report))
    , m_printer(QPrinter::HighResolution)
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

    m_document = new QPdfDocument(this);
    m_view = new QPdfView(this);
    m_view->setDocument(m_document);
    m_view->setPageMode(QPdfView::PageMode::SinglePage);
    m_view->setDocumentMargins(QMargins(8, 8, 8, 8));
    layout->addWidget(m_view, 1);
    m_view->viewport()->installEventFilter(this);

    // The pages are shown through the same PDF form they are saved in.
    if (m_report) {
        const QString file = m_dir.filePath(QStringLiteral("preview.pdf"));
        if (m_report->writePdf(file) && m_document->load(file) == QPdfDocument::Error::None)
            m_shownFile = file;
    }
    m_printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    m_printer.setCopyCount(1);
    m_printer.setDuplex(QPrinter::DuplexNone);
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setPaperSource(QPrinter::Auto);

    // The pages first show at the report's own zoom.
    m_wholePage = false;
    m_view->setZoomMode(QPdfView::ZoomMode::Custom);
    m_view->setZoomFactor((m_report ? m_report->zoom : 100) / 100.0);
    showPage(0);
}

PreviewWindow::~PreviewWindow()
{
    m_view->setDocument(nullptr);
    m_document->close();
}

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

QToolButton* PreviewWindow::button(const QString& objectName) const
{
    return m_bar->findChild<QToolButton*>(objectName);
}

int PreviewWindow::pageCount() const
{
    return m_document->pageCount();
}

void PreviewWindow::zoomWholePage()
{
    // The view's own fit leaves out its margins and cuts the page's foot:
    // the factor is worked out here, and again whenever the window resizes.
    m_wholePage = true;
    fitWholePage();
}

void PreviewWindow::fitWholePage()
{
    const QSizeF points = pageCount() ? m_document->pagePointSize(m_page) : QSizeF(612, 792);
    const QSizeF pixels = points * (m_view->logicalDpiX() / 72.0);
    const QMargins margins = m_view->documentMargins();
    const QSize room
        = m_view->viewport()->size() - QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (pixels.isEmpty() || room.isEmpty())
        return;
    m_view->setZoomMode(QPdfView::ZoomMode::Custom);
    m_view->setZoomFactor(std::min(room.width() / pixels.width(), room.height() / pixels.height()));
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize && m_wholePage)
        fitWholePage();
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::zoomFull()
{
    m_wholePage = false;
    m_view->setZoomMode(QPdfView::ZoomMode::Custom);
    m_view->setZoomFactor(1.0);
}

void PreviewWindow::zoomPageWidth()
{
    m_wholePage = false;
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
}

void PreviewWindow::showPage(int page)
{
    if (pageCount() == 0) {
        m_page = 0;
    } else {
        m_page = std::clamp(page, 0, pageCount() - 1);
        if (m_wholePage)
            fitWholePage(); // pages of a loaded file may differ in size
        m_view->pageNavigator()->jump(m_page, QPointF(), m_view->zoomFactor());
    }
    refreshPageInfo();
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
    QPdfDocument probe;
    if (probe.load(copy) != QPdfDocument::Error::None || probe.pageCount() == 0) {
        QFile::remove(copy);
        return false;
    }
    probe.close();
    m_document->close();
    m_document->load(copy);
    m_report.reset();
    m_shownFile = copy;
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
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}

void PreviewWindow::printClicked()
{
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printTo(m_printer);
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
