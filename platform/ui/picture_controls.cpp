#include "picture_controls.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <cmath>

namespace vui {

namespace {

// Stands for a standard icon and asks the style for it at the first use.
class StandardIconEngine : public QIconEngine
{
public:
    explicit StandardIconEngine(QStyle::StandardPixmap which)
        : m_which(which)
    {
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("vui::StandardIconEngine"); }
    QIconEngine* clone() const override { return new StandardIconEngine(m_which); }

private:
    QIcon icon() const
    {
        QHash<int, QIcon>& found = foundIcons();
        auto it = found.find(m_which);
        if (it == found.end()) {
            // The pictures go with the application object they were made for.
            if (found.isEmpty())
                QObject::connect(qApp, &QObject::destroyed, [] { foundIcons().clear(); });
            it = found.insert(m_which, QApplication::style()->standardIcon(m_which));
        }
        return *it;
    }

    static QHash<int, QIcon>& foundIcons()
    {
        static QHash<int, QIcon> found;
        return found;
    }

    QStyle::StandardPixmap m_which;
};

} // namespace

QIcon standardIcon(QStyle::StandardPixmap which)
{
    return QIcon(new StandardIconEngine(which));
}

QSize fittedSize(const QSize& picture, const QSize& room)
{
    if (picture.width() <= room.width() && picture.height() <= room.height())
        return picture;
    return picture.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void drawPicture(QPainter& painter, const QRectF& target, const QImage& picture, QImage* stretched)
{
    if (picture.isNull() || target.isEmpty())
        return;
    const qreal ratio = std::abs(painter.deviceTransform().m11());
    const bool whole = std::abs(ratio - std::round(ratio)) < 1e-6;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
    const QSize size = target.size().toSize();
    if (!whole || size == picture.size()) {
        painter.drawImage(target, picture);
    } else {
        QImage local;
        QImage& first = stretched ? *stretched : local;
        if (first.size() != size)
            first = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(target, first);
    }
    painter.restore();
}

SpeedButton::SpeedButton(QWidget* parent)
    : PictureWidget(parent)
{
    // Before the click is handled, so that a message it shows finds the button drawn up.
    connect(this, &QAbstractButton::released, this, [this] { setUpdatesEnabled(true); });
}

void SpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    // The button released is drawn from the event loop rather than at once:
    // a click that hides its window then never waits for the drawing.
    const QPointer<SpeedButton> self(this);
    setUpdatesEnabled(false);
    QToolButton::mouseReleaseEvent(event);
    if (self && !updatesEnabled())
        setUpdatesEnabled(true);
}

void SpeedButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The style would fit the picture inside its frame margins: it draws only the frame.
    option.icon = QIcon();
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QSize size = fittedSize(m_picture.size(), this->size());
    const QPoint corner((width() - size.width()) / 2, (height() - size.height()) / 2);
    drawPicture(painter, QRect(corner, size), m_picture, &m_stretched);
}

void Image::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawPicture(painter, rect(), m_picture, &m_stretched);
}

} // namespace vui
