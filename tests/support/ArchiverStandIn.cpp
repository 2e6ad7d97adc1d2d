// Stands in for 7-Zip in the Windows tests. For every command but the checks (t, l) it writes
// next to itself
//   arguments.txt  its arguments, one per line, as the C runtime splits them;
//   startup.txt    its whole command line, then "show-window <flag> <state>" from its
//                  start-up information.
// When asked for progress (-bsp1), it first prints it as 7-Zip does: "  0%", " 50% +
// descriptor.xml" (for "a") and "100%", each erased with backspaces, blanks and backspaces.
// What it does is chosen by mode.txt beside it (absent: "normal"):
//   a  normal:  writes "partial\n" to its third argument (the archive of "a -p... ARCHIVE
//               FILES"); when exit-code.txt beside it holds a code other than 0, prints
//               "Scanning <archive>" and "ERROR: something broke" and exits with that code;
//      garbage: the same, but "t" then fails as for a damaged archive;
//      nested:  the same, but "l" lists descriptor.xml under a sub-folder;
//      sleep:   sleeps 30 s;
//      slowtest: "t" sleeps 30 s;
//      child:   starts a copy of itself that writes child.txt beside it at once and
//               late.txt after 1.5 s, and sleeps 30 s;
//      leaves:  starts that copy, waits until it has written child.txt, then as normal;
//      progress: the same as normal, but waits 0.4 s after each progress update;
//      steady:  the same as normal, but "a" reports 0% to 100% in steps of 5 every 0.25 s;
//      old:     refuses every -b switch as 7-Zip 9.20 does ("Incorrect command line", exit
//               code 7, for any command), and appends each call's verb to calls.txt,
//               followed by " -bsp1" when the call asked for progress.
//   t  exits 0 (2 in the garbage mode);
//   l  prints the "l -slt" listing of an archive holding descriptor.xml: a block for the
//      archive itself, then "----------" and the entries.
// Any other command exits with the code in exit-code.txt.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
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

std::string FirstWordOf(const std::string& name, const std::string& absent) {
    std::ifstream in(upd::ToPath(Beside(name)));
    std::string word;
    return in >> word ? word : absent;
}

int ExitCode() {
    return std::stoi(FirstWordOf("exit-code.txt", "0"));
}

void Record(const std::vector<std::string>& arguments) {
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
}

bool AskedForProgress(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "-bsp1") != arguments.end();
}

// 7-Zip 9.20 knows no -b switch at all.
bool HasOutputSwitch(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(),
                       [](const std::string& argument) { return argument.starts_with("-b"); });
}

void PrintListing(const std::vector<std::string>& arguments, const std::string& mode) {
    std::printf("\nListing archive: %s\n\n--\nPath = %s\nType = 7z\n\n----------\n",
                arguments.back().c_str(), arguments.back().c_str());
    std::printf("Path = %s\nSize = 13\n\n",
                mode == "nested" ? "sub\\descriptor.xml" : "descriptor.xml");
}

void RecordCall(const std::string& verb, bool progress) {
    std::ofstream(upd::ToPath(Beside("calls.txt")), std::ios::binary | std::ios::app)
        << verb << (progress ? " -bsp1" : "") << '\n';
}

// One update as 7-Zip writes it: the text, then backspaces, blanks and backspaces.
void PrintUpdate(const std::string& text, const std::string& mode) {
    const std::string back(text.size(), '\b');
    std::printf("%s%s%s%s", text.c_str(), back.c_str(), std::string(text.size(), ' ').c_str(),
                back.c_str());
    std::fflush(stdout);
    if (mode == "progress") {
        Sleep(400);
    }
}

void PrintProgress(const std::string& verb, const std::string& mode) {
    if (verb == "a" && mode == "steady") {
        for (int percent = 0; percent <= 100; percent += 5) {
            char update[32];
            std::snprintf(update, sizeof update, "%3d%% + descriptor.xml", percent);
            PrintUpdate(update, mode);
            Sleep(250);
        }
        return;
    }
    PrintUpdate("  0%", mode);
    if (verb == "a") {
        PrintUpdate(" 50% + descriptor.xml", mode);
    }
    PrintUpdate("100%", mode);
}

// A copy of this program that would outlive it: "<self> late".
void StartLateChild() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" late";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &child)) {
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
}

int Add(const std::vector<std::string>& arguments, const std::string& mode) {
    if (mode == "sleep" || mode == "child") {
        if (mode == "child") {
            StartLateChild();
        }
        Sleep(30000);
        return 0;
    }
    if (mode == "leaves") {
        StartLateChild();
        for (int i = 0; i < 500 && !std::filesystem::exists(upd::ToPath(Beside("child.txt")));
             ++i) {
            Sleep(10);
        }
    }
    if (arguments.size() >= 3) {
        std::ofstream(upd::ToPath(arguments[2]), std::ios::binary) << "partial\n";
    }
    const int code = ExitCode();
    if (code != 0) {
        std::printf("Scanning %s\n", arguments.size() >= 3 ? arguments[2].c_str() : "");
        std::fflush(stdout);
        std::fprintf(stderr, "ERROR: something broke\n");
    }
    return code;
}

}  // namespace

int main() {
    const std::vector<std::string> arguments = Arguments();
    const std::string verb = arguments.empty() ? "" : arguments[0];
    const std::string mode = FirstWordOf("mode.txt", "normal");
    if (verb == "late") {
        std::ofstream(upd::ToPath(Beside("child.txt"))) << "started\n";
        Sleep(1500);
        std::ofstream(upd::ToPath(Beside("late.txt"))) << "late\n";
        return 0;
    }
    const bool progress = AskedForProgress(arguments);
    if (mode == "old") {
        RecordCall(verb, progress);
    }
    if (mode == "old" && HasOutputSwitch(arguments)) {
        std::printf(
            "\n7-Zip 9.20  Copyright (c) 1999-2010 Igor Pavlov  2010-11-18\n\n"
            "Error:\nIncorrect command line\n");
        return 7;
    }
    if (progress) {
        PrintProgress(verb, mode);
    }
    if (verb == "t") {
        if (mode == "slowtest") {
            Sleep(30000);
        }
        return mode == "garbage" ? 2 : 0;
    }
    if (verb == "l") {
        PrintListing(arguments, mode);
        return 0;
    }
    Record(arguments);
    return verb == "a" ? Add(arguments, mode) : ExitCode();
}
