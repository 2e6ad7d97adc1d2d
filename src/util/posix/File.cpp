#include "util/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "util/FileSystem.h"

namespace upd {

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        native_ = std::exchange(other.native_, kClosed);
    }
    return *this;
}

void File::Release() noexcept {
    if (native_ >= 0) {
        ::close(int(native_));
        native_ = kClosed;
    }
}

namespace {
long KindError(mode_t mode) {
    if (S_ISREG(mode)) {
        return 0;
    }
    return S_ISDIR(mode) ? kIsAFolder : kNotARegularFile;
}
}  // namespace

long File::OpenRead(const std::filesystem::path& path) {
    Release();
    // Looked at first, as opening a socket fails with a text that does not say why.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && KindError(info.st_mode) != 0) {
        return KindError(info.st_mode);
    }
    // Without waiting: the path may have become a FIFO since; the check below refuses it.
    native_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (native_ < 0) {
        return errno;
    }
    long error = ::fstat(int(native_), &info) == 0 ? KindError(info.st_mode) : errno;
    if (error == 0) {
        const int flags = ::fcntl(int(native_), F_GETFL);
        if (flags < 0 || ::fcntl(int(native_), F_SETFL, flags & ~O_NONBLOCK) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        Release();
    }
    return error;
}

long File::OpenStream(const std::filesystem::path& path) {
    Release();
    native_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (native_ < 0) {
        return errno;
    }
    struct stat info {};
    const long error = ::fstat(int(native_), &info) != 0 ? errno
                       : S_ISDIR(info.st_mode)           ? kIsAFolder
                                                         : 0;
    if (error != 0) {
        Release();
    }
    return error;
}

long File::CreateNew(const std::filesystem::path& path) {
    Release();
    native_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return native_ < 0 ? errno : 0;
}

bool File::IsOpen() const {
    return native_ >= 0;
}

std::size_t File::Read(void* data, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(int(native_), data, size);
        if (got >= 0) {
            return std::size_t(got);
        }
        if (errno != EINTR) {
            ThrowReadError();
        }
    }
}

void File::WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(int(native_), bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ThrowWriteError();
        }
        bytes += written;
        size -= std::size_t(written);
    }
}

void File::SeekBack(std::size_t count) {
    if (::lseek(int(native_), -static_cast<off_t>(count), SEEK_CUR) < 0) {
        ThrowReadError();
    }
}

std::int64_t File::Size() const {
    struct stat info {};
    if (::fstat(int(native_), &info) != 0) {
        ThrowReadError();
    }
    return info.st_size;
}

long File::SetAttributes(unsigned long attributes) {
    return ::fchmod(int(native_), mode_t(attributes)) == 0 ? 0 : errno;
}

void File::Flush() {
    if (::fsync(int(native_)) != 0) {
        ThrowWriteError();
    }
}

void File::Close() {
    if (::close(int(std::exchange(native_, kClosed))) != 0) {
        ThrowWriteError();
    }
}

}  // namespace upd
