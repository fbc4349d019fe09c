#include "messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace vui {

namespace {

// A question is answered by one of its buttons only: Escape and a close from
// the window system are refused.
class AnsweredOnly : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    }
};

QWidget* boxOwner(QWidget* opener)
{
    // A window hidden as it opens the box would leave the box hanging off
    // nothing on screen: the box belongs to the nearest shown window.
    for (QWidget* w = opener; w; w = w->parentWidget()) {
        if (w->window()->isVisible())
            return w->window();
    }
    return QApplication::activeWindow();
}

} // namespace

QString applicationTitle()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(path).completeBaseName();
}

void fitCaption(QMessageBox& box)
{
    // Qt sizes a box to its text; the title bar needs its caption, in a bold
    // title font, beside the window system's buttons.
    QFont title = box.font();
    title.setBold(true);
    title.setPixelSize(QFontInfo(box.font()).pixelSize() * 5 / 4);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 160;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid)
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
            grid->columnCount());
}

bool askYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(
        QMessageBox::NoIcon, QStringLiteral("Vesmarin"), text, QMessageBox::Yes | QMessageBox::No, boxOwner(parent));
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    AnsweredOnly answeredOnly;
    box.installEventFilter(&answeredOnly);
    fitCaption(box);
    return box.exec() == QMessageBox::Yes;
}

void notice(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, boxOwner(parent));
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    fitCaption(box);
    box.exec();
}

} // namespace vui
