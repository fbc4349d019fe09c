#include "widget_events.h"

#include "errors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vui {

QChar typedCharacter(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QLatin1Char('\r');
    case Qt::Key_Backspace:
        return QLatin1Char('\b');
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return {};
    return text.at(0);
}

namespace {

class EventHook : public QObject
{
public:
    enum Kind { KeyPress, Enter, Exit };
    EventHook(QWidget* widget, Kind kind)
        : QObject(widget)
        , m_kind(kind)
        , m_class(widget->metaObject())
    {
        widget->installEventFilter(this);
    }
    std::function<void(QChar&)> keyHandler;
    std::function<void()> focusHandler;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A widget being destroyed is no longer of its class, yet still loses
        // the focus: no handler runs on it, nor on the window it leaves.
        if (watched != parent() || watched->metaObject() != m_class)
            return false;
        if (m_kind == KeyPress && event->type() == QEvent::KeyPress) {
            QChar key = typedCharacter(static_cast<QKeyEvent*>(event));
            if (key.isNull())
                return false;
            return !guarded([&] { keyHandler(key); }) || key.isNull();
        }
        const bool in = event->type() == QEvent::FocusIn;
        if ((m_kind == Enter && in) || (m_kind == Exit && event->type() == QEvent::FocusOut)) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                guarded(focusHandler);
        }
        return false;
    }

private:
    Kind m_kind;
    const QMetaObject* m_class;
};

} // namespace

void onKeyPress(QWidget* widget, std::function<void(QChar& key)> handler)
{
    auto* hook = new EventHook(widget, EventHook::KeyPress);
    hook->keyHandler = std::move(handler);
}

void onEnter(QWidget* widget, std::function<void()> handler)
{
    auto* hook = new EventHook(widget, EventHook::Enter);
    hook->focusHandler = std::move(handler);
}

void onExit(QWidget* widget, std::function<void()> handler)
{
    auto* hook = new EventHook(widget, EventHook::Exit);
    hook->focusHandler = std::move(handler);
}

namespace {

class RadioArrows : public QObject
{
public:
    RadioArrows(std::initializer_list<QAbstractButton*> items)
        : QObject(*items.begin())
        , m_items(items)
    {
        for (QAbstractButton* item : m_items)
            item->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        int step = 0;
        if (key == Qt::Key_Right || key == Qt::Key_Down)
            step = 1;
        else if (key == Qt::Key_Left || key == Qt::Key_Up)
            step = -1;
        const qsizetype at = m_items.indexOf(qobject_cast<QAbstractButton*>(watched));
        if (step == 0 || at < 0)
            return false;
        const qsizetype n = m_items.size();
        for (qsizetype i = (at + step + n) % n; i != at; i = (i + step + n) % n) {
            if (m_items[i]->isEnabled() && m_items[i]->isVisible()) {
                m_items[i]->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                m_items[i]->click();
                break;
            }
        }
        return true;
    }

private:
    QList<QAbstractButton*> m_items;
};

} // namespace

void radioGroup(std::initializer_list<QAbstractButton*> items)
{
    new RadioArrows(items);
}

void postNextControl(QWidget* window)
{
    QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
        if (!window || !window->isVisible())
            return;
        QWidget* focused = window->focusWidget();
        if (!focused)
            return;
        // A Tab sent to the focused control takes the same road as a typed one,
        // so scrolling containers bring the next control into view.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focused, &tab);
    });
}

} // namespace vui
