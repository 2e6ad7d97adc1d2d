#pragma once

#include <exception>
#include <functional>
#include <string>

namespace upd::win32 {

// Receives the message (UTF-8) of every exception that reaches the boundary.
using ExceptionHandler = std::function<void(const std::string& message)>;

// Installs the application-wide handler; an empty one removes it.
void SetApplicationExceptionHandler(ExceptionHandler handler);

// what() of a std::exception, a fixed text for anything else.
std::string ExceptionMessage(const std::exception_ptr& error);

// Hands an exception to the installed handler (to the debugger's output when there is none).
void HandleException(const std::exception_ptr& error);

// Runs an event handler so that no exception leaves it: an exception must never cross a
// window procedure, which C++ cannot unwind through the system's frames.
template <typename Action>
void RunGuarded(Action&& action) noexcept {
    try {
        action();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

}  // namespace upd::win32
