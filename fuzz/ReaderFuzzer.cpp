// The reader against arbitrary bytes: the input is a container, unpacked into a fresh folder.
// Whatever it holds, the reader fails only with OperationError, leaves nothing in the folder
// but plain files with safe bare names (no temporary file), writes nothing outside it, and
// agrees with ListEntries: what ListEntries accepts unpacks to exactly the listed files.
#include <climits>
#include <cstdint>
#include <map>
#include <optional>

#include "FuzzSupport.h"
#include "container/StoredName.h"
#include "container/UpdContainer.h"
#include "util/OperationError.h"

namespace {

using namespace updfuzz;

// The temporary files of ReplacingFile: ".<name>.<16 hex digits>.tmp".
bool LooksTemporary(const std::string& name) {
    constexpr std::size_t kTail = 1 + 16 + 4;
    if (name.size() < 2 + kTail || name[0] != '.' || !name.ends_with(".tmp")) {
        return false;
    }
    const std::string tag = name.substr(name.size() - kTail, kTail - 4);
    return tag[0] == '.' && tag.find_first_not_of("0123456789abcdef", 1) == std::string::npos;
}

std::optional<std::vector<upd::EntryInfo>> TryList(const fs::path& container) {
    try {
        return upd::ListEntries(upd::FromPath(container));
    } catch (const upd::OperationError&) {
        return std::nullopt;
    }
}

// The failure message, or nothing on success.
std::optional<std::string> TryUnpack(const fs::path& container, const fs::path& target) {
    try {
        upd::UnpackFiles(upd::FromPath(container), upd::FromPath(target));
        return std::nullopt;
    } catch (const upd::OperationError& e) {
        return std::string(e.what());
    }
}

void CheckOutputs(const std::vector<std::string>& written) {
    for (const std::string& name : written) {
        Check(upd::IsSafeEntryName(name), "unsafe name or not a plain file: " + name);
        Check(!LooksTemporary(name), "temporary file left behind: " + name);
    }
}

// A listed container unpacks to the listed names (the last entry of a name wins) and sizes.
// The one allowed failure: a name longer than the file system takes.
void CheckAgreesWithList(const std::vector<upd::EntryInfo>& listed,
                         const std::optional<std::string>& unpackFailure, const fs::path& target) {
    std::map<std::string, std::int64_t> expected;
    bool tooLong = false;
    for (const auto& entry : listed) {
        expected[entry.name] = entry.size;
        tooLong = tooLong || entry.name.size() > NAME_MAX;
    }
    if (unpackFailure) {
        Check(tooLong && unpackFailure->starts_with("Cannot create file"),
              "ListEntries accepts what UnpackFiles refuses: " + *unpackFailure);
        return;
    }
    std::vector<std::string> names;
    for (const auto& [name, size] : expected) {
        names.push_back(name);
        Check(fs::file_size(target / upd::ToPath(name)) == std::uintmax_t(size),
              "size differs from the listed one: " + name);
    }
    Check(FolderEntries(target) == names, "unpacked files differ from the listed entries");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Workspace workspace;
    const fs::path container = workspace.Root() / "input.upd";
    const fs::path target = workspace.Root() / "target";
    WriteFile(container, data, size);
    fs::create_directory(target);

    const auto listed = TryList(container);
    const auto unpackFailure = TryUnpack(container, target);

    CheckOutputs(FolderEntries(target));
    Check(FolderEntries(workspace.Root()) == std::vector<std::string>{"input.upd", "target/"},
          "something was written outside the target folder");
    if (listed) {
        CheckAgreesWithList(*listed, unpackFailure, target);
    }
    fs::remove_all(target);
    return 0;
}
