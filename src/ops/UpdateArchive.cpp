#include "ops/UpdateArchive.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "ops/ArchiverProgress.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/PatchFolderWalk.h"
#include "util/ProcessRunner.h"
#include "util/ReplacingFile.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kShownOutputLines = 8;
// Asks 7-Zip (9.30 and later) to report its progress on standard output, even into a pipe.
constexpr const char* kProgressSwitch = "-bsp1";

}  // namespace

void CheckArchiveInputs(const std::string& patchFolder, const std::string& password) {
    if (!DirectoryExists(patchFolder)) {
        throw OperationError(patchFolder + std::string(text::kDoesNotExist));
    }
    if (!FileExists(WithTrailingSeparator(patchFolder) + "descriptor.xml")) {
        throw OperationError(std::string(text::kNoDescriptor));
    }
    if (password.empty()) {
        throw OperationError(std::string(text::kInvalidPassword));
    }
    if (password.find('\0') != std::string::npos) {  // the archiver would get only what precedes it
        throw OperationError(std::string(text::kNulInPassword));
    }
    if (password.find('"') != std::string::npos) {
        throw OperationError(std::string(text::kPasswordWithQuote));
    }
}

namespace {

std::string LocateArchiver(const std::string& archiverPath, InteractionServices& services) {
    if (FileExists(archiverPath)) {
        return archiverPath;
    }
    const std::string chosen = services.ChooseFile(ChooserFilter::Parse(ArchiverFilter()),
                                                   std::string(text::kArchiverChooserTitle));
    if (!FileExists(chosen)) {
        throw OperationError(chosen + std::string(text::kDoesNotExist));
    }
    return chosen;
}

std::string_view ExitCodeMeaning(int code) {
    switch (code) {
        case 1:
            return text::kExitCodeSomeFilesSkipped;
        case 2:
            return text::kExitCodeFatal;
        case 7:
            return text::kExitCodeCommandLine;
        case 8:
            return text::kExitCodeNoMemory;
        case 255:
            return text::kExitCodeStoppedByUser;
        default:
            return text::kExitCodeFailure;
    }
}

// The last non-blank lines of the archiver's output, for the error message.
std::string LastLines(const std::string& text, std::size_t count) {
    std::vector<std::string> lines;
    std::istringstream in(WithoutErasedText(text));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") != std::string::npos) {
            lines.push_back(line);
        }
    }
    std::string result;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) {
        result += (result.empty() ? "" : "\n") + lines[i];
    }
    return result;
}

// The archive the archiver writes before it is checked; removed unless moved into place,
// together with 7-Zip's own "<archive>.tmp".
class TemporaryArchive {
  public:
    explicit TemporaryArchive(const fs::path& output) : path_(TemporarySibling(output, ".upd")) {}
    ~TemporaryArchive() { Discard(); }
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;
    void Discard() const {
        std::error_code ignored;
        fs::remove(path_, ignored);
        fs::remove(OwnTemporary(), ignored);
    }
    std::string Text() const { return FromPath(path_); }
    const fs::path& Path() const { return path_; }
    // The size written so far, wherever the archiver writes.
    std::int64_t Size() const {
        std::error_code ec;
        const auto size = fs::file_size(path_, ec);
        const auto own = fs::file_size(OwnTemporary(), ec);
        return std::int64_t(
            std::max(size == std::uintmax_t(-1) ? 0 : size, own == std::uintmax_t(-1) ? 0 : own));
    }

  private:
    fs::path OwnTemporary() const { return fs::path(path_).concat(".tmp"); }
    fs::path path_;
};

std::string PasswordSwitch(const std::string& password) {
    return "-p" + password;
}

// "<archiver>" <verb> [switches] -p<password> "<archive>", for checking an archive.
Command CheckCommand(const std::string& archiver, std::vector<std::string> verbAndSwitches,
                     const std::string& password, const std::string& archive) {
    verbAndSwitches.push_back(PasswordSwitch(password));
    verbAndSwitches.push_back(archive);
    return Command{archiver, std::move(verbAndSwitches), {}, {}};
}

// The same call asking for progress: the switch last, so that the rest stands as before.
Command WithProgressSwitch(Command command) {
    command.arguments.push_back(kProgressSwitch);
    return command;
}

// 7-Zip 9.20 answers a switch it does not know with exit code 7 and "Incorrect command line",
// before it reads or writes anything.
bool RefusedProgressSwitch(const ProcessOutcome& outcome, const ArchiverProgress& progress) {
    return !outcome.cancelled && outcome.exitCode == 7 && !progress.Percent() &&
           outcome.outputTail.find("Incorrect command line") != std::string::npos;
}

// Messages name the output the user chose and never show the password (masked where it
// follows -p, so that a short password does not blank out other text).
class Shown {
  public:
    Shown(const std::string& password, const std::string& temporary, const std::string& output)
        : password_(password), temporary_(temporary), output_(output) {}
    std::string operator()(std::string text) const {
        text = Replaced(std::move(text), temporary_, output_);
        return Replaced(std::move(text), PasswordSwitch(password_), PasswordSwitch("***"));
    }

