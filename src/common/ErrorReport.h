#pragma once

#include <QString>

#include <functional>
#include <utility>

namespace lumisnap {

// The one way errors reach the user. The application installs a message box at start;
// tests install their own to see what would be shown.
using ErrorReporter = std::function<void(const QString &text)>;

void setErrorReporter(ErrorReporter reporter);

// The text shown for an error message: a full stop is appended when the last
// character sorts after ".".
QString errorReportText(const QString &message);

// Reports a message as the event loop reports an error that leaves a handler.
void reportError(const QString &message);

// Call only inside a catch block: a silent abort is dropped, any other error is
// reported. Never throws.
void reportCurrentException() noexcept;

// As reportCurrentException, but the report waits until control is back in the
// event loop: for errors met where a message box must not open (inside a paint).
void reportCurrentExceptionLater() noexcept;

// Runs a handler where Qt calls in (a slot, a timer, a virtual Qt calls), so that
// no exception unwinds through Qt's own frames. Returns false when it threw.
template <typename Handler>
bool runHandler(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

// The handler as a slot for Qt's signals and timers: it runs through runHandler.
template <typename Handler>
auto guarded(Handler handler)
{
    return [handler = std::move(handler)]() mutable { runHandler(handler); };
}

} // namespace lumisnap
