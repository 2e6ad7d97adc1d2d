// Prints, as UTF-8 lines, the texts of the static controls of the visible top-level window
// with the title given as the only argument: lets a script read what a dialog says.
// Exit status 1 when there is no such window.
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

BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (std::wstring(className) == L"Static" && IsWindowVisible(child)) {
        wchar_t text[4096] = {};
        GetWindowTextW(child, text, 4096);
        if (text[0] != L'\0') {
            std::printf("%s\n", Utf8(text).c_str());
        }
    }
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
    HWND window = FindWindowW(nullptr, arguments.get()[1]);
    if (window == nullptr) {
        return 1;
    }
    EnumChildWindows(window, &PrintStatic, 0);
    return 0;
}