  private:
    static std::string Replaced(std::string text, const std::string& what,
                                const std::string& with) {
        for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos;
             at += with.size()) {
            text.replace(at, what.size(), with);
        }
        return text;
    }
    std::string password_, temporary_, output_;
};

[[noreturn]] void ThrowArchiverFailure(const ProcessOutcome& outcome, const std::string& output,
                                       const Shown& shown) {
    std::string message =
        std::string(text::kArchiverEndedWithCode) + std::to_string(outcome.exitCode) + " (" +
        std::string(ExitCodeMeaning(outcome.exitCode)) + "). " + std::string(text::kTheArchive) +
        output + std::string(text::kArchiveNotCreated);
    const std::string lines = LastLines(outcome.outputTail, kShownOutputLines);
    if (!lines.empty()) {
        message += "\n" + lines;
    }
    throw OperationError(shown(message));
}

[[noreturn]] void ThrowCheckFailure(std::string_view what, const ProcessOutcome& outcome,
                                    const std::string& output, const Shown& shown) {
    std::string message = std::string(text::kArchiveCheckFailed) + std::string(what) + ". " +
                          std::string(text::kTheArchive) + output +
                          std::string(text::kArchiveNotWritten);
    const std::string lines = LastLines(outcome.outputTail, kShownOutputLines);
    if (!lines.empty()) {
        message += "\n" + lines;
    }
    throw OperationError(shown(message));
}

// Whether a "l -slt -ba" listing has an entry of that path ("Path = <path>" lines).
bool ListsAtRoot(const std::string& listing, const std::string& name) {
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line == "Path = " + name) {
            return true;
        }
    }
    return false;
}

// Runs the archiver steps, reporting progress and stopping when keepGoing says so or when
// cancel is cancelled (from any thread).
class ArchiveRun {
  public:
    ArchiveRun(const ArchiveJob& job, const KeepWorking& keepGoing, ProcessCancel& cancel)
        : job_(job),
          keepGoing_(keepGoing),
          cancel_(cancel),
          archiver_(AbsolutePathText(ToPath(job.archiver))),
          folder_(AbsolutePathText(ToPath(job.patchFolder))),
          archive_(LinkedFile(ToPath(AbsolutePathText(ToPath(job.output))))),
          shown_(job.password, archive_.Text(), job.output) {}

    ArchiveResult Run() {
        if (!Add() || !Check(archive_.Text())) {
            return ArchiveResult::Cancelled;
        }
        // A link as the output stays: the archive it points to is replaced.
        const fs::path target = LinkedFile(ToPath(job_.output));
        if (const long error = MoveOver(archive_.Path(), target); error != 0) {
            throw OperationError(CannotCreateMessage(ToPath(job_.output), error));
        }
        return ArchiveResult::Done;
    }

    // An archive made before, tested as Run tests its own.
    ArchiveResult TestOnly() {
        BeginPhase(WorkPhase::Checking);
        return Check(AbsolutePathText(ToPath(job_.output))) ? ArchiveResult::Done
                                                            : ArchiveResult::Cancelled;
    }

  private:
    using Clock = std::chrono::steady_clock;

    // Each returns false when cancelled and throws when the step fails.
    bool Add() {
        const ProcessOutcome added =
            StepWithProgress(ArchiveCommand(archiver_, job_.password, archive_.Text(), folder_));
        if (!added.cancelled && added.exitCode != 0) {
            ThrowArchiverFailure(added, job_.output, shown_);
        }
        return !added.cancelled;
    }

    bool Check(const std::string& archive) {
        BeginPhase(WorkPhase::Checking);
        const ProcessOutcome tested =
            StepWithProgress(CheckCommand(archiver_, {"t"}, job_.password, archive));
        if (tested.cancelled) {
            return false;
        }
        if (tested.exitCode != 0) {
            ThrowCheckFailure(text::kCheckCannotOpen, tested, job_.output, shown_);
        }
        // Quick, and with no progress of its own: the test's percentage stays.
        const ProcessOutcome listed =
            Step(CheckCommand(archiver_, {"l", "-slt", "-ba"}, job_.password, archive), false);
        if (!listed.cancelled &&
            (listed.exitCode != 0 || !ListsAtRoot(listed.outputTail, "descriptor.xml"))) {
            ThrowCheckFailure(text::kCheckNoDescriptor, listed, job_.output, shown_);
        }
        return !listed.cancelled;
    }

    void BeginPhase(WorkPhase phase) {
        phase_ = phase;
        phaseStarted_ = Clock::now();
        progress_ = ArchiverProgress();
    }

    // Asks for progress unless the archiver has refused that. An archiver that does not know
    // the switch gets the same call again without it; the percentage then stays unknown.
    ProcessOutcome StepWithProgress(const Command& command) {
        if (progressSwitch_) {
            ProcessOutcome outcome = Step(WithProgressSwitch(command), true);
            if (!RefusedProgressSwitch(outcome, progress_)) {
                return outcome;
            }
            progressSwitch_ = false;
            progress_ = ArchiverProgress();
            if (phase_ == WorkPhase::Archiving) {
                archive_.Discard();  // the archive must start afresh, not be updated
            }
        }
        return Step(command, false);
    }

