#include "app/UpdTool.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <exception>
#include <iostream>

#include "container/UpdContainer.h"
#include "ops/IndexCommands.h"
#include "ops/ProgressView.h"
#include "ops/Publish.h"
#include "ops/UpdateArchive.h"
#include "util/File.h"
#include "util/FileSystem.h"
#include "util/Interruption.h"
#include "util/OperationError.h"
#include "util/Text.h"
#include "util/Texts.h"

#ifndef UPD_VERSION
#define UPD_VERSION "0.0.0"
#endif

namespace upd {

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct Options {
    std::string output;
    std::vector<std::string> files;
    std::string container;
    std::string directory;
    std::string password;
    std::string passwordFile;
    std::string archiver;
    std::string folder;
    bool dryRun = false;
    bool replace = false;
};

// Characters, not bytes, of UTF-8 text.
std::size_t Width(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first count characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && seen++ == count) {
            break;
        }
    }
    return text.substr(0, end);
}

// A part of the progress line, in the line's order, with the round in which it goes when the
// terminal is too narrow (0: never); the phase goes last.
struct LinePart {
    std::string text;
    int goes;
};
constexpr int kPhaseGoes = 4;

// The line in a round: the phase and the parts still there.
std::string LineInRound(const std::string& phase, const std::vector<LinePart>& parts, int round) {
    std::string line = round < kPhaseGoes ? phase + ": " : "";
    for (const auto& [text, goes] : parts) {
        if (!text.empty() && (goes == 0 || goes > round)) {
            line += text + ", ";
        }
    }
    return line.empty() ? line : line.substr(0, line.size() - 2);
}

// One line on standard error, rewritten in place while the archiver works; none off a
// terminal, where the rewrites would only clutter a log.
class ProgressLine {
  public:
    // Shown once the step has run for shownAfter.
    explicit ProgressLine(const ToolConsole& console, std::chrono::milliseconds shownAfter = {})
        : console_(console), shownAfter_(shownAfter) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const WorkProgress& progress) {
        if (!console_.errIsTerminal || progress.elapsed < shownAfter_) {
            return;
        }
        const std::string text = FittedProgressLine(progress, Columns());
        const std::size_t width = Width(text);
        const std::size_t stale = Fitting(width_);
        *console_.err << '\r' << text << std::string(stale > width ? stale - width : 0, ' ')
                      << std::flush;
        width_ = width;
    }
    void Clear() {
        if (width_ > 0) {
            *console_.err << '\r' << std::string(Fitting(width_), ' ') << '\r' << std::flush;
            width_ = 0;
        }
    }

  private:
    std::size_t Columns() const { return console_.columns ? console_.columns() : 0; }
    // Blanks over an earlier, wider line must not wrap on a terminal made narrower since.
    std::size_t Fitting(std::size_t width) const {
        const std::size_t columns = Columns();
        return columns == 0 ? width : std::min(width, columns - 1);
    }
    const ToolConsole& console_;
    std::chrono::milliseconds shownAfter_;
    std::size_t width_ = 0;
};

// The first line, without its line break and without a UTF-8 byte order mark before it
// (which Windows editors write and which would otherwise become part of the password).
std::string FirstLine(std::string line) {
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    return line.starts_with(kByteOrderMark) ? line.substr(kByteOrderMark.size()) : line;
}

std::string FirstLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    return FirstLine(line);
}

// Through the tool's own file: a folder or an unreadable file is refused with its name; a
// pipe is read (--password-file <(pass show updates)).
std::string FirstLineOfFile(const std::string& path) {
    File file;
    if (const long error = file.OpenStream(ToPath(path)); error != 0) {
        throw OperationError(CannotOpenMessage(ToPath(path), error));
    }
    std::string text;
    char chunk[4096];
    while (text.find('\n') == std::string::npos) {
        const std::size_t got = file.Read(chunk, sizeof chunk);
        if (got == 0) {
            break;
        }
        text.append(chunk, got);
    }
    return FirstLine(text);
}

// A step ended by Ctrl-C, Ctrl-\, SIGTERM or SIGHUP: its temporary files are gone, an
// archiver ended.
struct Interrupted {
    int signal;
};

[[noreturn]] void ThrowInterrupted(const CancelOnInterruption& interruption) {
    throw Interrupted{interruption.Caught() != 0 ? interruption.Caught() : SIGINT};
}

// Asked for at the terminal; an interruption ends the asking, the terminal given back as it was.
std::string HiddenPassword(const ToolConsole& console) {
    CancelToken cancel;
    const CancelOnInterruption interruption(cancel);
    std::string line = console.readHidden(text::kToolPasswordPrompt, cancel);
    if (cancel.Requested()) {
        ThrowInterrupted(interruption);
    }
    return FirstLine(std::move(line));
}

