#include "ui/ProgressDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FormDescription.h"

namespace upd {

namespace {
// Wide enough that the lines do not make the dialog jump as the numbers grow.
constexpr int kMinimumWidth = 280;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(FromUtf8(form::kProgressTitle));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    elapsed_ = new QLabel(FromUtf8(form::ProgressElapsedText({})), this);
    elapsed_->setObjectName(QStringLiteral("elapsed"));
    elapsed_->setMinimumWidth(kMinimumWidth);
    state_ = new QLabel(FromUtf8(form::ProgressSizeText(0)), this);
    state_->setObjectName(QStringLiteral("state"));
    auto* buttons = new QDialogButtonBox(this);
    cancel_ = buttons->addButton(FromUtf8(form::kProgressCancel), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(elapsed_);
    layout->addWidget(state_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressDialog::ShowProgress(const WorkProgress& progress) {
    elapsed_->setText(FromUtf8(form::ProgressElapsedText(progress.elapsed)));
    state_->setText(progress.checking ? FromUtf8(form::kProgressChecking)
                                      : FromUtf8(form::ProgressSizeText(progress.outputBytes)));
}

// Instead of closing: the step notices at its next ContinueWork and ends; until then the
// dialog shows that the cancel was taken.
void ProgressDialog::reject() {
    cancelled_ = true;
    cancel_->setEnabled(false);
}

}  // namespace upd