    ProcessOutcome Step(Command command, bool readProgress) {
        command.shownAs = shown_(CommandLine(AsShown(command)));
        const OnOutput read = [this](std::string_view chunk) { progress_.Feed(chunk); };
        return RunAndWait(
            command, [this] { return keepGoing_(Progress()); }, readProgress ? read : OnOutput(),
            cancel_);
    }

    // Messages name the folder's files by their full pattern, wherever the call runs.
    Command AsShown(Command command) const {
        std::replace(command.arguments.begin(), command.arguments.end(), files_.pattern,
                     WithTrailingSeparator(folder_) + "*");
        return command;
    }

    WorkProgress Progress() const {
        using std::chrono::duration_cast;
        using std::chrono::milliseconds;
        WorkProgress progress;
        progress.elapsed = duration_cast<milliseconds>(Clock::now() - started_);
        progress.phaseElapsed = duration_cast<milliseconds>(Clock::now() - phaseStarted_);
        progress.outputBytes = archive_.Size();
        progress.phase = phase_;
        progress.percent = progress_.Percent();
        return progress;
    }

    const ArchiveJob& job_;
    const KeepWorking& keepGoing_;
    ProcessCancel& cancel_;
    std::string archiver_;
    std::string folder_;
    FolderFiles files_ = FolderFilesOf(folder_);
    TemporaryArchive archive_;
    Shown shown_;
    Clock::time_point started_ = Clock::now();
    WorkPhase phase_ = WorkPhase::Archiving;
    Clock::time_point phaseStarted_ = started_;
    ArchiverProgress progress_;
    bool progressSwitch_ = true;  // false once the archiver has refused it
};

// The job's own checks, for a job whose inputs CheckArchiveInputs has passed.
void CheckArchiverAndOutput(const ArchiveJob& job) {
    if (!FileExists(job.archiver)) {
        throw OperationError(job.archiver + std::string(text::kDoesNotExist));
    }
    if (job.output.empty()) {
        throw OperationError(std::string(text::kNoArchiveOutput));
    }
    RequireOutputFolder(ToPath(job.output));  // the archiver would create it
    RequireOrdinaryTree(job.patchFolder);
}

}  // namespace

std::string DefaultArchiverPath() {
    return ExecutableDirectory() + std::string(ArchiverFileName());
}

std::string WithUpdExtension(const std::string& path) {
    return EndsWithCaseSensitive(".upd", path) ? path : path + ".upd";
}

std::string ArchiverCommandLine(const std::string& archiver, const std::string& password,
                                const std::string& archive, const std::string& patchFolder) {
    const std::string files = WithTrailingSeparator(patchFolder) + "*";
    return CommandLine(Command{archiver, {"a", PasswordSwitch(password), archive, files}, {}, {}});
}

Command ArchiveCommand(const std::string& archiver, const std::string& password,
                       const std::string& archive, const std::string& patchFolder) {
    const FolderFiles files = FolderFilesOf(patchFolder);
    return Command{archiver,
                   {"a", PasswordSwitch(password), archive, files.pattern},
                   files.workingDirectory,
                   {}};
}

ArchiveResult RunArchiveJob(const ArchiveJob& job, const KeepWorking& keepGoing) {
    CheckArchiverAndOutput(job);
    ProcessCancel notCancelled;
    return ArchiveRun(job, keepGoing, notCancelled).Run();
}

ArchiveResult TestArchive(const ArchiveJob& job, const KeepWorking& keepGoing,
                          ProcessCancel& cancel) {
    if (!FileExists(job.archiver)) {
        throw OperationError(job.archiver + std::string(text::kDoesNotExist));
    }
    return ArchiveRun(job, keepGoing, cancel).TestOnly();
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services) {
    GenerateUpdateArchive(patchFolder, password, services, DefaultArchiverPath());
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath) {
    CheckArchiveInputs(patchFolder, password);
    const std::string archiver = LocateArchiver(archiverPath, services);
    const std::string chosen = services.ChooseFile(ChooserFilter::Parse(text::kArchiveOutputFilter),
                                                   std::string(text::kArchiveOutputTitle));
    if (chosen.empty()) {
        return;
    }
    const ArchiveJob job{archiver, password, WithUpdExtension(chosen), patchFolder};
    services.RunStep(
        [job](StepControl& control) {
            CheckArchiverAndOutput(job);
            const KeepWorking report = [&control](const WorkProgress& progress) {
                control.Report(progress);
                return !control.Cancelled();
            };
            return ArchiveRun(job, report, control.Process()).Run() == ArchiveResult::Done
                       ? StepResult::Done
                       : StepResult::Cancelled;
        },
        SayDoneUnlessCancelled(services));
}

}  // namespace upd
