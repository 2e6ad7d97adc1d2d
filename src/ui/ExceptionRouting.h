#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace upd {

// Receives the message of every exception that escapes an event handler.
using ExceptionHandler = std::function<void(const QString& message)>;

// Installs the application-wide handler; an empty one removes it.
void SetApplicationExceptionHandler(ExceptionHandler handler);

// Hands an exception to the installed handler (to standard error when there is none).
void HandleException(const std::exception_ptr& error);

// Wraps an event handler so that no exception leaves it into Qt: every one goes to
// HandleException. Connect every handler through this.
template <typename Handler>
auto Guarded(Handler handler) {
    return [handler = std::move(handler)]() {
        try {
            handler();
        } catch (...) {
            HandleException(std::current_exception());
        }
    };
}

// The application object, catching what escapes any event delivery (event overrides, not
// only connected handlers) and handing it to HandleException before Qt would abort.
class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace upd
