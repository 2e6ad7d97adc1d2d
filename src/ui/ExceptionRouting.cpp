#include "ui/ExceptionRouting.h"

#include <iostream>

#include "ui/ErrorText.h"

namespace upd {

namespace {
ExceptionHandler& InstalledHandler() {
    static ExceptionHandler handler;
    return handler;
}

void ReportToStandardError(const QString& message) {
    std::cerr << ErrorDialogText(message.toStdString()) << std::endl;
}
}  // namespace

void SetApplicationExceptionHandler(ExceptionHandler handler) {
    InstalledHandler() = std::move(handler);
}

void HandleException(const std::exception_ptr& error) {
    const QString message = QString::fromStdString(ExceptionMessage(error));
    // A copy: the handler may replace itself while its dialog is open.
    const ExceptionHandler handler = InstalledHandler();
    if (!handler) {
        ReportToStandardError(message);
        return;
    }
    try {
        handler(message);
    } catch (...) {
        // The handler itself failed (e.g. out of memory for the dialog): the original message
        // must not be lost, and nothing may escape into Qt.
        ReportToStandardError(message);
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

}  // namespace upd
