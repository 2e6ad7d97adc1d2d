// Renders every page of the window, the publication dialog, the error dialog and the progress
// dialog into PNG files,
// for the README.
// Usage: upd_screenshots OUTPUT-FOLDER (run under an X server, e.g. Xvfb).

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <iostream>

#include "app/MainFrm.h"
#include "app/PublishDialog.h"
#include "ui/AppIdentity.h"
#include "ui/GuardedApplication.h"
#include "ui/ProgressDialog.h"

namespace {

bool WaitUntilExposed(QWidget& window) {
    const QDeadlineTimer deadline(10'000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (deadline.hasExpired()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
    return true;
}

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!widget.grab().save(path)) {
        std::cerr << "Cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// Clicks "Генерирай updates.upd" with an empty path and captures the error dialog it opens.
bool SaveErrorDialog(TMainForm& form, const QDir& folder) {
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !WaitUntilExposed(*dialog)) {
            return;
        }
        poll.stop();
        saved = Save(*dialog, folder, QStringLiteral("error-dialog.png"));
        dialog->close();
    });
    poll.start(50);
    QTimer::singleShot(10'000, &form, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->close();
        }
    });
    form.findChild<QTabWidget*>(QStringLiteral("pgc1"))->setCurrentIndex(0);
    form.findChild<QPushButton*>(QStringLiteral("btnGenerateUpdates"))->click();
    return saved;
}

// A long step as the archive command reports it, twelve seconds in, with an estimate.
bool SaveProgressDialog(TMainForm& form, const QDir& folder) {
    using namespace std::chrono_literals;
    upd::ProgressDialog dialog(&form);
    upd::WorkProgress progress;
    progress.elapsed = 12'300ms;
    progress.phaseElapsed = 12'300ms;
    progress.outputBytes = 12'897'485;
    progress.percent = 42;
    dialog.ShowProgress(progress);
    dialog.show();
    return WaitUntilExposed(dialog) && Save(dialog, folder, QStringLiteral("progress-dialog.png"));
}

// "Публикуване" as the help page's button opens it, filled in as for a release.
bool SavePublishDialog(TMainForm& form, const QDir& folder) {
    upd::PublishDialog dialog(&form);
    namespace f = upd::form;
    dialog.Set(f::Field::PublishFolder, "/mnt/m/x/updates/dvl2autopatcher");
    dialog.Set(f::Field::PublishIndex, "/home/publisher/updates/updates.upd");
    dialog.SetArchives({"/home/publisher/updates/patch-2026-12.upd"});
    dialog.show();
    return WaitUntilExposed(dialog) && Save(dialog, folder, QStringLiteral("publish-dialog.png"));
}

}  // namespace

int main(int argc, char** argv) {
    upd::GuardedApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: upd_screenshots OUTPUT-FOLDER\n";
        return 2;
    }
    upd::InitializeApplication(application);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    TMainForm form;
    form.show();
    if (!WaitUntilExposed(form)) {
        std::cerr << "The window was not shown\n";
        return 1;
    }
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("pgc1"));
    bool ok = true;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QApplication::processEvents();
        ok &= Save(form, folder, QStringLiteral("window-ts%1.png").arg(page + 1));
    }
    ok &= SavePublishDialog(form, folder);
    ok &= SaveErrorDialog(form, folder);
    ok &= SaveProgressDialog(form, folder);
    return ok ? 0 : 1;
}
