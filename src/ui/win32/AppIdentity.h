#pragma once

#include <windows.h>

#include <string>

namespace upd::win32 {

// The executable's file name up to its first dot, every letter after the first in lower
// case ("UpdatePublisher.exe" -> "Updatepublisher").
std::wstring ApplicationTitleFor(const std::wstring& executableFileName);
std::wstring ApplicationTitle();

// The icon resource of the executable, or the system's application icon when it has none.
HICON ApplicationIcon(int pixels);

// Places a top-level window in the middle of the work area of its monitor.
void CenterOnMonitor(HWND window);

// The resource id of the application icon in the .rc files.
inline constexpr int kApplicationIconId = 1;

}  // namespace upd::win32
