#include "ops/UpdateArchive.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "ops/ArchiveWork.h"
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
// 7-Zip reads a password from its standard input in its locale: pinned, so that the bytes
// mean the same in every run.
constexpr const char* kArchiverLocale = "LC_ALL=C.UTF-8";
// In a "l -slt" listing, the line between the archive's own block and its entries.
constexpr const char* kEntriesFollow = "----------";

}  // namespace

void CheckPassword(const std::string& password) {
    if (password.empty()) {
        throw OperationError(std::string(text::kInvalidPassword));
    }
    if (password.find('\0') != std::string::npos) {  // the archiver would get only what precedes it
        throw OperationError(std::string(text::kNulInPassword));
    }
    if (password.find_first_of("\r\n") != std::string::npos) {  // it would end the line
        throw OperationError(std::string(text::kPasswordWithLineBreak));
    }
    if (ArchiverPasswordRoute() == PasswordRoute::CommandLine &&
        password.find('"') != std::string::npos) {
        throw OperationError(std::string(text::kPasswordWithQuote));
    }
    const auto characters = std::count_if(password.begin(), password.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;  // not a UTF-8 continuation
    });
    if (std::size_t(characters) > kMaxPasswordCharacters) {
        throw OperationError(text::Around(text::kPasswordTooLongBefore,
                                          std::to_string(kMaxPasswordCharacters),
                                          text::kPasswordTooLongAfter));
    }
}

void CheckArchiveInputs(const std::string& patchFolder, const std::string& password) {
    if (!DirectoryExists(patchFolder)) {
        throw OperationError(patchFolder + std::string(text::kDoesNotExist));
    }
    if (!FileExists(WithTrailingSeparator(patchFolder) + "descriptor.xml")) {
        throw OperationError(std::string(text::kNoDescriptor));
    }
    CheckPassword(password);
}

namespace {

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

// 7-Zip's own error line: the first "ERROR:" line, with the reason on the line after it when
// it names only the file; else the last line.
std::string ErrorLine(const std::string& output) {
    const std::string lines = LastLines(output, std::size_t(-1));
    std::istringstream in(lines);
    std::string line, last;
    while (std::getline(in, line)) {
        last = line;
        if (line.starts_with("ERROR:")) {
            std::string reason;
            if (line.find(" : ") == std::string::npos && std::getline(in, reason)) {
                line += ": " + reason;
            }
            return line;
        }
    }
    return last;
}

// The archive the archiver writes before it is checked; removed unless moved into place,
// together with 7-Zip's own "<archive>.tmp". Its name does not end in ".upd": no one takes
// it for an update.
class TemporaryArchive {
  public:
    explicit TemporaryArchive(const fs::path& output) : path_(TemporarySibling(output)) {}
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

// How a call reads the password from standard input: "a" only with a bare -p, and asking
// twice in some versions (to verify); "t" when it meets an encrypted item; "l" never, as the
// headers are not encrypted.
struct PasswordAsks {
    bool bareSwitch;
    int times;
};
constexpr PasswordAsks kAddAsks{true, 2};
constexpr PasswordAsks kTestAsks{false, 1};
constexpr PasswordAsks kListAsks{false, 0};

// "<archiver>" <verb> [switches] [-p<password>] <operands>, the password given the platform's
// way.
Command ArchiverCall(const std::string& archiver, std::vector<std::string> verbAndSwitches,
                     const std::string& password, PasswordAsks asks,
                     const std::vector<std::string>& operands) {
    Command command{archiver, std::move(verbAndSwitches), {}, {}};
    if (ArchiverPasswordRoute() == PasswordRoute::CommandLine) {
        command.arguments.push_back(PasswordSwitch(password));
    } else {
        if (asks.bareSwitch) {
            command.arguments.push_back(PasswordSwitch(""));
        }
        for (int i = 0; i < asks.times; ++i) {
            command.input += password + "\n";
        }
        command.environment = {kArchiverLocale};
    }
    command.arguments.insert(command.arguments.end(), operands.begin(), operands.end());
    return command;
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
    throw ArchiveCheckFailure(shown(message), what, shown(ErrorLine(outcome.outputTail)));
}

// Whether a "l -slt" listing has an entry of that path: a "Path = <path>" line among the
// entries, not in the archive's own block before them.
bool ListsAtRoot(const std::string& listing, const std::string& name) {
    std::istringstream in(listing);
    bool inEntries = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        inEntries = inEntries || line == kEntriesFollow;
        if (inEntries && line == "Path = " + name) {
            return true;
        }
    }
    return false;
}

// What stands at the output, refused as pack refuses it (a folder, a write-protected file).
ReplacedTarget ReplaceableTarget(const fs::path& target) {
    const ReplacedTarget replaced = InspectTarget(target);
    if (replaced.refusal != 0) {
        throw OperationError(CannotCreateMessage(target, replaced.refusal));
    }
    return replaced;
}

// Runs the archiver steps, reporting progress to the control and stopping at its cancel
// (which may come from any thread).
class ArchiveRun {
  public:
    ArchiveRun(const ArchiveJob& job, StepControl& control,
               std::optional<ArchiveWork> work = std::nullopt)
        : job_(job),
          control_(control),
          work_(std::move(work)),
          archiver_(AbsolutePathText(ToPath(job.archiver))),
          folder_(AbsolutePathText(ToPath(job.patchFolder))),
          archive_(LinkedFile(ToPath(AbsolutePathText(ToPath(job.output))))),
          shown_(job.password, archive_.Text(), job.output) {}

