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

inline bool Exists(const std::filesystem::path& at) {
    return GetFileAttributesW(at.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Starts a Unix program under wine (which starts it like any other) in folder and waits
// until done() holds, at most 5 s: wine reports no exit status for it.
template <typename Done>
bool RunUnixUntil(std::wstring line, const std::filesystem::path& folder, Done done) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        for (int waited = 0; waited < 100 && !done(); ++waited) {
            Sleep(50);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return done();
}

// Wine 8 makes no reparse points (CreateSymbolicLinkW reports success and makes nothing) but
// shows a Unix link to a folder as one; there the Unix ln makes it. target uses '/'.
inline bool MakeFolderLink(const std::filesystem::path& at, const std::string& target) {
    CreateSymbolicLinkW(
        at.c_str(), upd::ToPath(target).c_str(),
        SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    return IsReparsePoint(at) || RunUnixUntil(L"Z:\\bin\\ln -s " + upd::ToPath(target).wstring() +
                                                  L" " + at.filename().wstring(),
                                              at.parent_path(), [&] { return IsReparsePoint(at); });
}

// Under wine RemoveDirectoryW reports a Unix link to a folder removed and leaves it: the Unix
// rm removes it there.
inline void RemoveLink(const std::filesystem::path& at) {
    if (!Exists(L"Z:\\bin\\rm") || !RunUnixUntil(L"Z:\\bin\\rm " + at.filename().wstring(),
                                                 at.parent_path(), [&] { return !Exists(at); })) {
        RemoveDirectoryW(at.c_str());
    }
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
