#include "ui/Choosers.h"

#include <QDir>
#include <QFileDialog>

namespace upd {

namespace {
QString ChosenPath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    // cleanPath drops a trailing separator, except on a root such as "/" or "C:/".
    return QDir::toNativeSeparators(QDir::cleanPath(dialog.selectedFiles().constFirst()));
}
}  // namespace

QString QtNameFilter(const ChooserFilter& filter) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) {
        patterns << QString::fromStdString(pattern);
    }
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.name), patterns.join(' '));
}

QString ChooseFileWithDialog(QWidget* parent, const ChooserFilter& filter, const QString& title) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QtNameFilter(filter));
    return ChosenPath(dialog);
}

QString ChooseFolderWithDialog(QWidget* parent, const QString& caption) {
    QFileDialog dialog(parent, caption);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return ChosenPath(dialog);
}

}  // namespace upd