    StepResult Run() {
        RemoveDeadTemporaries(archive_.Path().parent_path());  // a killed run's
        if (!Add() || !Check(archive_.Text())) {
            return StepResult::Cancelled;
        }
        // A link as the output stays: the archive it points to is replaced.
        const fs::path target = LinkedFile(ToPath(job_.output));
        const ReplacedTarget replaced = ReplaceableTarget(target);
        long error = replaced.exists ? SetAttributesOf(archive_.Path(), replaced.attributes) : 0;
        if (error == 0) {
            error = MoveOver(archive_.Path(), target);
        }
        if (error != 0) {
            throw OperationError(CannotCreateMessage(ToPath(job_.output), error));
        }
        return StepResult::Done;
    }

    // An archive made before, tested as Run tests its own.
    StepResult TestOnly() {
        return Check(AbsolutePathText(ToPath(job_.output))) ? StepResult::Done
                                                            : StepResult::Cancelled;
    }

  private:
    // Each returns false when cancelled and throws when the step fails.
    bool Add() {
        BeginPhase(WorkPhase::Archiving);
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
            StepWithProgress(ArchiverCall(archiver_, {"t"}, job_.password, kTestAsks, {archive}));
        if (tested.cancelled) {
            return false;
        }
        if (tested.exitCode != 0) {
            ThrowCheckFailure(text::kCheckCannotOpen, tested, job_.output, shown_);
        }
        // Quick, and with no progress of its own: the test's percentage stays. Without -ba,
        // which 7-Zip 9.20 does not know.
        const ProcessOutcome listed = Step(
            ArchiverCall(archiver_, {"l", "-slt"}, job_.password, kListAsks, {archive}), false);
        if (!listed.cancelled &&
            (listed.exitCode != 0 || !ListsAtRoot(listed.outputTail, "descriptor.xml"))) {
            ThrowCheckFailure(text::kCheckNoDescriptor, listed, job_.output, shown_);
        }
        return !listed.cancelled;
    }

    void BeginPhase(WorkPhase phase) {
        phase_ = phase;
        progress_ = ArchiverProgress();
        control_.BeginPhase(phase, Amounts());
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
        const Heartbeat report = [this] { control_.Report(Amounts()); };
        return RunAndWait(command, readProgress ? read : OnOutput(), report, control_.Token());
    }

