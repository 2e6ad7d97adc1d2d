#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ops/Step.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"

namespace upd {

// Everything the archiving needs; nothing is asked of the user.
struct ArchiveJob {
    std::string archiver;     // the 7-Zip program
    std::string password;     // non-empty, without a line break (see CheckArchiveInputs)
    std::string output;       // the archive to write, used as given (see WithUpdExtension)
    std::string patchFolder;  // holds descriptor.xml
};

// The longest password, in characters. 7-Zip hashes the password 2^19 times to make the key:
// 10,000 characters take it 8 s for each archive made, tested or listed; and on Windows the
// password goes on a command line of at most 32,767 characters.
inline constexpr std::size_t kMaxPasswordCharacters = 1024;

// Fails with the first of: an empty password, one with a NUL or a line break (which the
// archiver cannot be given), one with a '"' where the password goes on the command line (which
// cannot carry it), or one longer than kMaxPasswordCharacters.
void CheckPassword(const std::string& password);

// Fails with the first of: a missing patch folder, no descriptor.xml in it, a password
// CheckPassword refuses.
void CheckArchiveInputs(const std::string& patchFolder, const std::string& password);

// For inputs CheckArchiveInputs has passed, as a step: checks the archiver and the output (as
// pack checks its output, and never inside the patch folder, where the next archive would take
// it in), archives the patch folder's files into a temporary archive beside the output, tests it
// with the archiver (it must open with the password and hold descriptor.xml at its root) and only
// then moves it over the output, with the permissions of the file it replaces. On a failure or a
// cancel the temporary archive is removed and an existing output stays untouched. Throws
// OperationError on a failure.
Step ArchiveStep(ArchiveJob job);

// The archiver's test of an archive failed: the tool's message, and apart for a caller that
// words its own, why (the tool's words) and the archiver's own error line (may be empty).
class ArchiveCheckFailure : public OperationError {
  public:
    ArchiveCheckFailure(const std::string& message, std::string_view why, std::string errorLine)
        : OperationError(message), why(why), errorLine(std::move(errorLine)) {}
    std::string why;
    std::string errorLine;
};

// Tests job.output, an archive made before, as ArchiveStep tests its own: it must open with
// the password and hold descriptor.xml at its root (job.patchFolder: the folder it is in).
// Throws ArchiveCheckFailure naming it when it does not.
StepResult TestArchive(const ArchiveJob& job, StepControl& control);

// Where the archiver is expected: ArchiverFileName() next to the executable.
std::string DefaultArchiverPath();

// The platform's: "SEVENZIP.exe" and "SevenZip.exe|*.exe" on Windows, "SEVENZIP" and
// "SevenZip|*" elsewhere.
std::string_view ArchiverFileName();
std::string_view ArchiverFilter();

// The output path with ".upd" appended unless it already ends in ".upd" (case-sensitive) or
// names a folder (an existing one, or a path ending in a separator): that stays as it is, for
// the output checks to refuse.
std::string WithUpdExtension(const std::string& path);

// How the archive call names the folder's files, and where it runs: the platform's.
struct FolderFiles {
    std::string pattern;
    std::string workingDirectory;
};
FolderFiles FolderFilesOf(const std::string& patchFolder);

// How the archiver gets the password, the platform's: on its command line (Windows, where no
// other user can read a process's command line), or on its standard input (POSIX, where every
// user can), which holds it once for each time 7-Zip may ask for it.
enum class PasswordRoute { CommandLine, StandardInput };
PasswordRoute ArchiverPasswordRoute();

// The archiver call that adds the folder's files, the password given the platform's way.
Command ArchiveCommand(const std::string& archiver, const std::string& password,
                       const std::string& archive, const std::string& patchFolder);

}  // namespace upd
