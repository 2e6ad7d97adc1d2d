#include "util/FileSystem.h"
#include "util/Text.h"
#include "util/Texts.h"

#include <vector>

#include <windows.h>

namespace upd {

namespace fs = std::filesystem;

const char kPathSeparator = '\\';

std::string ExecutableDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            const fs::path exe(std::wstring(buffer.data(), length));
            return FromPath(exe.parent_path()) + "\\";
        }
        buffer.resize(buffer.size() * 2);
    }
}

long LastSystemError() {
    return long(GetLastError());
}

std::string SystemErrorText(long code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::wstring wide = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    const std::string trimmed = TrimErrorText(FromPath(fs::path(wide)));
    return trimmed.empty() ? std::string(text::kSystemError) + std::to_string(code) : trimmed;
}

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    // Attributes only: no sharing conflict with a file someone holds open, and a folder opens.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

std::string FileNameKey(const std::string& utf8) {
    std::wstring wide = ToPath(utf8).wstring();
    if (!wide.empty()) {
        CharUpperBuffW(wide.data(), DWORD(wide.size()));
    }
    return FromPath(fs::path(wide));
}

long MissingFolderError() {
    return ERROR_PATH_NOT_FOUND;
}

bool IsAccessDenied(long code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT;
}

}  // namespace upd
