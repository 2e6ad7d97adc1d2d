#include "ui/win32/AppIdentity.h"

#include <vector>

#include "ui/ErrorText.h"
#include "ui/win32/WideText.h"

namespace upd::win32 {

std::wstring ApplicationTitleFor(const std::wstring& executableFileName) {
    return Wide(upd::ApplicationTitleFor(Utf8(executableFileName), [](std::string_view text) {
        // The system's case mapping knows every alphabet, whatever the C locale.
        std::wstring lower = Wide(text);
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
        return Utf8(lower);
    }));
}

std::wstring ApplicationTitle() {
    std::vector<wchar_t> path(MAX_PATH);
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    const std::wstring full(path.data(), length);
    return ApplicationTitleFor(full.substr(full.find_last_of(L"\\/") + 1));
}

HICON ApplicationIcon(int pixels) {
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId),
                             IMAGE_ICON, pixels, pixels, LR_SHARED);
    if (icon == nullptr) {
        icon = LoadImageW(nullptr, MAKEINTRESOURCEW(32512) /* IDI_APPLICATION */, IMAGE_ICON, 0, 0,
                          LR_SHARED | LR_DEFAULTSIZE);
    }
    return static_cast<HICON>(icon);
}

void CenterOnMonitor(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace upd::win32
