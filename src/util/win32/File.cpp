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
    // Opening a folder would only say "Access is denied".
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kIsAFolder;
    }
    handle_ = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        return long(GetLastError());
    }
    if (GetFileType(handle_) != FILE_TYPE_DISK) {  // a device or a pipe
        Release();
        return kNotARegularFile;
    }
    return 0;
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

long File::SetAttributes(unsigned long attributes) {
    FILE_BASIC_INFO info{};  // zero times stay as they are
    info.FileAttributes = attributes ? DWORD(attributes) : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle_, FileBasicInfo, &info, sizeof info)
               ? 0
               : long(GetLastError());
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

}  // namespace upd
