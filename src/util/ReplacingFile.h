#pragma once

#include <filesystem>
#include <string>

#include "util/File.h"

namespace upd {

// A fresh, unused path next to target: "<dir>/.<name>.<random><suffix>".
std::filesystem::path TemporarySibling(const std::filesystem::path& target,
                                       const std::string& suffix);

// Moves source over target, replacing it; returns 0 or the system error code.
long ReplaceFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Writes a new version of target through a temporary file in the same folder.
// The target changes only in Commit(); otherwise the temporary file is removed
// and whatever stood at the target path stays untouched.
class ReplacingFile {
  public:
    // Throws "Cannot create file "<target>". ..." when the temporary file cannot be made.
    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    File& Output() { return file_; }
    // Flushes, closes and renames over the target.
    void Commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    File file_;
    bool committed_ = false;
};

}  // namespace upd
