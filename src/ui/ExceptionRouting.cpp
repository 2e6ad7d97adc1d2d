#include "ui/ExceptionRouting.h"

#include "ui/ErrorText.h"

namespace upd {

namespace {
ExceptionHandler& InstalledHandler() {
    static ExceptionHandler handler;
    return handler;
}
}  // namespace

void SetApplicationExceptionHandler(ExceptionHandler handler) {
    InstalledHandler() = std::move(handler);
}

void SetErrorDialog(std::function<void(const std::string& text)> showError) {
    SetApplicationExceptionHandler([showError = std::move(showError)](const std::string& message) {
        showError(ErrorDialogText(message));
    });
}

void HandleException(const std::exception_ptr& error) {
    std::string message;
    try {
        message = ExceptionMessage(error);
        // A copy: the handler may replace itself while its dialog is open.
        const ExceptionHandler handler = InstalledHandler();
        if (!handler) {
            ReportUnhandled(message);
            return;
        }
        handler(message);
    } catch (...) {
        // The handler itself failed (out of memory for the dialog): keep the message at least.
        ReportUnhandled(message);
    }
}

}  // namespace upd
