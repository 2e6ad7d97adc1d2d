#include "util/File.h"

#include <utility>

#include <windows.h>

#include "util/FileSystem.h"

namespace upd {

namespace {
// Win32 transfers are limited to 32-bit sizes; callers use 64 KiB buffers anyway.
DWORD Clamp(std::size_t size) {
    return DWORD(size > 0x40000000u ? 0x40000000u : size);
}
HANDLE AsHandle(std::intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}
}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        native_ = std::exchange(other.native_, kClosed);
    }
    return *this;
}

void File::Release() noexcept {
    if (native_ != kClosed) {
        CloseHandle(AsHandle(native_));
        native_ = kClosed;
    }
}

long File::OpenRead(const std::filesystem::path& path) {
    Release();
    // Opening a folder would only say "Access is denied".
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kIsAFolder;
    }
    native_ = reinterpret_cast<std::intptr_t>(CreateFileW(
        path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (native_ == kClosed) {
        return long(GetLastError());
    }
    if (GetFileType(AsHandle(native_)) != FILE_TYPE_DISK) {  // a device or a pipe
        Release();
        return kNotARegularFile;
    }
    return 0;
}

long File::OpenStream(const std::filesystem::path& path) {
    Release();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kIsAFolder;
    }
    native_ = reinterpret_cast<std::intptr_t>(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return native_ == kClosed ? long(GetLastError()) : 0;
}

long File::CreateNew(const std::filesystem::path& path) {
    Release();
    native_ = reinterpret_cast<std::intptr_t>(
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr));
    return native_ == kClosed ? long(GetLastError()) : 0;
}

bool File::IsOpen() const {
    return native_ != kClosed;
}

std::size_t File::Read(void* data, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(AsHandle(native_), data, Clamp(size), &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE) {
            return 0;  // a pipe's writer has closed it: its end
        }
        ThrowReadError();
    }
    return got;
}

void File::WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(AsHandle(native_), bytes, Clamp(size), &written, nullptr) || written == 0) {
            ThrowWriteError();
        }
        bytes += written;
        size -= written;
    }
}

void File::SeekBack(std::size_t count) {
    LARGE_INTEGER distance;
    distance.QuadPart = -static_cast<LONGLONG>(count);
    if (!SetFilePointerEx(AsHandle(native_), distance, nullptr, FILE_CURRENT)) {
        ThrowReadError();
    }
}

std::int64_t File::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(native_), &size)) {
        ThrowReadError();
    }
    return size.QuadPart;
}

long File::SetAttributes(unsigned long attributes) {
    FILE_BASIC_INFO info{};  // zero times stay as they are
    info.FileAttributes = attributes ? DWORD(attributes) : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(AsHandle(native_), FileBasicInfo, &info, sizeof info)
               ? 0
               : long(GetLastError());
}

void File::Flush() {
    if (!FlushFileBuffers(AsHandle(native_))) {
        ThrowWriteError();
    }
}

void File::Close() {
    const bool ok = CloseHandle(AsHandle(std::exchange(native_, kClosed)));
    if (!ok) {
        ThrowWriteError();
    }
}

}  // namespace upd
