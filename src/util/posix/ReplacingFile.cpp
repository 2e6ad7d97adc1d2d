#include "util/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

long MoveOver(const fs::path& source, const fs::path& target) {
    if (::rename(source.c_str(), target.c_str()) != 0) {
        return errno;
    }
    SyncDirectory(target.parent_path());
    return 0;
}

}  // namespace upd
