#include "app/UpdTool.h"

#include <CLI/CLI.hpp>

#include <exception>

#include "container/UpdContainer.h"
#include "ops/UpdateArchive.h"
#include "util/OperationError.h"

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
    std::string archiver;
};

// Answers the archive command's choosers from the command line.
class OptionServices : public InteractionServices {
  public:
    explicit OptionServices(const Options& options) : options_(options) {}
    std::string ChooseFolder(const std::string&) override { return {}; }
    std::string ChooseFile(const std::string& filter, const std::string&) override {
        if (filter.ends_with("|*.upd")) {
            return options_.output;
        }
        if (options_.archiver.empty()) {
            throw OperationError(
                "Архиваторът SEVENZIP не е намерен до updtool; посочете го с --archiver.");
        }
        return options_.archiver;
    }
    void ShowInfo(const std::string&) override {}  // success is the exit status

  private:
    const Options& options_;
};

void Archive(const Options& options) {
    OptionServices services(options);
    const std::string archiver =
        options.archiver.empty() ? DefaultArchiverPath() : options.archiver;
    GenerateUpdateArchive(options.directory, options.password, services, archiver);
}

void PrintEntries(const std::string& container, std::ostream& out) {
    for (const EntryInfo& entry : ListEntries(container)) {
        out << entry.name << '\t' << entry.size << '\t' << entry.compressedSize << '\n';
    }
}

void AddSubcommands(CLI::App& app, Options& options, std::ostream& out) {
    auto* pack = app.add_subcommand("pack", "Pack files, in order, into an index package.");
    pack->add_option("-o,--output", options.output, "The package to write (replaced if present).")
        ->required();
    pack->add_option("FILE", options.files, "Files to pack, e.g. updates.xml.")->required();
    pack->callback([&options] { PackFiles(options.files, options.output); });

    auto* unpack = app.add_subcommand("unpack", "Unpack every entry of a package into a folder.");
    unpack->add_option("IN", options.container, "The index package, e.g. updates.upd.")->required();
    unpack->add_option("DIR", options.directory, "The folder to write into.")->required();
    unpack->callback([&options] { UnpackFiles(options.container, options.directory); });

    auto* list = app.add_subcommand("list", "Check every entry and print NAME, SIZE, COMPRESSED.");
    list->add_option("IN", options.container, "The index package.")->required();
    list->callback([&options, &out] { PrintEntries(options.container, out); });

    auto* archive = app.add_subcommand(
        "archive", "Archive a patch folder holding descriptor.xml into a password-protected .upd.");
    archive->add_option("--password", options.password, "The archive password.")->required();
    archive->add_option("-o,--output", options.output, "The archive to write (.upd is added).")
        ->required();
    archive->add_option("FOLDER", options.directory, "The patch folder.")->required();
    archive->add_option("--archiver", options.archiver,
                        "The 7-Zip program, when there is no SEVENZIP next to updtool.");
    archive->callback([&options] { Archive(options); });
}

// Output that cannot be written (a full disk, a closed pipe) is a failure, also for --help.
int Finished(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    if (!out) {
        err << "Cannot write the output.\n";
        return status == 0 ? kFailed : status;
    }
    return status;
}

}  // namespace

int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("Prepares the update files of Дарвела 2: the index package and update archives.",
                 "updtool");
    app.set_version_flag("--version", std::string("updtool ") + UPD_VERSION);
    app.require_subcommand(1);
    app.allow_windows_style_options(false);  // "/data/x" is a path, not an option
    Options options;
    AddSubcommands(app, options, out);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return Finished(status == 0 ? 0 : kUsageError, out, err);
    } catch (const std::exception& e) {  // OperationError and anything the system throws
        err << e.what() << '\n';
        return kFailed;
    }
    return Finished(0, out, err);
}

}  // namespace upd
