#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace upd {

// An owned, unshared file handle with the tool's stream error messages.
class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Both return 0 on success, else the system error code (or kIsAFolder, kNotARegularFile
    // of FileSystem.h); the handle stays closed then. OpenRead accepts only a regular file
    // or a link to one, and refuses anything else without waiting on it (a FIFO, a device).
    long OpenRead(const std::filesystem::path& path);
    long CreateNew(const std::filesystem::path& path);  // fails if the path exists
    // For reading once from start to end: a regular file, a pipe or a device (waiting, for a
    // FIFO, until it has a writer); a folder is refused with kIsAFolder.
    long OpenStream(const std::filesystem::path& path);

    bool IsOpen() const;
    // Up to size bytes; 0 only at the end of the file. Throws "Stream read error".
    std::size_t Read(void* data, std::size_t size);
    // Reads exactly size bytes or throws "Stream read error".
    void ReadExact(void* data, std::size_t size);
    // Throws "Stream write error".
    void WriteAll(const void* data, std::size_t size);
    // Moves the position back by count bytes (gives back read-ahead).
    void SeekBack(std::size_t count);
    std::int64_t Size() const;
    // Gives the file the permission bits (POSIX) or attributes (Windows) of the file it is
    // to replace; returns 0 or the system error code.
    long SetAttributes(unsigned long attributes);
    // Makes the written data durable; throws "Stream write error".
    void Flush();
    // Closes and reports a failed close as "Stream write error".
    void Close();

  private:
    void Release() noexcept;
    [[noreturn]] static void ThrowReadError();
    [[noreturn]] static void ThrowWriteError();
    // The open file: a descriptor (POSIX) or a HANDLE (Windows); kClosed when there is none.
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t native_ = kClosed;
};

}  // namespace upd
