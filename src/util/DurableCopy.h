#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace upd {

// Called with the bytes handled so far, written and then read back (up to twice the size);
// false stops the copy.
using CopyProgress = std::function<bool(std::int64_t)>;

struct CopiedFile {
    std::int64_t size = 0;
    std::string sha256;  // lower-case hex
};

// Copies source to target so that no reader ever sees a half-written target: the copy goes
// to a temporary name beside it (".<name>.<random>.tmp"), is flushed to the disk, read back
// and compared with the source by SHA-256, and only then renamed over the target (the folder
// flushed after). Empty when progress stopped it; throws OperationError naming the file on a
// failure or a differing read-back. Either way the temporary file is gone and target as it was.
std::optional<CopiedFile> DurableCopy(const std::filesystem::path& source,
                                      const std::filesystem::path& target,
                                      const CopyProgress& progress);

// The file's size and SHA-256, reading it whole; empty when progress stopped it.
std::optional<CopiedFile> HashFile(const std::filesystem::path& path, const CopyProgress& progress);

// Receives each piece read; false stops the reading.
using ReadPiece = std::function<bool(const unsigned char* data, std::size_t size)>;

// Reads a file that was just written and flushed from the disk rather than from this
// machine's cache, where the system allows (the platform's). False when a piece stopped it;
// throws "Stream read error" or the open failure naming the file.
bool ReadFromDisk(const std::filesystem::path& path, const ReadPiece& piece);

// The failure of a read back, naming the file and the system's reason.
[[noreturn]] void ThrowReadBackError(const std::filesystem::path& path, long code);

}  // namespace upd