std::string Password(const Options& options, const ToolConsole& console) {
    if (!options.passwordFile.empty()) {
        return FirstLineOfFile(options.passwordFile);
    }
    if (options.password != "-") {
        return options.password;
    }
    return console.readHidden ? HiddenPassword(console) : FirstLine(*console.in);
}

std::string Archiver(const Options& options) {
    if (!options.archiver.empty()) {
        return options.archiver;
    }
    if (!FileExists(DefaultArchiverPath())) {
        throw OperationError(std::string(text::kToolNoArchiver));
    }
    return DefaultArchiverPath();
}

// Runs the step here, its progress on the terminal's line; an interruption cancels it.
void RunHere(const Step& step, ProgressLine& line) {
    StepControl control([&line](const WorkProgress& progress) { line.Show(progress); });
    const CancelOnInterruption interruption(control.Token());
    if (step(control) == StepResult::Cancelled) {
        ThrowInterrupted(interruption);
    }
}

void RunHere(const Step& step, const ToolConsole& console) {
    ProgressLine line(console);
    RunHere(step, line);
}

void Archive(const Options& options, const ToolConsole& console) {
    const std::string password = Password(options, console);
    CheckArchiveInputs(options.directory, password);
    RunHere(ArchiveStep(
                {Archiver(options), password, WithUpdExtension(options.output), options.directory}),
            console);
}

// An empty path would mean the current folder, or for unpack the root folder: a usage error.
const CLI::Validator kNotEmpty(
    [](const std::string& value) {
        return value.empty() ? std::string(text::kToolEmptyValue) : std::string();
    },
    "");

void PrintEntries(const std::string& container, std::ostream& out) {
    for (const EntryInfo& entry : ListEntries(container)) {
        out << entry.name << '\t' << entry.size << '\t' << entry.compressedSize << '\n';
    }
}

void AddArchive(CLI::App& app, Options& options, const ToolConsole& console) {
    auto* archive = app.add_subcommand("archive", std::string(text::kToolArchive));
    auto* password = archive->add_option_group(std::string(text::kToolPasswordGroupName),
                                               std::string(text::kToolPasswordGroup));
    password->add_option("--password", options.password, std::string(text::kToolPassword));
    password->add_option("--password-file", options.passwordFile,
                         std::string(text::kToolPasswordFile));
    password->require_option(1);
    archive->add_option("-o,--output", options.output, std::string(text::kToolArchiveOutput))
        ->required()
        ->check(kNotEmpty);
    archive->add_option("FOLDER", options.directory, std::string(text::kToolPatchFolder))
        ->required()
        ->check(kNotEmpty);
    archive->add_option("--archiver", options.archiver, std::string(text::kToolArchiver));
    archive->callback([&options, &console] { Archive(options, console); });
}

std::string_view StateText(const PublishedFile& file, bool dryRun) {
    if (file.alreadyThere) {
        return text::kPublishAlreadyThere;
    }
    return dryRun ? text::kPublishPlanned : text::kPublishCopied;
}

void Publish(const Options& options, std::ostream& out, const ToolConsole& console) {
    const bool test = !options.password.empty() || !options.passwordFile.empty();
    const std::string password = test ? Password(options, console) : std::string();
    if (test) {
        CheckPassword(password);
    }
    // Only a copy that takes a while has a line: most publications are done in a moment.
    ProgressLine line(console, std::chrono::seconds(2));
    const PublishJob job{options.folder,
                         options.container,
                         options.files,
                         options.replace,
                         options.dryRun,
                         password,
                         test ? Archiver(options) : std::string(),
                         [&](const std::string& leftover) {  // beside the report, not in it
                             line.Clear();
                             *console.err << (options.dryRun ? text::kPublishLeftoverFound
                                                             : text::kPublishLeftoverRemoved)
                                          << leftover << "\"\n";
                         }};
    RunHere(
        [&](StepControl& control) {
            return PublishStep(job, control, [&](const PublishedFile& file) {
                line.Clear();
                out << file.name << '\t' << StateText(file, options.dryRun) << '\t' << file.size
                    << '\t' << file.sha256 << '\n';
            });
        },
        line);
    // The report is written along the way, but a failed write never stops the publication.
    if (!out.flush()) {
        throw OperationError(std::string(text::kPublishReportLost));
    }
}

