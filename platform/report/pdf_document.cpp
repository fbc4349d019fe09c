#include "pdf_document.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace vrep {

namespace {

using MakePages = PdfPages* (*)();

// The module beside the program, else where the build put it.
MakePages pagesMaker()
{
    static const MakePages make = []() -> MakePages {
        const QString name = QFileInfo(QStringLiteral(VESMARIN_PDF_MODULE)).fileName();
        for (const QString& path :
            { QDir(QCoreApplication::applicationDirPath()).filePath(name), QStringLiteral(VESMARIN_PDF_MODULE) }) {
            QLibrary module(path);
            if (auto found = reinterpret_cast<MakePages>(module.resolve("vesmarinPdfPages")))
                return found;
        }
        return nullptr;
    }();
    return make;
}

} // namespace

PdfDocument::PdfDocument(QObject* parent)
    : QObject(parent)
{
}

PdfDocument::~PdfDocument() = default;

bool PdfDocument::load(const QString& path)
{
    if (!m_pages) {
        const MakePages make = pagesMaker();
        if (!make)
            return false;
        m_pages.reset(make());
    }
    return m_pages->load(path);
}

void PdfDocument::close()
{
    if (m_pages)
        m_pages->close();
}

int PdfDocument::pageCount() const
{
    return m_pages ? m_pages->pageCount() : 0;
}

QSizeF PdfDocument::pagePointSize(int page) const
{
    return m_pages ? m_pages->pagePointSize(page) : QSizeF();
}

QImage PdfDocument::render(int page, const QSize& size)
{
    return m_pages ? m_pages->render(page, size) : QImage();
}

} // namespace vrep
