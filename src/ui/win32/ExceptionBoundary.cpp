#include "ui/win32/ExceptionBoundary.h"

#include <windows.h>

#include "ui/ErrorText.h"
#include "ui/win32/WideText.h"

namespace upd::win32 {

namespace {
ExceptionHandler& InstalledHandler() {
    static ExceptionHandler handler;
    return handler;
}

void ReportToDebugger(const std::string& message) {
    OutputDebugStringW(Wide(upd::ErrorDialogText(message) + "\n").c_str());
}
}  // namespace

void SetApplicationExceptionHandler(ExceptionHandler handler) {
    InstalledHandler() = std::move(handler);
}

std::string ExceptionMessage(const std::exception_ptr& error) {
    return upd::ExceptionMessage(error);
}

void HandleException(const std::exception_ptr& error) {
    std::string message;
    try {
        message = ExceptionMessage(error);
        // A copy: the handler may replace itself while its dialog is open.
        const ExceptionHandler handler = InstalledHandler();
        if (!handler) {
            ReportToDebugger(message);
            return;
        }
        handler(message);
    } catch (...) {
        // The handler itself failed (out of memory for the dialog): keep the message at least.
        ReportToDebugger(message);
    }
}

}  // namespace upd::win32
