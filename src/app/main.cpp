#include "app/MainFrm.h"
#include "app/QtTranslation.h"
#include "ui/AppIdentity.h"
#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    upd::GuardedApplication application(argc, argv);
    upd::InitializeApplication(application);
    const auto bulgarian = upd::InstallQtBulgarian(application);
    TMainForm mainForm;
    mainForm.show();
    return application.exec();
}
