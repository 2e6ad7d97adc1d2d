#include "util/ReplacingFile.h"

#include <cstdio>
#include <optional>
#include <random>
#include <regex>
#include <system_error>

#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Sha256.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

std::string RandomTag() {
    static std::mt19937_64 generator{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

// At most maxBytes of a UTF-8 name, cut on a character boundary, so that the temporary
// name stays within the file system's limit even for a long target name.
std::string ShortenedName(const std::string& name, std::size_t maxBytes) {
    if (name.size() <= maxBytes) {
        return name;
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return name.substr(0, cut);
}

constexpr std::size_t kMaxKeptBytes = 64;

// Tells this machine's temporaries from those another one left in a shared folder, whose
// process ids mean nothing here.
const std::string& MachineTag() {
    static const std::string tag = [] {
        const std::string name = MachineName();
        Sha256 hash;
        hash.Update(name.data(), name.size());
        return hash.HexDigest().substr(0, 8);
    }();
    return tag;
}

std::string OwnerTag() {
    const TemporaryOwner owner = ThisProcess();
    return MachineTag() + "-" + std::to_string(owner.process) + "-" + std::to_string(owner.started);
}

// The owner a temporary of this machine names, as TemporarySibling makes it (or 7-Zip's own
// ".tmp" beside it); none for any other name.
std::optional<TemporaryOwner> OwnerOf(const fs::path& path) {
    static const std::regex pattern(
        R"(\..+\.([0-9a-f]{8})-([0-9]{1,10})-([0-9]{1,19})\.[0-9a-f]{16}\.tmp(\.tmp)?)");
    std::string name;
    try {
        name = FromPath(path.filename());
    } catch (const std::exception&) {
        return std::nullopt;  // not Unicode (Windows): none of ours
    }
    std::smatch parts;
    if (!name.starts_with('.') || !name.ends_with(".tmp") ||
        !std::regex_match(name, parts, pattern) || parts[1] != MachineTag()) {
        return std::nullopt;
    }
    return TemporaryOwner{std::stoull(parts[2]), std::stoull(parts[3])};
}

}  // namespace

fs::path TemporarySibling(const fs::path& target) {
    const std::string kept = ShortenedName(FromPath(target.filename()), kMaxKeptBytes);
    const fs::path name = ToPath("." + kept + "." + OwnerTag() + "." + RandomTag() + ".tmp");
    return target.parent_path() / name;
}

std::vector<fs::path> DeadTemporaries(const fs::path& folder) {
    std::vector<fs::path> dead;
    std::error_code ec;
    for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, ec), end;
         !ec && entry != end; entry.increment(ec)) {
        std::error_code kindUnknown;  // leaves the entry alone, and the listing goes on
        const auto owner = OwnerOf(entry->path());
        if (owner && entry->is_regular_file(kindUnknown) && !entry->is_symlink(kindUnknown) &&
            !StillRuns(*owner)) {
            dead.push_back(entry->path());
        }
    }
    return dead;
}

std::vector<fs::path> RemoveDeadTemporaries(const fs::path& folder) {
    std::vector<fs::path> removed;
    for (const fs::path& path : DeadTemporaries(folder)) {
        std::error_code ec;
        if (fs::remove(path, ec)) {
            removed.push_back(path);
        }
    }
    return removed;
}

ReplacingFile::ReplacingFile(fs::path target) : target_(std::move(target)) {
    RequireOutputFolder(target_);
    target_ = LinkedFile(target_);
    replaced_ = InspectTarget(target_);
    if (replaced_.refusal != 0) {
        throw OperationError(CannotCreateMessage(target_, replaced_.refusal));
    }
    RemoveDeadTemporaries(target_.parent_path());  // a killed run's
    long error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = TemporarySibling(target_);
        error = file_.CreateNew(temporary_);
        if (error == 0) {
            return;
        }
        std::error_code ec;
        if (!fs::exists(temporary_, ec)) {
            break;  // not a name clash: the folder itself refuses
        }
    }
    throw OperationError(IsAccessDenied(error) ? FolderRefusesMessage(target_, error)
                                               : CannotCreateMessage(target_, error));
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) {
        file_ = File();  // close before removing: Windows cannot delete an open file
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

void ReplacingFile::Finish() {
    if (finished_) {
        return;
    }
    if (replaced_.exists) {
        if (const long error = file_.SetAttributes(replaced_.attributes); error != 0) {
            throw OperationError(CannotCreateMessage(target_, error));
        }
    }
    file_.Flush();
    file_.Close();
    finished_ = true;
}

void ReplacingFile::Commit() {
    Finish();
    if (const long error = MoveOver(temporary_, target_); error != 0) {
        throw OperationError(CannotCreateMessage(target_, error));
    }
    committed_ = true;
}

bool ReplacingFile::CommitUnlessTaken() {
    Finish();
    const long error = MoveWithoutReplacing(temporary_, target_);
    if (error != 0 && error != kNameTaken) {
        throw OperationError(CannotCreateMessage(target_, error));
    }
    committed_ = error == 0;
    return committed_;
}

}  // namespace upd
