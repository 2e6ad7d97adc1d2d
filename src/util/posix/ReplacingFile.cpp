#include "util/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "util/FileSystem.h"
#include "util/OperationError.h"

namespace upd {

namespace fs = std::filesystem;

namespace {
// Makes a completed rename durable; failure here cannot undo it, so it is ignored.
void SyncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
}  // namespace

fs::path LinkedFile(const fs::path& path) {
    constexpr int kMaxLinks = 40;  // as the kernel allows in one path
    fs::path current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(current, ec)) {
            return current;
        }
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) {
            throw OperationError(CannotCreateMessage(path, ec.value()));
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    throw OperationError(CannotCreateMessage(path, ELOOP));
}

ReplacedTarget InspectTarget(const fs::path& target) {
    ReplacedTarget replaced;
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        return replaced;  // nothing there, or nothing reachable: creating will tell
    }
    replaced.exists = true;
    replaced.attributes = info.st_mode & 07777;
    if (S_ISDIR(info.st_mode)) {
        replaced.refusal = kIsAFolder;
    } else if (!S_ISREG(info.st_mode)) {
        replaced.refusal = kNotARegularFile;  // renaming over a device would remove it
    } else if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        replaced.refusal = errno;
    }
    return replaced;
}

long SetAttributesOf(const fs::path& path, unsigned long attributes) {
    return ::chmod(path.c_str(), mode_t(attributes)) == 0 ? 0 : errno;
}

long MoveWithoutReplacing(const fs::path& source, const fs::path& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        SyncDirectory(target.parent_path());
        return 0;
    }
    if (errno == EEXIST) {
        return kNameTaken;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    // A file system without the flag: a hard link fails on a taken name just the same.
    if (::link(source.c_str(), target.c_str()) == 0) {
        ::unlink(source.c_str());
        SyncDirectory(target.parent_path());
        return 0;
    }
    if (errno == EEXIST) {
        return kNameTaken;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {  // no hard links either (a CIFS mount)
        return kNameTaken;
    }
    return MoveOver(source, target);
}

long MoveOver(const fs::path& source, const fs::path& target) {
    if (::rename(source.c_str(), target.c_str()) != 0) {
        return errno;
    }
    SyncDirectory(target.parent_path());
    return 0;
}

}  // namespace upd
