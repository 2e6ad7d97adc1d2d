#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

namespace upd {

// COM on this thread for the object's lifetime (single-threaded apartment), as the shell's
// dialogs and MSXML need it; a thread that already has it keeps it as it was.
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

}  // namespace upd
