// The module that reads PDF files with Qt's PDF module (see pdf_document.h).

#include "platform/report/pdf_document.h"

#include <QPdfDocument>

namespace {

class QtPdfPages : public vrep::PdfPages
{
public:
    bool load(const QString& path) override { return m_document.load(path) == QPdfDocument::Error::None; }
    void close() override { m_document.close(); }
    int pageCount() const override { return m_document.pageCount(); }
    QSizeF pagePointSize(int page) const override { return m_document.pagePointSize(page); }
    QImage render(int page, const QSize& size) override { return m_document.render(page, size); }

private:
    QPdfDocument m_document;
};

} // namespace

extern "C" Q_DECL_EXPORT vrep::PdfPages* vesmarinPdfPages()
{
    return new QtPdfPages;
}
