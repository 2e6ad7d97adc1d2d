#include "util/File.h"

#include <utility>

#include "util/OperationError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace upd {

namespace {
[[noreturn]] void ThrowReadError() {
    throw OperationError("Stream read error");
}
[[noreturn]] void ThrowWriteError() {
    throw OperationError("Stream write error");
}
}  // namespace

File::~File() {
    Release();
}

File::File(File&& other) noexcept {
    *this = std::move(other);
}

void File::ReadExact(void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const std::size_t got = Read(bytes, size);
        if (got == 0) {
            ThrowReadError();
        }
        bytes += got;
        size -= got;
    }
}

#ifdef _WIN32

namespace {
// Win32 transfers are limited to 32-bit sizes; callers use 64 KiB buffers anyway.
DWORD Clamp(std::size_t size) {
    return DWORD(size > 0x40000000u ? 0x40000000u : size);
}
}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
}

void File::Release() noexcept {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

long File::OpenRead(const std::filesystem::path& path) {
    Release();
    handle_ = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ == INVALID_HANDLE_VALUE ? long(GetLastError()) : 0;
}

long File::CreateNew(const std::filesystem::path& path) {
    Release();
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ == INVALID_HANDLE_VALUE ? long(GetLastError()) : 0;
}

bool File::IsOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

std::size_t File::Read(void* data, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(handle_, data, Clamp(size), &got, nullptr)) {
        ThrowReadError();
    }
    return got;
}

void File::WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle_, bytes, Clamp(size), &written, nullptr) || written == 0) {
            ThrowWriteError();
        }
        bytes += written;
        size -= written;
    }
}

void File::SeekBack(std::size_t count) {
    LARGE_INTEGER distance;
    distance.QuadPart = -static_cast<LONGLONG>(count);
    if (!SetFilePointerEx(handle_, distance, nullptr, FILE_CURRENT)) {
        ThrowReadError();
    }
}

std::int64_t File::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) {
        ThrowReadError();
    }
    return size.QuadPart;
}

void File::Flush() {
    if (!FlushFileBuffers(handle_)) {
        ThrowWriteError();
    }
}

void File::Close() {
    const bool ok = CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    if (!ok) {
        ThrowWriteError();
    }
}

#else

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void File::Release() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

long File::OpenRead(const std::filesystem::path& path) {
    Release();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ < 0 ? errno : 0;
}

long File::CreateNew(const std::filesystem::path& path) {
    Release();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd_ < 0 ? errno : 0;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

std::size_t File::Read(void* data, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd_, data, size);
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
        const ssize_t written = ::write(fd_, bytes, size);
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
    if (::lseek(fd_, -static_cast<off_t>(count), SEEK_CUR) < 0) {
        ThrowReadError();
    }
}

std::int64_t File::Size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        ThrowReadError();
    }
    return info.st_size;
}

void File::Flush() {
    if (::fsync(fd_) != 0) {
        ThrowWriteError();
    }
}

void File::Close() {
    if (::close(std::exchange(fd_, -1)) != 0) {
        ThrowWriteError();
    }
}

#endif

}  // namespace upd
