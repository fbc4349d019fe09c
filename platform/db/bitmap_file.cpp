#include "bitmap_file.h"

#include <QCache>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vdb {

namespace {

// Opens `path` for reading only if it is a regular file once links are
// followed. The open does not wait: a FIFO put in its place between the two
// looks is refused like any other file that is not regular.
bool openRegularFile(QFile& file, const QString& path, struct stat& info)
{
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

// What a bitmap's headers claim: the picture's size (rows counted whether
// stored bottom-up or top-down), its pixel layout and where the pixels start.
struct BitmapHeader
{
    bool valid = false;
    qint64 width = 0;
    qint64 height = 0;
    qint64 bits = 0;
    quint32 compression = 0;
    qint64 offset = 0;
};

BitmapHeader readHeader(const QByteArray& head)
{
    BitmapHeader h;
    if (head.size() < 26 || !head.startsWith("BM"))
        return h;
    const char* p = head.constData();
    h.offset = qFromLittleEndian<quint32>(p + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(p + 14);
    if (infoSize == 12) {
        h.width = qFromLittleEndian<quint16>(p + 18);
        h.height = qFromLittleEndian<quint16>(p + 20);
        h.bits = qFromLittleEndian<quint16>(p + 24);
    } else if (infoSize >= 40 && head.size() >= 34) {
        h.width = qFromLittleEndian<qint32>(p + 18);
        h.height = qAbs(qint64(qFromLittleEndian<qint32>(p + 22)));
        h.bits = qFromLittleEndian<quint16>(p + 28);
        h.compression = qFromLittleEndian<quint32>(p + 30);
    } else {
        return h;
    }
    h.valid = h.width > 0 && h.height > 0;
    return h;
}

// An uncompressed bitmap whose file ends before its last row of pixels: the
// reader would otherwise hand back a picture with made-up rows. Run-length
// data has no fixed size. Within the size bound no product here overflows.
bool truncated(const BitmapHeader& h, qint64 fileSize)
{
    if (h.compression != 0 && h.compression != 3)
        return false;
    const qint64 rowBytes = ((h.width * h.bits + 31) / 32) * 4;
    return h.offset + rowBytes * h.height > fileSize;
}

// Pictures already decoded, by the file they came from: a survey shows the
// same few files question after question. A file replaced or written since
// (another inode, size or modification time) is decoded again.
QCache<QByteArray, QImage>& decoded()
{
    static QCache<QByteArray, QImage> pictures(16 * 1024 * 1024); // bytes
    return pictures;
}

QByteArray fileIdentity(const QString& path, const struct stat& info)
{
    return QFile::encodeName(path) + '\0' + QByteArray::number(quint64(info.st_dev)) + ':'
        + QByteArray::number(quint64(info.st_ino)) + ':' + QByteArray::number(qint64(info.st_size)) + ':'
        + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

} // namespace

QImage loadBitmapFile(const QString& path, const QString& name)
{
    const QString shown = name.isEmpty() ? path : name;
    const Error invalid(QStringLiteral("Bitmap image is not valid"));
    QFile file;
    struct stat info;
    if (!openRegularFile(file, path, info))
        throw Error(QStringLiteral("Cannot open file %1").arg(shown));
    const BitmapHeader header = readHeader(file.peek(54));
    if (!header.valid)
        throw invalid;
    if (header.width > kMaxIconSide || header.height > kMaxIconSide)
        throw PictureTooLarge(QStringLiteral("La imagen %1 mide %2 x %3 píxeles; un icono puede medir como máximo "
                                             "%4 x %4")
                                  .arg(shown)
                                  .arg(header.width)
                                  .arg(header.height)
                                  .arg(kMaxIconSide));
    if (truncated(header, file.size()))
        throw invalid;
    const QByteArray identity = fileIdentity(path, info);
    if (const QImage* known = decoded().object(identity))
        return *known;
    QImageReader reader(&file, "BMP");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        throw invalid;
    decoded().insert(identity, new QImage(image), int(qMin<qint64>(image.sizeInBytes(), INT_MAX)));
    return image;
}

} // namespace vdb
