// main() of the window tests: a real application object (the one the program uses, with Qt's
// Bulgarian texts), on the offscreen platform unless the environment names another.
#include <gtest/gtest.h>

#include "app/QtTranslation.h"
#include "ui/AppIdentity.h"
#include "ui/GuardedApplication.h"

namespace {
QtMessageHandler qtDefaultHandler = nullptr;

// The offscreen platform warns at every dialog that it cannot pass size hints on; that is
// noise here, everything else gets through.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")) {
        return;
    }
    qtDefaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
    qtDefaultHandler = qInstallMessageHandler(QuietOffscreenWarnings);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    upd::GuardedApplication application(argc, argv);
    upd::InitializeApplication(application);
    const auto bulgarian = upd::InstallQtBulgarian(application);  // as the program does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
