#include "pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

// The compiled resources sit in a static library: register them explicitly so
// the linker keeps them.
static void registerPictures()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

namespace vres {

QImage pictureImage(const QString& name, const QSize& size, QImage::Format format)
{
    registerPictures();
    const QString path = QStringLiteral(":/pictures/%1.svg").arg(name);
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return format == image.format() ? image : image.convertToFormat(format);
}

QImage screenPictureImage(const QString& name, const QSize& size, qreal ratio)
{
    // Drawn for the screen's device pixels, so that a dense screen shows it sharp.
    QImage image = pictureImage(name, (QSizeF(size) * ratio).toSize());
    image.setDevicePixelRatio(ratio);
    return image;
}

QPixmap picture(const QString& name, const QSize& size)
{
    return QPixmap::fromImage(screenPictureImage(name, size, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0));
}

} // namespace vres
