#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/UpdTool.h"
#include "util/Interruption.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <filesystem>
#include <memory>

#include "util/FileSystem.h"
#endif

namespace {

// The arguments after the program name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    // main() gets them in the ANSI code page, which cannot hold every file name.
    (void)argc;
    (void)argv;
    int count = 0;
    const auto freeArguments = [](wchar_t** list) { LocalFree(list); };
    const std::unique_ptr<wchar_t*, decltype(freeArguments)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), freeArguments);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        args.push_back(upd::FromPath(std::filesystem::path(wide.get()[i])));
    }
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    upd::CatchInterruptions();  // Ctrl-C and SIGTERM end the work and remove temporary files
    const upd::ToolConsole console{&std::cin, &std::cerr, isatty(2) != 0};
    const int status = upd::RunUpdTool(Arguments(argc, argv), std::cout, std::cerr, console);
    std::cerr.flush();
    return status;
}
