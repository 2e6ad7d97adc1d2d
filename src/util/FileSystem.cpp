#include "util/FileSystem.h"

#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>
#endif

namespace upd {

namespace fs = std::filesystem;

namespace {
std::string TrimErrorText(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text;
}
}  // namespace

fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool FileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    const auto status = fs::status(ToPath(path), ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool DirectoryExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    return fs::is_directory(ToPath(path), ec);
}

std::string AbsolutePathText(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return FromPath(ec ? path : absolute.lexically_normal());
}

#ifdef _WIN32

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
    return TrimErrorText(FromPath(fs::path(wide)));
}

#else

std::string ExecutableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : FromPath(exe.parent_path()) + "/";
}

long LastSystemError() {
    return errno;
}

std::string SystemErrorText(long code) {
    return TrimErrorText(std::system_category().message(int(code)));
}

#endif

std::string CannotCreateMessage(const fs::path& path, long code) {
    return "Cannot create file \"" + AbsolutePathText(path) + "\". " + SystemErrorText(code);
}

std::string CannotOpenMessage(const fs::path& path, long code) {
    return "Cannot open file \"" + AbsolutePathText(path) + "\". " + SystemErrorText(code);
}

}  // namespace upd