    // Messages name the folder's files by their full pattern, wherever the call runs.
    Command AsShown(Command command) const {
        std::replace(command.arguments.begin(), command.arguments.end(), files_.pattern,
                     WithTrailingSeparator(folder_) + "*");
        return command;
    }

    // The archiving's time done, weighed over the files, where the archiver names them.
    PhaseAmounts Amounts() {
        const bool weighed = work_ && phase_ == WorkPhase::Archiving;
        return {progress_.Percent(), archive_.Size(),
                weighed ? work_->TimeShare(progress_.Percent(), progress_.Current(),
                                           control_.Now().phaseElapsed)
                        : std::nullopt};
    }

    const ArchiveJob& job_;
    StepControl& control_;
    std::optional<ArchiveWork> work_;
    std::string archiver_;
    std::string folder_;
    FolderFiles files_ = FolderFilesOf(folder_);
    TemporaryArchive archive_;
    Shown shown_;
    WorkPhase phase_ = WorkPhase::Archiving;
    ArchiverProgress progress_;
    bool progressSwitch_ = true;  // false once the archiver has refused it
};

// Whether path is folder or lies inside it, however either is spelt (links, case, ...).
bool IsInside(const fs::path& path, const fs::path& folder) {
    const std::optional<FileIdentity> folderIdentity = IdentityOf(folder);
    std::error_code ec;
    fs::path at = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (!folderIdentity || ec) {
        return false;
    }
    for (;; at = at.parent_path()) {
        if (IdentityOf(at) == folderIdentity) {
            return true;
        }
        if (at == at.parent_path()) {
            return false;
        }
    }
}

// The job's own checks, for a job whose inputs CheckArchiveInputs has passed; returns the
// patch folder's files.
std::vector<WalkedFile> CheckArchiverAndOutput(const ArchiveJob& job) {
    if (!FileExists(job.archiver)) {
        throw OperationError(job.archiver + std::string(text::kDoesNotExist));
    }
    if (job.output.empty()) {
        throw OperationError(std::string(text::kNoArchiveOutput));
    }
    RequireOutputFolder(ToPath(job.output));  // the archiver would create it
    const fs::path target = LinkedFile(ToPath(job.output));
    ReplaceableTarget(target);
    if (IsInside(target, ToPath(job.patchFolder))) {
        throw OperationError(text::Around(text::kOutputInPatchFolderBefore,
                                          AbsolutePathText(target),
                                          text::kOutputInPatchFolderAfter));
    }
    return RequireOrdinaryTree(job.patchFolder);
}

}  // namespace

std::string DefaultArchiverPath() {
    return ExecutableDirectory() + std::string(ArchiverFileName());
}

std::string WithUpdExtension(const std::string& path) {
    const bool namesFolder = DirectoryExists(path) || ToPath(path).filename().empty();
    return namesFolder || EndsWithCaseSensitive(".upd", path) ? path : path + ".upd";
}

Command ArchiveCommand(const std::string& archiver, const std::string& password,
                       const std::string& archive, const std::string& patchFolder) {
    const FolderFiles files = FolderFilesOf(patchFolder);
    Command command = ArchiverCall(archiver, {"a"}, password, kAddAsks, {archive, files.pattern});
    command.workingDirectory = files.workingDirectory;
    return command;
}

Step ArchiveStep(ArchiveJob job) {
    return [job = std::move(job)](StepControl& control) {
        const auto files = WeighFiles(job.patchFolder, CheckArchiverAndOutput(job), control);
        return files ? ArchiveRun(job, control, ArchiveWork(*files)).Run() : StepResult::Cancelled;
    };
}

StepResult TestArchive(const ArchiveJob& job, StepControl& control) {
    if (!FileExists(job.archiver)) {
        throw OperationError(job.archiver + std::string(text::kDoesNotExist));
    }
    return ArchiveRun(job, control).TestOnly();
}

}  // namespace upd
