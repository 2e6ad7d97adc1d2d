#pragma once
// Symbolic links to folders, which a patch folder must not hold.

#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "util/FileSystem.h"

namespace updtest {

#ifdef _WIN32
inline bool IsReparsePoint(const std::filesystem::path& at) {
    const DWORD attributes = GetFileAttributesW(at.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Wine 8 makes no reparse points (CreateSymbolicLinkW reports success and makes nothing) but
// shows a Unix link to a folder as one; there the Unix ln, which wine starts like any
// program, makes the link in its folder. target uses '/'.
inline bool MakeFolderLink(const std::filesystem::path& at, const std::string& target) {
    CreateSymbolicLinkW(
        at.c_str(), upd::ToPath(target).c_str(),
        SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    std::wstring line =
        L"Z:\\bin\\ln -s " + upd::ToPath(target).wstring() + L" " + at.filename().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!IsReparsePoint(at) &&
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       at.parent_path().c_str(), &startup, &process)) {
        for (int waited = 0; waited < 100 && !IsReparsePoint(at); ++waited) {
            Sleep(50);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return IsReparsePoint(at);
}

inline void RemoveLink(const std::filesystem::path& at) {
    RemoveDirectoryW(at.c_str()) || DeleteFileW(at.c_str());
}
#else
inline bool MakeFolderLink(const std::filesystem::path& at, const std::string& target) {
    std::error_code ec;
    std::filesystem::create_directory_symlink(target, at, ec);
    return !ec;
}

inline void RemoveLink(const std::filesystem::path& at) {
    std::filesystem::remove(at);
}
#endif

}  // namespace updtest
