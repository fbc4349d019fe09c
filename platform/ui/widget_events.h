#pragma once
// Key-press, enter and exit events of any control, handed to a window's
// handlers: a key-press handler sees the character typed and may drop it;
// enter and exit follow the focus from control to control within a window.

#include <QChar>

#include <functional>
#include <initializer_list>

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace vui {

// The character a key event types, as a key-press handler sees it: Enter is
// '\r' and Backspace '\b'. Keys that type nothing here (arrows, Delete, Tab,
// Escape, function keys) and chords with Ctrl or Alt give a null character.
QChar typedCharacter(const QKeyEvent* event);

// Runs `handler` for each character typed into `widget`, before the widget
// sees it. Setting the key to a null character drops it; so does a failure,
// which is shown like any handler's.
void onKeyPress(QWidget* widget, std::function<void(QChar& key)> handler);

// Focus moving into or out of `widget` from another control of its window;
// a window losing or regaining activation is neither.
void onEnter(QWidget* widget, std::function<void()> handler);
void onExit(QWidget* widget, std::function<void()> handler);

template <typename Receiver> void onKeyPress(QWidget* widget, Receiver* receiver, void (Receiver::*handler)(QChar&))
{
    onKeyPress(widget, [receiver, handler](QChar& key) { (receiver->*handler)(key); });
}
template <typename Receiver> void onEnter(QWidget* widget, Receiver* receiver, void (Receiver::*handler)())
{
    onEnter(widget, [receiver, handler] { (receiver->*handler)(); });
}
template <typename Receiver> void onExit(QWidget* widget, Receiver* receiver, void (Receiver::*handler)())
{
    onExit(widget, [receiver, handler] { (receiver->*handler)(); });
}

// Arrow keys in a radio group move to the prior or next item, round the
// group, and choose it as a click does.
void radioGroup(std::initializer_list<QAbstractButton*> items);

// Moves the focus of `window` to the next control of its focus order once
// the event being handled now has finished, as Tab would.
void postNextControl(QWidget* window);

} // namespace vui
