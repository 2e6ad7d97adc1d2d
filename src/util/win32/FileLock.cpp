#include "util/FileLock.h"

#include <windows.h>

#include "util/FileSystem.h"
#include "util/OperationError.h"

namespace upd {

FileLock::FileLock(const std::filesystem::path& path)
    : path_(path),
      native_(reinterpret_cast<std::intptr_t>(
          CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr))) {
    if (reinterpret_cast<HANDLE>(native_) == INVALID_HANDLE_VALUE) {
        throw OperationError(CannotCreateMessage(path_, long(GetLastError())));
    }
}

FileLock::~FileLock() {
    CloseHandle(reinterpret_cast<HANDLE>(native_));  // releases the lock
}

bool FileLock::TryTake() {
    OVERLAPPED first{};  // the file's first byte
    if (LockFileEx(reinterpret_cast<HANDLE>(native_),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
        return false;
    }
    throw OperationError(CannotOpenMessage(path_, long(error)));
}

}  // namespace upd
