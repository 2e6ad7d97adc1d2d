#pragma once

#include <filesystem>
#include <string>

#include "util/File.h"

namespace upd {

// A fresh, unused path next to target: "<dir>/.<name>.<random><suffix>".
std::filesystem::path TemporarySibling(const std::filesystem::path& target,
                                       const std::string& suffix);

// Moves source over target, replacing it; returns 0 or the system error code.
// (Not "ReplaceFile": windows.h makes that name a macro.)
long MoveOver(const std::filesystem::path& source, const std::filesystem::path& target);

// What stands at a path that is about to be replaced.
struct ReplacedTarget {
    bool exists = false;
    long refusal = 0;              // why it may not be replaced (a system code, kIsAFolder, ...)
    unsigned long attributes = 0;  // permission bits (POSIX) or attributes (Windows) to keep
};
// Refuses what a plain create would refuse (a write-protected file) and what is no file.
ReplacedTarget InspectTarget(const std::filesystem::path& target);

// Writes a new version of target through a temporary file in the same folder.
// The target changes only in Commit(); otherwise the temporary file is removed
// and whatever stood at the target path stays untouched. The new version keeps the
// permissions (attributes on Windows) of the file it replaces.
class ReplacingFile {
  public:
    // Throws "Cannot create file "<target>". ..." when the target may not be written or the
    // temporary file cannot be made (naming the folder when the folder refuses it).
    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    File& Output() { return file_; }
    // Flushes, closes and renames over the target.
    void Commit();

  private:
    std::filesystem::path target_;
    ReplacedTarget replaced_;
    std::filesystem::path temporary_;
    File file_;
    bool committed_ = false;
};

}  // namespace upd
