#pragma once

#include <QApplication>

namespace upd {

// The application object, catching what escapes any event delivery (event overrides, not
// only connected handlers) and handing it to HandleException before Qt would abort.
class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace upd
