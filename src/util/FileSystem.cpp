#include "util/FileSystem.h"

#include <system_error>

namespace upd {

namespace fs = std::filesystem;

std::string TrimErrorText(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

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

std::string CannotCreateMessage(const fs::path& path, long code) {
    return "Cannot create file \"" + AbsolutePathText(path) + "\". " + SystemErrorText(code);
}

std::string CannotOpenMessage(const fs::path& path, long code) {
    return "Cannot open file \"" + AbsolutePathText(path) + "\". " + SystemErrorText(code);
}

}  // namespace upd
