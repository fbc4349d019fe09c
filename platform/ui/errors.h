#pragma once
// The one place where an error that leaves a handler is caught and shown.

#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class QWidget;

namespace vui {

// The default error display: a message box with the error's text.
void showError(const QString& text);

// Runs a handler; an error it raises is shown and stops only that handler.
// Returns false when the handler failed.
bool guarded(const std::function<void()>& handler);

// Connects a signal to a handler through the guard, so that no error ever
// crosses the event loop.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection on(Sender* sender, Signal signal, Receiver* receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](auto&&... args) {
        guarded([&] {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                (receiver->*handler)(std::forward<decltype(args)>(args)...);
            else
                handler(std::forward<decltype(args)>(args)...);
        });
    });
}

} // namespace vui
