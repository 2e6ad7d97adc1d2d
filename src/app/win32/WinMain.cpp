#include <windows.h>

#include "app/win32/MainFrm.h"
#include "util/win32/ComApartment.h"

// The shell's folder browser and the file dialogs need COM on the window's thread.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const upd::ComApartment com;
    TMainForm mainForm;
    mainForm.Show(showCommand);
    return mainForm.RunMessageLoop();
}
