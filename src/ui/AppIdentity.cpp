#include "ui/AppIdentity.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include "ui/ErrorText.h"

namespace upd {

QString ApplicationTitleFor(const QString& executableFileName) {
    return QString::fromStdString(
        ApplicationTitleFor(executableFileName.toStdString(), [](std::string_view text) {
            return QString::fromUtf8(text.data(), qsizetype(text.size())).toLower().toStdString();
        }));
}

QString ApplicationTitle() {
    return ApplicationTitleFor(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QIcon ApplicationIcon() {
    return QIcon(QStringLiteral(":/updatepublisher.svg"));
}

void KeepNoSettings() {
    // Below a device file no folder can ever be made, so nothing is written there or read back.
    const QString nowhere = QStringLiteral("/dev/null/settings");
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
            QSettings::setPath(format, scope, nowhere);
        }
    }
}

void InitializeApplication(QApplication& application) {
    KeepNoSettings();
    // Also the fallback title Qt gives a window without one of its own.
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setDesktopFileName(QStringLiteral("updatepublisher"));
    application.setWindowIcon(ApplicationIcon());
}

void CenterOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    // move() places the frame; its size is known only where the frame already exists.
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

}  // namespace upd
