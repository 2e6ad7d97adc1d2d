#include "app/UpdTool.h"

#include <CLI/CLI.hpp>

#include <exception>

#include "container/UpdContainer.h"

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
};

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
    unpack->add_option("IN", options.container, "The index package, e.g. updates.upd.")
        ->required();
    unpack->add_option("DIR", options.directory, "The folder to write into.")->required();
    unpack->callback([&options] { UnpackFiles(options.container, options.directory); });

    auto* list = app.add_subcommand("list", "Check every entry and print NAME, SIZE, COMPRESSED.");
    list->add_option("IN", options.container, "The index package.")->required();
    list->callback([&options, &out] { PrintEntries(options.container, out); });
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
    CLI::App app("Packs and unpacks the update index package (updates.upd) of Дарвела 2.",
                 "updtool");
    app.set_version_flag("--version", std::string("updtool ") + UPD_VERSION);
    app.require_subcommand(1);
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
