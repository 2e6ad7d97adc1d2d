#include "util/FileSystem.h"
#include "util/Texts.h"

#include <system_error>

#include "util/OperationError.h"
#include "util/Texts.h"

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
    if (const auto nul = utf8.find('\0'); nul != std::string::npos) {
        throw OperationError(text::Around(
            text::kNulInPathBefore, std::string_view(utf8).substr(0, nul), text::kNulInPathAfter));
    }
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
    return fs::is_regular_file(ToPath(path), ec);
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

void RequireOutputFolder(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (!fs::is_directory(ec ? path.parent_path() : absolute.parent_path(), ec)) {
        throw OperationError(CannotCreateMessage(path, MissingFolderError()));
    }
}

namespace {
std::string Reason(long code) {
    switch (code) {
        case kIsAFolder:
            return std::string(text::kIsAFolder);
        case kNotARegularFile:
            return std::string(text::kNotARegularFile);
        default:
            return SystemErrorText(code);
    }
}
}  // namespace

std::string CannotCreateMessage(const fs::path& path, long code) {
    return std::string(text::kCannotCreateFile) + AbsolutePathText(path) + "\". " + Reason(code);
}

std::string CannotOpenMessage(const fs::path& path, long code) {
    return std::string(text::kCannotOpenFile) + AbsolutePathText(path) + "\". " + Reason(code);
}

std::string FolderRefusesMessage(const fs::path& target, long code) {
    const std::string folder = FromPath(ToPath(AbsolutePathText(target)).parent_path());
    return std::string(text::kCannotCreateFile) + AbsolutePathText(target) +
           std::string(text::kFolderForbidsFiles) + folder +
           std::string(text::kDoesNotAllowCreatingFiles) + Reason(code);
}

}  // namespace upd
