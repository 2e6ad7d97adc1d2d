#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "util/ProcessRunner.h"

namespace upd {

// Called with the bytes copied or hashed so far: each byte once (a read-back is not counted).
using CopyProgress = std::function<void(std::int64_t)>;

struct CopiedFile {
    std::int64_t size = 0;
    std::string sha256;  // lower-case hex
};

// What a copy must hold before it takes its name.
struct CopyRules {
    std::string sha256;    // of the source as it was checked
    bool replace = false;  // may take the name of a file standing there
};

// Copies source to target so that no reader ever sees a half-written target: the copy goes
// to a temporary name beside it (".<name>.<random>.tmp"), is hashed as it is written, flushed
// to the disk and read back. Only when what was read from the source and what was read back
// both have the SHA-256 of rules is it renamed to the target (the folder flushed after): over
// a file there only with rules.replace, else never over one that appeared meanwhile. Throws
// WorkCancelled once cancel is cancelled; OperationError naming the source when it changed,
// the target on a failure, a differing read-back or a taken name. On every path but success
// the temporary file is gone and target as it was.
CopiedFile DurableCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                       const CopyRules& rules, const CancelToken& cancel,
                       const CopyProgress& progress);

// The file's size and SHA-256, reading it whole; throws WorkCancelled once cancel is cancelled.
CopiedFile HashFile(const std::filesystem::path& path, const CancelToken& cancel,
                    const CopyProgress& progress);

// Receives each piece read; false stops the reading.
using ReadPiece = std::function<bool(const unsigned char* data, std::size_t size)>;

// Reads a file that was just written and flushed from the disk rather than from this
// machine's cache, where the system allows (the platform's). False when a piece stopped it;
// throws "Stream read error" or the open failure naming the file.
bool ReadFromDisk(const std::filesystem::path& path, const ReadPiece& piece);

// The failure of a read back, naming the file and the system's reason.
[[noreturn]] void ThrowReadBackError(const std::filesystem::path& path, long code);

}  // namespace upd
