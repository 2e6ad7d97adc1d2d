// Stands in for 7-Zip in the Windows tests. Next to itself it writes
//   arguments.txt  its arguments, one per line, as the C runtime splits them;
//   startup.txt    its whole command line, then "show-window <flag> <state>" from its
//                  start-up information;
// writes "partial\n" to its third argument (the archive of "a -p... ARCHIVE FILES") and
// exits with the number in exit-code.txt beside it (0 without that file).
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "util/FileSystem.h"

namespace {

std::string Utf8(const wchar_t* text) {
    return upd::FromPath(std::filesystem::path(text));
}

std::vector<std::string> Arguments() {
    int count = 0;
    const auto freeList = [](wchar_t** list) { LocalFree(list); };
    const std::unique_ptr<wchar_t*, decltype(freeList)> list(
        CommandLineToArgvW(GetCommandLineW(), &count), freeList);
    std::vector<std::string> arguments;
    for (int i = 1; list && i < count; ++i) {
        arguments.push_back(Utf8(list.get()[i]));
    }
    return arguments;
}

std::string Beside(const std::string& name) {
    return upd::ExecutableDirectory() + name;
}

int ExitCode() {
    std::ifstream in(upd::ToPath(Beside("exit-code.txt")));
    int code = 0;
    in >> code;
    return code;
}

}  // namespace

int main() {
    const std::vector<std::string> arguments = Arguments();
    std::ofstream recorded(upd::ToPath(Beside("arguments.txt")), std::ios::binary);
    for (const std::string& argument : arguments) {
        recorded << argument << '\n';
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    std::ofstream(upd::ToPath(Beside("startup.txt")), std::ios::binary)
        << Utf8(GetCommandLineW()) << "\nshow-window "
        << ((startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0) << ' ' << startup.wShowWindow << '\n';
    if (arguments.size() >= 3) {
        std::ofstream(upd::ToPath(arguments[2]), std::ios::binary) << "partial\n";
    }
    return ExitCode();
}
