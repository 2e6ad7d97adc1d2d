#include "util/ReplacingFile.h"

#include <cstdio>
#include <random>
#include <system_error>

#include "util/FileSystem.h"
#include "util/OperationError.h"

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

}  // namespace

fs::path TemporarySibling(const fs::path& target, const std::string& suffix) {
    constexpr std::size_t kMaxKeptBytes = 64;
    const std::string kept = ShortenedName(FromPath(target.filename()), kMaxKeptBytes);
    const fs::path name = ToPath("." + kept + "." + RandomTag() + suffix);
    return target.parent_path() / name;
}

ReplacingFile::ReplacingFile(fs::path target) : target_(std::move(target)) {
    RequireOutputFolder(target_);
    target_ = LinkedFile(target_);
    replaced_ = InspectTarget(target_);
    if (replaced_.refusal != 0) {
        throw OperationError(CannotCreateMessage(target_, replaced_.refusal));
    }
    long error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = TemporarySibling(target_, ".tmp");
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
