#include "ui/ProgressDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace upd {

namespace {
constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = 1024 * kKilobyte;
// Wide enough that the lines do not make the dialog jump as the numbers grow.
constexpr int kMinimumWidth = 280;

QLocale Bulgarian() {
    return QLocale(QLocale::Bulgarian, QLocale::Bulgaria);
}
}  // namespace

QString ElapsedText(std::chrono::milliseconds elapsed) {
    using namespace std::chrono;
    const auto total = duration_cast<seconds>(elapsed).count();
    const auto hours = total / 3600;
    const auto minutes = total / 60 % 60;
    const auto secondsPart = total % 60;
    const QString clock =
        hours > 0 ? QStringLiteral("%1:%2:%3")
                        .arg(hours)
                        .arg(minutes, 2, 10, QLatin1Char('0'))
                        .arg(secondsPart, 2, 10, QLatin1Char('0'))
                  : QStringLiteral("%1:%2").arg(minutes).arg(secondsPart, 2, 10, QLatin1Char('0'));
    return QStringLiteral("Изминало време: ") + clock;
}

QString ArchiveSizeText(std::int64_t bytes) {
    const QString size = bytes < kMegabyte
                             ? QStringLiteral("%1 KB").arg((bytes + kKilobyte - 1) / kKilobyte)
                             : Bulgarian().toString(double(bytes) / double(kMegabyte), 'f', 1) +
                                   QStringLiteral(" MB");
    return QStringLiteral("Размер на архива: ") + size;
}

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(QStringLiteral("Архивиране"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    elapsed_ = new QLabel(ElapsedText({}), this);
    elapsed_->setObjectName(QStringLiteral("elapsed"));
    elapsed_->setMinimumWidth(kMinimumWidth);
    state_ = new QLabel(ArchiveSizeText(0), this);
    state_->setObjectName(QStringLiteral("state"));
    auto* buttons = new QDialogButtonBox(this);
    cancel_ = buttons->addButton(QStringLiteral("Отказ"), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(elapsed_);
    layout->addWidget(state_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressDialog::ShowProgress(const WorkProgress& progress) {
    elapsed_->setText(ElapsedText(progress.elapsed));
    state_->setText(progress.checking ? QStringLiteral("Проверка на архива...")
                                      : ArchiveSizeText(progress.outputBytes));
}

// Instead of closing: the step notices at its next ContinueWork and ends; until then the
// dialog shows that the cancel was taken.
void ProgressDialog::reject() {
    cancelled_ = true;
    cancel_->setEnabled(false);
}

}  // namespace upd
