#include "util/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/FileSystem.h"
#include "util/OperationError.h"

namespace upd {

FileLock::FileLock(const std::filesystem::path& path)
    : path_(path), native_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (native_ < 0) {
        throw OperationError(CannotCreateMessage(path_, errno));
    }
    // Every user who publishes into a shared folder must be able to open it for the lock, also
    // when the umask of its creator says otherwise (only the owner can; the others need not).
    ::fchmod(int(native_), 0666);
}

FileLock::~FileLock() {
    ::close(int(native_));  // releases the lock
}

bool FileLock::TryTake() {
    // An open file description's lock: not shared with other descriptors of this process and
    // not dropped when another descriptor of the file closes, as a process's lock would be.
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    if (::fcntl(int(native_), F_OFD_SETLK, &range) == 0) {
        return true;
    }
    if (errno == EAGAIN || errno == EACCES) {
        return false;
    }
    throw OperationError(CannotOpenMessage(path_, errno));
}

}  // namespace upd
