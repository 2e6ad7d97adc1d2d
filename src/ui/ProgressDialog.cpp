#include "ui/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "ops/ProgressView.h"
#include "ui/ExceptionRouting.h"
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

QLabel* PlacedLabel(QWidget* parent, const char* name, const form::Rect& rect) {
    auto* label = Placed(new QLabel(parent), name, rect);
    label->setTextFormat(Qt::PlainText);
    return label;
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
    phase_ = PlacedLabel(this, "phase", layout.phase);
    percent_ = PlacedLabel(this, "percent", layout.percent);
    percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The percentage stands beside the bar in both windows: the bar itself draws no text.
    bar_ = Placed(new QProgressBar(this), "bar", layout.bar);
    bar_->setTextVisible(false);
    elapsed_ = PlacedLabel(this, "elapsed", layout.elapsed);
    timeLeft_ = PlacedLabel(this, "timeLeft", layout.timeLeft);
    size_ = PlacedLabel(this, "size", layout.size);
    cancel_ =
        Placed(new QPushButton(FromUtf8(text::kProgressCancel), this), "cancel", layout.cancel);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::reject);
    ShowProgress({});
}

void ProgressDialog::ShowProgress(const WorkProgress& progress) {
    const form::ProgressView view = form::ViewOf(progress);
    setWindowTitle(FromUtf8(view.title));
    phase_->setText(FromUtf8(view.phase));
    percent_->setText(FromUtf8(view.percentText));
    if (view.percent) {
        bar_->setRange(0, 100);
        bar_->setValue(*view.percent);
    } else {
        bar_->setRange(0, 0);  // busy
    }
    elapsed_->setText(FromUtf8(view.elapsed));
    timeLeft_->setText(FromUtf8(view.timeLeft));
    size_->setText(FromUtf8(view.size));
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

void PostStepEvent(QObject* receiver, StepSession& session, StepEvent event,
                   std::chrono::milliseconds delay) {
    const auto deliver = Guarded([&session, event] { session.Deliver(event); });
    if (delay.count() == 0) {
        QMetaObject::invokeMethod(receiver, deliver, Qt::QueuedConnection);
    } else {
        QTimer::singleShot(delay, receiver, deliver);
    }
}

}  // namespace upd
