#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "util/DurableCopy.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

bool ReadFromDisk(const std::filesystem::path& path, const ReadPiece& piece) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        throw OperationError(CannotOpenMessage(path, errno));
    }
    // The data is flushed: its cached pages can go, so the reads below reach the disk (or,
    // on a share, the server) instead of this machine's memory.
    ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
    std::vector<unsigned char> buffer(std::size_t(1) << 20);
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;  // a cancel is seen by piece
        }
        if (got < 0) {
            ThrowReadBackError(path, errno);
        }
        if (got == 0) {
            return true;
        }
        if (!piece(buffer.data(), std::size_t(got))) {
            return false;
        }
    }
}

}  // namespace upd