void AddPublish(CLI::App& app, Options& options, std::ostream& out, const ToolConsole& console) {
    auto* publish = app.add_subcommand("publish", std::string(text::kToolPublish));
    publish->add_option("-t,--to", options.folder, std::string(text::kToolPublishFolder))
        ->required()
        ->check(kNotEmpty);
    publish->add_flag("--dry-run", options.dryRun, std::string(text::kToolDryRun));
    publish->add_flag("--replace", options.replace, std::string(text::kToolReplace));
    auto* password = publish->add_option_group(std::string(text::kToolPasswordGroupName),
                                               std::string(text::kToolPasswordGroup));
    password->add_option("--password", options.password, std::string(text::kToolTestPassword));
    password->add_option("--password-file", options.passwordFile,
                         std::string(text::kToolPasswordFile));
    password->require_option(0, 1);
    publish->add_option("--archiver", options.archiver, std::string(text::kToolArchiver));
    publish->add_option("INDEX-PACKAGE", options.container, std::string(text::kToolPublishIndex))
        ->required()
        ->check(kNotEmpty);
    publish->add_option("ARCHIVE", options.files, std::string(text::kToolPublishArchives))
        ->check(kNotEmpty);
    publish->callback([&options, &out, &console] { Publish(options, out, console); });
}

void AddSubcommands(CLI::App& app, Options& options, std::ostream& out,
                    const ToolConsole& console) {
    auto* pack = app.add_subcommand("pack", std::string(text::kToolPack));
    pack->add_option("-o,--output", options.output, std::string(text::kToolPackOutput))
        ->required()
        ->check(kNotEmpty);
    pack->add_option("FILE", options.files, std::string(text::kToolPackFiles))
        ->required()
        ->check(kNotEmpty);
    pack->callback(
        [&options, &console] { RunHere(PackStep(options.files, options.output), console); });

    auto* unpack = app.add_subcommand("unpack", std::string(text::kToolUnpack));
    unpack->add_option("IN", options.container, std::string(text::kToolUnpackInput))
        ->required()
        ->check(kNotEmpty);
    unpack->add_option("DIR", options.directory, std::string(text::kToolUnpackFolder))
        ->required()
        ->check(kNotEmpty);
    unpack->callback([&options, &console] {
        RunHere(UnpackStep(options.container, options.directory), console);
    });

    auto* list = app.add_subcommand("list", std::string(text::kToolList));
    list->add_option("IN", options.container, std::string(text::kToolListInput))
        ->required()
        ->check(kNotEmpty);
    list->callback([&options, &out] { PrintEntries(options.container, out); });
}

// Output that cannot be written (a full disk, a closed pipe) is a failure, also for --help.
int Finished(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    if (!out) {
        err << text::kToolCannotWrite << '\n';
        return status == 0 ? kFailed : status;
    }
    return status;
}

}  // namespace

std::string FittedProgressLine(const WorkProgress& progress, std::size_t columns) {
    const form::ProgressView view = form::ViewOf(progress);
    const auto left = form::TimeLeft(progress);
    const std::vector<LinePart> parts = {
        {view.percentText, 0},
        {form::ClockText(progress.elapsed), 1},
        {left ? std::string(text::kTimeLeftShort) + form::ClockText(*left) : "", 3},
        {SizeText(progress.outputBytes), 2},
    };
    std::string line = form::ProgressLine(progress);  // every part: round 0
    for (int round = 1; columns != 0 && Width(line) >= columns && round <= kPhaseGoes; ++round) {
        std::string shorter = LineInRound(view.phase, parts, round);
        if (shorter.empty()) {
            break;  // without a percentage, the phase is the last thing to show
        }
        line = std::move(shorter);
    }
    return columns == 0 || Width(line) < columns ? line : FirstCharacters(line, columns - 1);
}

int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunUpdTool(args, out, err, ToolConsole{&std::cin, &err, false});
}

int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ToolConsole& console) {
    CLI::App app(std::string(text::kToolDescription), "updtool");
    app.set_version_flag("--version", std::string("updtool ") + UPD_VERSION);
    app.require_subcommand(1);
    app.allow_windows_style_options(false);  // "/data/x" is a path, not an option
    Options options;
    AddSubcommands(app, options, out, console);
    AddArchive(app, options, console);
    AddPublish(app, options, out, console);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return Finished(status == 0 ? 0 : kUsageError, out, err);
    } catch (const Interrupted& e) {
        err << text::kToolInterrupted << '\n';
        return InterruptedExitStatus(e.signal);
    } catch (const std::exception& e) {  // OperationError and anything the system throws
        err << e.what() << '\n';
        return kFailed;
    }
    return Finished(0, out, err);
}

}  // namespace upd
