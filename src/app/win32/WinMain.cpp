#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include "app/win32/MainFrm.h"

namespace {
// The shell's folder browser and the file dialogs need COM on the window's thread.
class ComApartment {
  public:
    ComApartment() : ready_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ready_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool ready_;
};
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    const ComApartment com;
    TMainForm mainForm;
    mainForm.Show(showCommand);
    return mainForm.RunMessageLoop();
}
