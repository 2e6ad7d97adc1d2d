// Prints, as UTF-8 lines, the texts of the static controls (and, after "edit: ", of the edit
// boxes) of the visible top-level window with the title given as the only argument: lets a
// script read what a dialog says or which folder a folder browser has selected.
// Exit status 1 when there is no such window.
// With --windows instead it lists every top-level window as the system sees it (handle,
// process, class, visible, style, rectangle, title): evidence of a window that X does not show.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string Utf8(const std::wstring& wide) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
    return text;
}

// An edit box's text is asked for by message: GetWindowText reads only captions of windows
// of another process.
BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    const std::wstring kind(className);
    if ((kind != L"Static" && kind != L"Edit") || !IsWindowVisible(child)) {
        return TRUE;
    }
    wchar_t text[4096] = {};
    DWORD_PTR copied = 0;
    if (kind == L"Edit") {
        SendMessageTimeoutW(child, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, &copied);
    } else {
        GetWindowTextW(child, text, 4096);
    }
    if (text[0] != L'\0') {
        std::printf("%s%s\n", kind == L"Edit" ? "edit: " : "", Utf8(text).c_str());
    }
    return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%p pid=%04lx class=%s visible=%d style=%08lx rect=%ld,%ld,%ld,%ld title=\"%s\"\n",
                static_cast<void*>(window), process, Utf8(className).c_str(),
                IsWindowVisible(window) ? 1 : 0,
                static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)), rect.left,
                rect.top, rect.right, rect.bottom, Utf8(title).c_str());
    return TRUE;
}

}  // namespace

int main() {
    int count = 0;
    const auto freeList = [](wchar_t** list) { LocalFree(list); };
    const std::unique_ptr<wchar_t*, decltype(freeList)> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count), freeList);
    if (!arguments || count != 2) {
        std::fprintf(stderr, "usage: window_text TITLE\n");
        return 2;
    }
    if (std::wstring(arguments.get()[1]) == L"--windows") {
        EnumWindows(&PrintTopLevel, 0);
        return 0;
    }
    HWND window = FindWindowW(nullptr, arguments.get()[1]);
    if (window == nullptr) {
        return 1;
    }
    EnumChildWindows(window, &PrintStatic, 0);
    return 0;
}
