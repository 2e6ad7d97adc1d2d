#pragma once

#include <cstdint>
#include <filesystem>

namespace upd {

// An exclusive lock of the system on a small file, which several processes (on several
// machines, on a share) use to take turns. The system releases it when the process ends,
// however it ends: a crash or a kill never leaves it taken. The file itself stays.
class FileLock {
  public:
    // Opens the file, creating it empty if it is missing; throws "Cannot create file ...".
    explicit FileLock(const std::filesystem::path& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting: false while another holds it. Throws naming the file
    // when the system cannot lock it at all.
    bool TryTake();

  private:
    std::filesystem::path path_;
    std::intptr_t native_;  // a descriptor (POSIX) or a HANDLE (Windows)
};

}  // namespace upd
