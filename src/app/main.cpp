#include "app/MainFrm.h"
#include "ui/AppIdentity.h"
#include "ui/ExceptionRouting.h"

int main(int argc, char** argv) {
    upd::GuardedApplication application(argc, argv);
    upd::InitializeApplication(application);
    TMainForm mainForm;
    mainForm.show();
    return application.exec();
}
