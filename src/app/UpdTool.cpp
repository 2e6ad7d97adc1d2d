#include "app/UpdTool.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <exception>
#include <iostream>

#include "container/UpdContainer.h"
#include "ops/Publish.h"
#include "ops/UpdateArchive.h"
#include "ui/ProgressView.h"
#include "util/File.h"
#include "util/FileSystem.h"
#include "util/Interruption.h"
#include "util/OperationError.h"
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

// One line on standard error, rewritten in place while the archiver works; none off a
// terminal, where the rewrites would only clutter a log.
class ProgressLine {
  public:
    ProgressLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const WorkProgress& progress) {
        if (!shown_) {
            return;
        }
        const std::string text = form::ProgressLine(progress);
        const std::size_t width = Width(text);
        err_ << '\r' << text << std::string(width_ > width ? width_ - width : 0, ' ') << std::flush;
        width_ = width;
    }
    void Clear() {
        if (width_ > 0) {
            err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
            width_ = 0;
        }
    }

  private:
    // Characters, not bytes, of UTF-8 text.
    static std::size_t Width(const std::string& text) {
        return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    }
    std::ostream& err_;
    bool shown_;
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

// Through the tool's own file: a folder or an unreadable file is refused with its name.
std::string FirstLineOfFile(const std::string& path) {
    File file;
    if (const long error = file.OpenRead(ToPath(path)); error != 0) {
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

std::string Password(const Options& options, std::istream& in) {
    if (options.passwordFile.empty()) {
        return options.password == "-" ? FirstLine(in) : options.password;
    }
    return FirstLineOfFile(options.passwordFile);
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

void Archive(const Options& options, const ToolConsole& console) {
    const std::string password = Password(options, *console.in);
    CheckArchiveInputs(options.directory, password);
    const ArchiveJob job{Archiver(options), password, WithUpdExtension(options.output),
                         options.directory};
    ProgressLine line(*console.err, console.errIsTerminal);
    const ArchiveResult result = RunArchiveJob(job, [&line](const WorkProgress& progress) {
        if (CaughtInterruption() != 0) {
            return false;
        }
        line.Show(progress);
        return true;
    });
    if (result == ArchiveResult::Cancelled) {
        throw Interrupted(CaughtInterruption() != 0 ? CaughtInterruption() : SIGINT);
    }
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
    const std::string password = test ? Password(options, *console.in) : std::string();
    if (test && password.empty()) {
        throw OperationError(std::string(text::kInvalidPassword));
    }
    const PublishJob job{options.folder,
                         options.container,
                         options.files,
                         options.replace,
                         options.dryRun,
                         password,
                         test ? Archiver(options) : std::string()};
    ProgressLine line(*console.err, console.errIsTerminal);
    StepResult result = StepResult::Done;
    RunStepHere(
        [&](StepControl& control) {
            return PublishStep(job, control, [&](const PublishedFile& file) {
                line.Clear();
                out << file.name << '\t' << StateText(file, options.dryRun) << '\t' << file.size
                    << '\t' << file.sha256 << '\n';
            });
        },
        [&result](StepResult ended) { result = ended; },
        [&line](const WorkProgress& progress) {
            if (CaughtInterruption() != 0) {
                return false;
            }
            line.Show(progress);
            return true;
        });
    if (result == StepResult::Cancelled) {
        throw Interrupted(CaughtInterruption() != 0 ? CaughtInterruption() : SIGINT);
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

void AddSubcommands(CLI::App& app, Options& options, std::ostream& out) {
    auto* pack = app.add_subcommand("pack", std::string(text::kToolPack));
    pack->add_option("-o,--output", options.output, std::string(text::kToolPackOutput))
        ->required()
        ->check(kNotEmpty);
    pack->add_option("FILE", options.files, std::string(text::kToolPackFiles))
        ->required()
        ->check(kNotEmpty);
    pack->callback([&options] { PackFiles(options.files, options.output); });

    auto* unpack = app.add_subcommand("unpack", std::string(text::kToolUnpack));
    unpack->add_option("IN", options.container, std::string(text::kToolUnpackInput))
        ->required()
        ->check(kNotEmpty);
    unpack->add_option("DIR", options.directory, std::string(text::kToolUnpackFolder))
        ->required()
        ->check(kNotEmpty);
    unpack->callback([&options] { UnpackFiles(options.container, options.directory); });

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
    AddSubcommands(app, options, out);
    AddArchive(app, options, console);
    AddPublish(app, options, out, console);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return Finished(status == 0 ? 0 : kUsageError, out, err);
    } catch (const Interrupted& e) {  // temporary files are gone, the archiver was ended
        err << text::kToolInterrupted << '\n';
        return InterruptedExitStatus(e.Signal());
    } catch (const std::exception& e) {  // OperationError and anything the system throws
        err << e.what() << '\n';
        return kFailed;
    }
    return Finished(0, out, err);
}

}  // namespace upd
