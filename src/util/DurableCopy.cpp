#include "util/DurableCopy.h"

#include <memory>
#include <vector>

#include "util/File.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ReplacingFile.h"
#include "util/Sha256.h"
#include "util/Texts.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPieceSize = std::size_t(1) << 20;

File OpenSource(const fs::path& source) {
    File file;
    if (const long error = file.OpenRead(source); error != 0) {
        throw OperationError(CannotOpenMessage(source, error));
    }
    return file;
}

// Reads the whole file, handing each piece on; false when a piece stopped it.
bool ReadAll(File& file, const ReadPiece& piece) {
    std::vector<unsigned char> buffer(kPieceSize);
    for (std::size_t got; (got = file.Read(buffer.data(), buffer.size())) > 0;) {
        if (!piece(buffer.data(), got)) {
            return false;
        }
    }
    return true;
}

// Names the target in the tool's plain "Stream write error", with the system's reason.
template <typename Work>
auto NamingTarget(const fs::path& target, Work work) {
    try {
        return work();
    } catch (const OperationError& error) {
        const long code = LastSystemError();  // still the failed write's
        throw OperationError(
            text::Around(text::kTheFile, AbsolutePathText(target), text::kCannotWriteAfter) +
            error.what() + (code != 0 ? ": " + SystemErrorText(code) : ""));
    }
}

void StopIfCancelled(const CancelToken& cancel) {
    if (cancel.Requested()) {
        throw WorkCancelled{};
    }
}

}  // namespace

void ThrowReadBackError(const std::filesystem::path& path, long code) {
    throw OperationError(
        text::Around(text::kTheFile, AbsolutePathText(path), text::kCannotReadBackAfter) +
        SystemErrorText(code));
}

CopiedFile HashFile(const fs::path& path, const CancelToken& cancel, const CopyProgress& progress) {
    File file = OpenSource(path);
    Sha256 hash;
    CopiedFile hashed;
    ReadAll(file, [&](const unsigned char* data, std::size_t size) {
        hash.Update(data, size);
        hashed.size += std::int64_t(size);
        progress(hashed.size);
        return !cancel.Requested();
    });
    StopIfCancelled(cancel);
    hashed.sha256 = hash.HexDigest();
    return hashed;
}

CopiedFile DurableCopy(const fs::path& source, const fs::path& target, const CopyRules& rules,
                       const CancelToken& cancel, const CopyProgress& progress) {
    File input = OpenSource(source);
    ReplacingFile output(target);
    Sha256 written;
    CopiedFile copied;
    ReadAll(input, [&](const unsigned char* data, std::size_t size) {
        written.Update(data, size);
        NamingTarget(target, [&] { output.Output().WriteAll(data, size); });
        copied.size += std::int64_t(size);
        progress(copied.size);
        return !cancel.Requested();
    });
    StopIfCancelled(cancel);
    copied.sha256 = written.HexDigest();
    if (copied.sha256 != rules.sha256) {  // the source changed since it was checked
        throw OperationError(text::Around(text::kTheFile, AbsolutePathText(source),
                                          text::kPublishSourceChangedAfter));
    }
    NamingTarget(target, [&] { output.Finish(); });

    Sha256 readBack;
    std::int64_t read = 0;
    ReadFromDisk(output.TemporaryPath(), [&](const unsigned char* data, std::size_t size) {
        readBack.Update(data, size);
        read += std::int64_t(size);
        return !cancel.Requested();
    });
    StopIfCancelled(cancel);
    if (read != copied.size || readBack.HexDigest() != copied.sha256) {
        throw OperationError(
            text::Around(text::kTheFile, AbsolutePathText(target), text::kReadBackDiffersAfter));
    }
    if (rules.replace) {
        output.Commit();
    } else if (!output.CommitUnlessTaken()) {
        throw OperationError(
            text::Around(text::kTheFile, AbsolutePathText(target), text::kPublishNameTakenAfter));
    }
    return copied;
}

}  // namespace upd
