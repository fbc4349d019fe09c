#pragma once
// Bitmaps as the platform draws them: at their own size, centred, and on a
// dense screen enlarged without smoothing, so that their edges stay hard.

#include <QIcon>
#include <QImage>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

class QPainter;

namespace vui {

// The size a picture is drawn at in a room: its own when it fits, otherwise
// scaled down keeping its proportions.
QSize fittedSize(const QSize& picture, const QSize& room);

// Draws a picture into a target rectangle (in the painter's units). Where the
// painter's device pixels per unit are a whole number, the picture is first
// brought to the target's size and then enlarged pixel for pixel; otherwise
// it is scaled once, smoothly, from the original to the device's resolution.
// `stretched`, when given, keeps the first step for the next paint.
void drawPicture(QPainter& painter, const QRectF& target, const QImage& picture, QImage* stretched = nullptr);

// One of the style's standard pictures (OK, Cancel, a folder ...). The style
// reads its files only when a window first draws it, once for the program:
// the forms made at start-up and never shown do not pay for it.
QIcon standardIcon(QStyle::StandardPixmap which);

// A widget showing one picture, kept as read.
template <typename Base> class PictureWidget : public Base
{
public:
    using Base::Base;
    void setPicture(const QImage& picture)
    {
        m_picture = picture;
        m_stretched = QImage();
        this->update();
    }
    QImage picture() const { return m_picture; }

protected:
    QImage m_picture;
    QImage m_stretched; // the picture at the widget's size, while it is needed
};

// A picture button: its picture centred on the whole button, at its own size
// up to the button's.
class SpeedButton : public PictureWidget<QToolButton>
{
    Q_OBJECT
public:
    explicit SpeedButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A picture stretched over the whole widget, proportions not kept.
class Image : public PictureWidget<QWidget>
{
    Q_OBJECT
public:
    using PictureWidget::PictureWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vui
