#pragma once

#include <QDialog>
#include <QString>

#include "ops/Step.h"
#include "ui/StepSession.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace upd {

// "Архивиране": the phase of a long step, its percentage on a bar (busy while unknown), the
// time taken and left, the archive's size so far and "Отказ", with the window's texts and the
// shared layout (ui/FormDescription.h). Application-modal: the window beneath stays blocked.
// "Отказ", Escape and the close box ask to cancel (cancelRequested); the dialog stays until
// the step has ended and its owner destroys it.
class ProgressDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ProgressDialog(QWidget* parent);

    void ShowProgress(const WorkProgress& progress);

  signals:
    void cancelRequested();

  public slots:
    void reject() override;

  private:
    QLabel* phase_ = nullptr;
    QLabel* percent_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QLabel* size_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelled_ = false;
};

// A Qt window's StepHost::Post: the event reaches the session on receiver's thread, after
// delay (no delay: queued, as the worker needs).
void PostStepEvent(QObject* receiver, StepSession& session, StepEvent event,
                   std::chrono::milliseconds delay);

}  // namespace upd
