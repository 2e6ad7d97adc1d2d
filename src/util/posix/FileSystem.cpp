#include "util/FileSystem.h"
#include "util/Text.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace upd {

namespace fs = std::filesystem;

const char kPathSeparator = '/';

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

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
}

std::string FileNameKey(const std::string& utf8) {
    return utf8;
}

long MissingFolderError() {
    return ENOENT;
}

bool IsAccessDenied(long code) {
    return code == EACCES || code == EPERM || code == EROFS;
}

}  // namespace upd
