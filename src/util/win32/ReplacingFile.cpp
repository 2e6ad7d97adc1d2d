#include "util/ReplacingFile.h"

#include <windows.h>

#include "util/FileSystem.h"
#include "util/OperationError.h"

namespace upd {

namespace {
// The process's creation time, in 100 ns since 1601; 0 when unknown.
unsigned long long CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}
}  // namespace

std::string MachineName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? FromPath(std::filesystem::path(name)) : "";
}

TemporaryOwner ThisProcess() {
    return {GetCurrentProcessId(), CreationTimeOf(GetCurrentProcess())};
}

bool StillRuns(const TemporaryOwner& owner) {
    if (owner.process > MAXDWORD) {
        return true;  // no process of this system: not known to have ended
    }
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(owner.process));
    if (process == nullptr) {
        return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process, else not ours to see
    }
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
    const unsigned long long started = CreationTimeOf(process);
    CloseHandle(process);
    return !ended && (started == 0 || owner.started == 0 || started == owner.started);
}

std::filesystem::path LinkedFile(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return path;
    }
    // The system follows every link on opening; the handle then knows the final name.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw OperationError(CannotCreateMessage(path, long(GetLastError())));
    }
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetFinalPathNameByHandleW(handle, name.data(), DWORD(name.size()), 0);
        if (length < name.size()) {
            break;
        }
        name.resize(length + 1);
    }
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (length == 0) {
        throw OperationError(CannotCreateMessage(path, long(error)));
    }
    name.resize(length);
    return std::filesystem::path(name);
}

ReplacedTarget InspectTarget(const std::filesystem::path& target) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    ReplacedTarget replaced;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return replaced;
    }
    replaced.exists = true;
    replaced.attributes = attributes & kKept;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        replaced.refusal = kIsAFolder;
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        replaced.refusal = ERROR_ACCESS_DENIED;  // as creating it would say
    }
    return replaced;
}

long SetAttributesOf(const std::filesystem::path& path, unsigned long attributes) {
    const DWORD kept = attributes ? DWORD(attributes) : FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(path.c_str(), kept) ? 0 : long(GetLastError());
}

long MoveWithoutReplacing(const std::filesystem::path& source,
                          const std::filesystem::path& target) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken : long(error);
}

long MoveOver(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (!MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return long(GetLastError());
    }
    return 0;
}

}  // namespace upd
