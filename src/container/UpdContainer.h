#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/OperationError.h"

namespace upd {

// The index package format: a 32-bit little-endian entry count, then per entry the name
// length, the name in the Windows ANSI code page, the uncompressed size and one zlib stream.

// How far a pack or an unpack has come: bytes read of the bytes there are to read, and the
// bytes written so far.
struct ByteCount {
    std::int64_t done = 0;
    std::int64_t total = 0;
    std::int64_t written = 0;
};

// Told the count about every 60 KB of work; returns false to stop the work, which then throws
// WorkCancelled with every file as it was and no temporary file left.
using ByteProgress = std::function<bool(const ByteCount&)>;

// Packs the files, in order, into a new container at destination. Nothing is written for
// an empty list. The destination changes only when the whole container is complete.
// Refused before anything is written: two files stored under one name (as the file system
// compares names), and a destination that is one of the files.
void PackFiles(const std::vector<std::string>& sources, const std::string& destination,
               const ByteProgress& progress = {});

// Writes every entry into targetDirectory under its stored name: all or nothing. The targets
// are replaced, one rename each, only after the whole package has been read; on a failure
// every target stays as it was and no temporary file is left. Refused: two entries of one
// name, an entry whose target is the package itself, and bytes after the last entry. A count
// of 0 or less unpacks nothing and succeeds.
void UnpackFiles(const std::string& container, const std::string& targetDirectory,
                 const ByteProgress& progress = {});

struct EntryInfo {
    std::string name;  // UTF-8
    std::int64_t size = 0;
    std::int64_t compressedSize = 0;
};

// Inflates and checks every entry without writing anything. Throws on any corruption,
// including bytes after the last entry, and on two entries of one name.
std::vector<EntryInfo> ListEntries(const std::string& container);

// The content of the entry stored under name (names compared as the file system compares
// them), after the checks of ListEntries on the whole package; empty when there is none.
std::optional<std::string> EntryContent(const std::string& container, const std::string& name);

}  // namespace upd
