#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "support/QtPrinters.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QMessageBox;

namespace updtest {

// What a test saw of a message box.
struct MessageBoxView {
    QString title;
    QString text;
    int icon = -1;           // QMessageBox::Icon
    QStringList captions;    // left to right
    QString defaultCaption;  // empty when none
    QString escapeCaption;   // empty when none
};

MessageBoxView ViewOf(QMessageBox& box);

// Answers the modal dialogs a test expects, one handler per dialog in the order they open,
// from a timer that runs inside the dialogs' own event loops. A dialog nobody expects, or one
// that its handler leaves open, is closed after a short while and reported, so that no test
// ever hangs on a dialog.
class ModalScript {
  public:
    using Handler = std::function<void(QWidget& dialog)>;

    explicit ModalScript(std::vector<Handler> handlers);
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Handlers whose dialog never opened.
    std::size_t Unused() const { return pending_.size(); }
    // Dialogs that were not expected or were left open, by title.
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    void Poll();
    void Dismiss(QWidget& dialog, const char* why);

    QTimer timer_;
    std::deque<Handler> pending_;
    QPointer<QWidget> current_;
    QElapsedTimer currentSince_;
    std::vector<std::string> problems_;
};

// Handlers for common answers.
ModalScript::Handler Reject();
// Types the path into a file dialog and accepts it.
ModalScript::Handler ChoosePath(const QString& path, QString* seenTitle = nullptr);
// Records the message box and presses the button with the caption.
ModalScript::Handler Press(const QString& caption, MessageBoxView* seen = nullptr);

}  // namespace updtest
