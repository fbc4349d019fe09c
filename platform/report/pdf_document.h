#pragma once
// PDF files read back for the preview. Qt's PDF module is large and only a
// loaded file needs it, so it sits in a module of its own, loaded with the
// first file rather than with the program.

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>

#include <memory>

namespace vrep {

// What the module gives: one document's pages.
class PdfPages
{
public:
    virtual ~PdfPages() = default;
    virtual bool load(const QString& path) = 0;
    virtual void close() = 0;
    virtual int pageCount() const = 0;
    virtual QSizeF pagePointSize(int page) const = 0;
    virtual QImage render(int page, const QSize& size) = 0;
};

// A PDF document; without one loaded it has no pages.
class PdfDocument : public QObject
{
public:
    explicit PdfDocument(QObject* parent = nullptr);
    ~PdfDocument() override;

    // False when the file cannot be read, or the module cannot be loaded.
    bool load(const QString& path);
    void close();
    int pageCount() const;
    QSizeF pagePointSize(int page) const;
    QImage render(int page, const QSize& size);

private:
    std::unique_ptr<PdfPages> m_pages;
};

} // namespace vrep
