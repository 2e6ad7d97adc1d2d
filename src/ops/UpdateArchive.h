#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ops/InteractionServices.h"
#include "util/ProcessRunner.h"

namespace upd {

// Everything the archiving needs; nothing is asked of the user.
struct ArchiveJob {
    std::string archiver;     // the 7-Zip program
    std::string password;     // non-empty, without '"'
    std::string output;       // the archive to write, used as given (see WithUpdExtension)
    std::string patchFolder;  // holds descriptor.xml
};

// Fails with the first of: a missing patch folder, no descriptor.xml in it, an empty password,
// a password with a NUL or '"' (which no archiver command line can carry).
void CheckArchiveInputs(const std::string& patchFolder, const std::string& password);

enum class ArchiveResult { Done, Cancelled };

// Called about every 100 ms while the archiver works; returns false to cancel.
using KeepWorking = std::function<bool(const WorkProgress&)>;

// For inputs CheckArchiveInputs has passed: checks the archiver and the output, archives the
// patch folder's files into a temporary archive beside the output, tests it with the archiver
// (it must open with the password and hold descriptor.xml at its root) and only then moves it
// over the output. On a failure or a cancel the temporary archive is removed and an existing
// output stays untouched. Throws OperationError on a failure.
ArchiveResult RunArchiveJob(const ArchiveJob& job, const KeepWorking& keepGoing);

// Tests job.output, an archive made before, as RunArchiveJob tests its own: it must open with
// the password and hold descriptor.xml at its root (job.patchFolder: the folder it is in).
// Throws OperationError naming it when it does not.
ArchiveResult TestArchive(const ArchiveJob& job, const KeepWorking& keepGoing,
                          ProcessCancel& cancel);

// "Генерирай upd с update файловете": checks the inputs, asks for the archiver (when there
// is none at archiverPath) and for the output, hands the archiving to services.RunStep, and
// ends with "Готово!" unless the user cancelled.
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services);
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath);

// Where the archiver is expected: ArchiverFileName() next to the executable.
std::string DefaultArchiverPath();

// The platform's: "SEVENZIP.exe" and "SevenZip.exe|*.exe" on Windows, "SEVENZIP" and
// "SevenZip|*" elsewhere.
std::string_view ArchiverFileName();
std::string_view ArchiverFilter();

// The output path with ".upd" appended unless it already ends in ".upd" (case-sensitive).
std::string WithUpdExtension(const std::string& path);

// The archive call as one line, "<archiver>" a -p<password> "<archive>" "<folder>/*" (see
// CommandLine): what Windows runs, and how messages name the call on every platform.
std::string ArchiverCommandLine(const std::string& archiver, const std::string& password,
                                const std::string& archive, const std::string& patchFolder);

// How the archive call names the folder's files, and where it runs: the platform's.
struct FolderFiles {
    std::string pattern;
    std::string workingDirectory;
};
FolderFiles FolderFilesOf(const std::string& patchFolder);

// The archiver call that adds the folder's files.
Command ArchiveCommand(const std::string& archiver, const std::string& password,
                       const std::string& archive, const std::string& patchFolder);

}  // namespace upd
