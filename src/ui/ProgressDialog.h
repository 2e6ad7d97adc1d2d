#pragma once

#include <QDialog>
#include <QString>

#include <chrono>
#include <cstdint>

#include "ops/InteractionServices.h"

class QLabel;
class QPushButton;

namespace upd {

// "Изминало време: 0:07": minutes and seconds, hours in front once there are any.
QString ElapsedText(std::chrono::milliseconds elapsed);

// "Размер на архива: 12,3 MB": kilobytes below one megabyte, else megabytes to one decimal.
QString ArchiveSizeText(std::int64_t bytes);

// "Архивиране": the state of a long step and "Отказ". Application-modal: the window beneath
// stays blocked. "Отказ", Escape and the close box ask to cancel; the dialog stays until the
// step has ended and its owner destroys it.
class ProgressDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ProgressDialog(QWidget* parent);

    void ShowProgress(const WorkProgress& progress);
    bool Cancelled() const { return cancelled_; }

  public slots:
    void reject() override;

  private:
    QLabel* elapsed_ = nullptr;
    QLabel* state_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace upd
