#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "util/File.h"

namespace upd {

// A fresh, unused path next to target: "<dir>/.<name>.<owner>.<random>.tmp", where owner,
// "<machine>-<process id>-<process start time>", lets a later run tell whether the process
// that made it still runs.
std::filesystem::path TemporarySibling(const std::filesystem::path& target);

// The temporaries in folder that runs killed before they could remove them left: named by
// TemporarySibling on this machine for a process that no longer runs. A name of another form,
// another machine's or a running process's is never among them. (A new ReplacingFile removes
// those beside its target.)
std::vector<std::filesystem::path> DeadTemporaries(const std::filesystem::path& folder);
// Removes them; returns those removed (a failure to remove one is left to the next run).
std::vector<std::filesystem::path> RemoveDeadTemporaries(const std::filesystem::path& folder);

// Who made a temporary (the platform's parts below).
struct TemporaryOwner {
    unsigned long long process = 0;
    unsigned long long started = 0;  // in the system's own unit; 0: unknown
};
// Where process ids mean one process: the machine's name (on Linux with its process id
// namespace, which a container has of its own).
std::string MachineName();
TemporaryOwner ThisProcess();
// False only when the process has surely ended (or its id now names a later process).
bool StillRuns(const TemporaryOwner& owner);

// Moves source over target, replacing it; returns 0 or the system error code.
// (Not "ReplaceFile": windows.h makes that name a macro.)
long MoveOver(const std::filesystem::path& source, const std::filesystem::path& target);

// What MoveWithoutReplacing returns when something already has the target's name.
inline constexpr long kNameTaken = -4;

// Moves source to target only while nothing has that name, in one step that another process
// cannot come between (Linux: renameat2 RENAME_NOREPLACE, or link + unlink where the file
// system lacks it; Windows: MoveFileExW without replacing). Where the file system offers
// neither, the name is checked just before the rename, which holds against another publisher
// only under the folder's lock. Returns 0, kNameTaken, or the system error code.
long MoveWithoutReplacing(const std::filesystem::path& source, const std::filesystem::path& target);

// The file a link at path points to, through every link on the way, even when that file does
// not exist yet; path itself when it is no link. Replacing that file keeps the link.
// Throws "Cannot create file ..." for a loop of links.
std::filesystem::path LinkedFile(const std::filesystem::path& path);

// What stands at a path that is about to be replaced.
struct ReplacedTarget {
    bool exists = false;
    long refusal = 0;              // why it may not be replaced (a system code, kIsAFolder, ...)
    unsigned long attributes = 0;  // permission bits (POSIX) or attributes (Windows) to keep
};
// Refuses what a plain create would refuse (a write-protected file) and what is no file.
ReplacedTarget InspectTarget(const std::filesystem::path& target);

// Gives the file at path the permission bits (POSIX) or attributes (Windows) that
// InspectTarget found on the file it is to replace; returns 0 or the system error code.
long SetAttributesOf(const std::filesystem::path& path, unsigned long attributes);

// Writes a new version of target through a temporary file in the same folder.
// The target changes only in Commit(); otherwise the temporary file is removed
// and whatever stood at the target path stays untouched. The new version keeps the
// permissions (attributes on Windows) of the file it replaces. A target that is a link
// stays one: the file it points to is replaced.
class ReplacingFile {
  public:
    // Throws "Cannot create file "<target>". ..." when the target may not be written, its
    // folder is missing or the temporary file cannot be made (naming the folder when the
    // folder refuses it).
    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    File& Output() { return file_; }
    // Where the new version is written until Commit(), e.g. to read it back once finished.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }
    // Makes the written file complete and durable and closes it; the target is still as it was.
    void Finish();
    // Finishes unless done and renames over the target.
    void Commit();
    // Finishes unless done and renames to the target unless something has that name by now;
    // false then, and the temporary is removed as without a commit.
    bool CommitUnlessTaken();

  private:
    std::filesystem::path target_;
    ReplacedTarget replaced_;
    std::filesystem::path temporary_;
    File file_;
    bool finished_ = false;
    bool committed_ = false;
};

}  // namespace upd
