#pragma once

// Where an exception that escapes an event handler of either window goes: to one
// application-wide handler, which shows it in the error dialog. Nothing may unwind into a
// toolkit's frames (nor through the system's, on Windows).

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace upd {

// Receives the message (UTF-8) of every exception that escapes a handler.
using ExceptionHandler = std::function<void(const std::string& message)>;

// Installs the application-wide handler; an empty one removes it.
void SetApplicationExceptionHandler(ExceptionHandler handler);

// Installs a handler that shows "Exception: " + message through showError.
void SetErrorDialog(std::function<void(const std::string& text)> showError);

// Hands an exception to the installed handler (ReportUnhandled when there is none, or when
// the handler itself fails).
void HandleException(const std::exception_ptr& error);

// Where a message goes when no handler can show it: standard error, or the debugger's output.
void ReportUnhandled(const std::string& message) noexcept;

// Runs an event handler so that no exception leaves it: every one goes to HandleException.
template <typename Action>
void RunGuarded(Action&& action) noexcept {
    try {
        action();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// The handler wrapped in RunGuarded, for a toolkit's connections.
template <typename Handler>
auto Guarded(Handler handler) {
    return [handler = std::move(handler)]() { RunGuarded(handler); };
}

}  // namespace upd
