#include "ui/ProgressDialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/FormDescription.h"
#include "util/Texts.h"

namespace upd {

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

template <typename Widget>
Widget* Placed(Widget* widget, const char* name, const form::Rect& rect) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
    return widget;
}
}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    const form::ProgressLayout& layout = form::ProgressDialogLayout();
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(FromUtf8(text::kProgressTitle));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(layout.clientWidth, layout.clientHeight);
    QFont font(FromUtf8(layout.font.face));
    font.setPixelSize(layout.font.pixelHeight);
    setFont(font);
    elapsed_ = Placed(new QLabel(FromUtf8(form::ProgressElapsedText({})), this), "elapsed",
                      layout.elapsed);
    state_ = Placed(new QLabel(FromUtf8(form::ProgressSizeText(0)), this), "state", layout.detail);
    cancel_ =
        Placed(new QPushButton(FromUtf8(text::kProgressCancel), this), "cancel", layout.cancel);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::reject);
}

void ProgressDialog::ShowProgress(const WorkProgress& progress) {
    elapsed_->setText(FromUtf8(form::ProgressElapsedText(progress.elapsed)));
    state_->setText(progress.checking ? FromUtf8(text::kProgressChecking)
                                      : FromUtf8(form::ProgressSizeText(progress.outputBytes)));
}

// Instead of closing: the step is asked to end, and the dialog shows that the cancel was
// taken until the step has ended and its owner destroys it.
void ProgressDialog::reject() {
    if (!cancelled_) {
        cancelled_ = true;
        cancel_->setEnabled(false);
        emit cancelRequested();
    }
}

}  // namespace upd
