#pragma once
// The program's own pictures, kept as drawings and rendered at the size a
// window shows them.

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace vres {

// ":/pictures/<name>.svg" rendered into an image of exactly `size`; a null
// image when there is no such picture.
QImage pictureImage(
    const QString& name, const QSize& size, QImage::Format format = QImage::Format_ARGB32_Premultiplied);
// The same as a pixmap of `size` pixels, drawn at the screen's resolution.
QPixmap picture(const QString& name, const QSize& size);
// What picture() is made of, for a screen of pixel ratio `ratio`: an image
// needs no GUI thread, so a window can have it drawn on another core.
QImage screenPictureImage(const QString& name, const QSize& size, qreal ratio);

// The sizes at which the windows use them.
inline constexpr QSize kBackgroundSize { 778, 436 };
inline constexpr QSize kToolPictureSize { 32, 32 };
inline constexpr QSize kProgramIconSize { 32, 32 };
inline constexpr QSize kAboutLogoSize { 65, 67 };
inline constexpr QSize kAboutBannerSize { 300, 100 };

} // namespace vres
