#include "ui/GuardedApplication.h"

#include "ui/ExceptionRouting.h"

namespace upd {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

}  // namespace upd
