#include "util/FileSystem.h"
#include "util/Text.h"

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

bool IsAccessDenied(long code) {
    return code == EACCES || code == EPERM || code == EROFS;
}

}  // namespace upd
