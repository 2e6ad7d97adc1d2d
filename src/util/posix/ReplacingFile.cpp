#include "util/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

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

// Field 22 of /proc/<pid>/stat, the start in clock ticks since the boot; 0 when unknown.
// The fields are counted after the last ')', as the process's name may hold blanks.
unsigned long long StartTimeOf(unsigned long long process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
    }
    return fields ? std::strtoull(field.c_str(), nullptr, 10) : 0;
}
}  // namespace

std::string MachineName() {
    char name[HOST_NAME_MAX + 1] = {};
    char space[64] = {};  // "pid:[4026531836]": a container's ids mean nothing outside it
    const ssize_t length = ::readlink("/proc/self/ns/pid", space, sizeof space - 1);
    return std::string(::gethostname(name, sizeof name - 1) == 0 ? name : "") + " " +
           std::string(space, length > 0 ? std::size_t(length) : 0);
}

TemporaryOwner ThisProcess() {
    const auto process = static_cast<unsigned long long>(::getpid());
    return {process, StartTimeOf(process)};
}

bool StillRuns(const TemporaryOwner& owner) {
    if (owner.process == 0 || owner.process > static_cast<unsigned long long>(INT_MAX)) {
        return true;  // no process of this system: not known to have ended
    }
    const unsigned long long started = StartTimeOf(owner.process);
    if (started != 0 && owner.started != 0) {
        return started == owner.started;  // otherwise the id was given to a later process
    }
    // Without /proc (or hidden there): only whether the id is in use.
    return ::kill(pid_t(owner.process), 0) == 0 || errno == EPERM;
}

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
