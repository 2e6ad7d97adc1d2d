#include "ops/Publish.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include "container/UpdContainer.h"
#include "ops/UpdateArchive.h"
#include "util/DurableCopy.h"
#include "util/File.h"
#include "util/FileLock.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ReplacingFile.h"
#include "util/Text.h"
#include "util/Texts.h"
#include "util/XmlCheck.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexName = "updates.xml";

// A file to publish: where it comes from and where it goes.
struct Source {
    std::string given;
    fs::path path;
    fs::path target;
    PublishedFile file;
};

std::string Shown(const fs::path& path) {
    return AbsolutePathText(path);
}

[[noreturn]] void Refuse(std::string_view before, const std::string& value,
                         std::string_view after) {
    throw OperationError(text::Around(before, value, after));
}

// Only regular files, each a copy from outside the folder, and no empty archive.
Source SourceOf(const std::string& given, const std::string& name, const fs::path& folder) {
    Source source{given, ToPath(given), folder / ToPath(name), {}};
    source.file.name = name;
    File probe;
    if (const long error = probe.OpenRead(source.path); error != 0) {
        throw OperationError(CannotOpenMessage(source.path, error));
    }
    const auto identity = IdentityOf(source.path);
    if (identity && identity == IdentityOf(source.target)) {
        Refuse(text::kTheFile, Shown(source.path), text::kPublishSourceInFolderAfter);
    }
    source.file.size = probe.Size();
    if (source.file.size == 0 && name != kIndexPackageName) {
        Refuse(text::kPublishArchiveBefore, Shown(source.path), text::kPublishEmptyAfter);
    }
    return source;
}

void CheckFolder(const std::string& folder) {
    if (!DirectoryExists(folder)) {
        std::error_code ec;
        const bool there = fs::exists(ToPath(folder), ec);
        Refuse(text::kPublishFolderBefore, folder,
               there ? text::kPublishNotAFolderAfter : text::kPublishFolderMissingAfter);
    }
}

std::vector<Source> SourcesOf(const PublishJob& job) {
    const fs::path folder = ToPath(job.folder);
    std::vector<Source> sources;
    std::set<std::string> keys{FileNameKey(kIndexPackageName)};
    for (const std::string& archive : job.archives) {
        const std::string name = FromPath(ToPath(archive).filename());
        if (!keys.insert(FileNameKey(name)).second) {
            Refuse(text::kPublishArchiveBefore, name, text::kPublishNamedTwiceAfter);
        }
        sources.push_back(SourceOf(archive, name, folder));
    }
    sources.push_back(SourceOf(job.indexPackage, kIndexPackageName, folder));
    return sources;
}

std::string XmlFaultMessage(const std::string& package, const XmlFault& fault) {
    std::string message = text::Around(text::kPublishXmlBefore, package, text::kPublishXmlAfter);
    if (fault.line > 0) {
        message += std::string(text::kPublishXmlLine) + std::to_string(fault.line) +
                   std::string(text::kPublishXmlColumn) + std::to_string(fault.column) + ")";
    }
    return message + (fault.reason.empty() ? "" : ": " + fault.reason) + ".";
}

// The archive names in the package's updates.xml, which must be well-formed.
std::vector<std::string> IndexedNames(const Source& index) {
    std::optional<std::string> xml;
    try {
        xml = EntryContent(index.given, kIndexName);
    } catch (const OperationError& error) {
        throw OperationError(
            text::Around(text::kTheFile, Shown(index.path), text::kPublishNotIndexPackageAfter) +
            error.what());
    }
    if (!xml) {
        Refuse(text::kTheFile, Shown(index.path), text::kPublishNoUpdatesXmlAfter);
    }
    const XmlReading reading = ReadXmlTexts(*xml);
    if (reading.fault) {
        throw OperationError(XmlFaultMessage(Shown(index.path), *reading.fault));
    }
    return ArchiveNamesIn(reading.texts);
}

// The index names every archive published, and every archive it names will be there, not
// empty.
void CheckNames(const std::vector<Source>& sources, const std::vector<std::string>& indexed,
                const std::string& folder) {
    std::set<std::string> indexedKeys, publishedKeys{FileNameKey(kIndexPackageName)};
    for (const std::string& name : indexed) {
        indexedKeys.insert(FileNameKey(name));
    }
    for (const Source& source : sources) {
        publishedKeys.insert(FileNameKey(source.file.name));
        if (source.file.name != kIndexPackageName &&
            !indexedKeys.contains(FileNameKey(source.file.name))) {
            Refuse(text::kPublishArchiveBefore, source.file.name, text::kPublishNotIndexedAfter);
        }
    }
    for (const std::string& name : indexed) {
        const std::string there = WithTrailingSeparator(folder) + name;
        if (publishedKeys.contains(FileNameKey(name))) {
            continue;
        }
        if (!FileExists(there)) {
            throw OperationError(
                text::Around(text::kPublishMissingBefore, name, text::kPublishMissingMiddle) +
                folder + std::string(text::kPublishMissingAfter));
        }
        std::error_code ec;
        if (fs::file_size(ToPath(there), ec) == 0 && !ec) {
            Refuse(text::kPublishArchiveBefore, Shown(ToPath(there)), text::kPublishEmptyAfter);
        }
    }
}

// A phase's progress over a number of bytes known when it begins, each byte once: the
// checks' hashing (the bytes read), then the copies (the bytes written; the read-back is not
// counted, so a copy ends at the files' size).
class PhaseBytes {
  public:
    PhaseBytes(StepControl& control, WorkPhase phase, std::int64_t total)
        : report_(StepProgress(control)), total_(total) {
        control.BeginPhase(phase);
    }
    // The progress of one file's hashing or copying, then its end.
    CopyProgress Of() {
        return [this](std::int64_t bytes) {
            report_({finished_ + bytes, total_, finished_ + bytes});
        };
    }
    void Finished(std::int64_t bytes) { finished_ += bytes; }

  private:
    ByteProgress report_;
    std::int64_t total_;
    std::int64_t finished_ = 0;
};

std::string Hashed(const fs::path& path, StepControl& control, PhaseBytes& progress) {
    const CopiedFile hashed = HashFile(path, control.Token(), progress.Of());
    progress.Finished(hashed.size);
    return hashed.sha256;
}

// Hashes the source and whatever already stands at its name: the same bytes are skipped,
// other bytes refused for an archive unless replace.
void CompareWithFolder(Source& source, bool replace, StepControl& control, PhaseBytes& progress) {
    source.file.sha256 = Hashed(source.path, control, progress);
    const ReplacedTarget there = InspectTarget(LinkedFile(source.target));
    if (!there.exists) {
        return;
    }
    if (there.refusal == kIsAFolder || there.refusal == kNotARegularFile) {
        throw OperationError(CannotCreateMessage(source.target, there.refusal));
    }
    source.file.alreadyThere = Hashed(source.target, control, progress) == source.file.sha256;
    if (source.file.alreadyThere) {
        return;
    }
    if (there.refusal != 0) {
        throw OperationError(CannotCreateMessage(source.target, there.refusal));
    }
    if (!replace && source.file.name != kIndexPackageName) {
        Refuse(text::kPublishArchiveBefore, Shown(source.target), text::kPublishOtherBytesAfter);
    }
}

bool IsArchive(const Source& source) {
    return source.file.name != kIndexPackageName;
}

// 7-Zip opens each archive with the password and finds descriptor.xml at its root; the bytes
// it tested must still be those checked.
void TestArchives(const PublishJob& job, const std::vector<Source>& sources, StepControl& control) {
    for (const Source& source : sources) {
        if (!IsArchive(source)) {
            continue;
        }
        const ArchiveJob test{job.archiver, job.password, source.given,
                              FromPath(source.path.parent_path())};
        try {
            if (TestArchive(test, control) == StepResult::Cancelled) {
                throw WorkCancelled{};
            }
        } catch (const ArchiveCheckFailure& failure) {
            throw OperationError(text::Around(text::kPublishArchiveBefore, Shown(source.path),
                                              text::kPublishTestFailedAfter) +
                                 failure.why +
                                 (failure.errorLine.empty() ? "" : ": " + failure.errorLine) + ".");
        }
        PhaseBytes again(control, WorkPhase::Hashing, source.file.size);
        if (Hashed(source.path, control, again) != source.file.sha256) {
            Refuse(text::kTheFile, Shown(source.path), text::kPublishSourceChangedAfter);
        }
    }
}

// The checks' hashing: each source, and each file already at its name.
std::int64_t BytesToHash(const std::vector<Source>& sources) {
    std::int64_t total = 0;
    for (const Source& source : sources) {
        std::error_code missing;
        const auto there = fs::file_size(source.target, missing);
        total += source.file.size + (missing ? 0 : std::int64_t(there));
    }
    return total;
}

std::int64_t BytesToCopy(const std::vector<Source>& sources) {
    std::int64_t total = 0;
    for (const Source& source : sources) {
        total += source.file.alreadyThere ? 0 : source.file.size;
    }
    return total;
}

// What runs killed before they could remove their temporaries left in the folder.
void SweepLeftovers(const PublishJob& job) {
    const fs::path folder = ToPath(job.folder);
    for (const fs::path& leftover :
         job.dryRun ? DeadTemporaries(folder) : RemoveDeadTemporaries(folder)) {
        if (job.leftover) {
            job.leftover(AbsolutePathText(leftover));
        }
    }
}

// Checks and copies, with the folder's lock taken (for a dry run: with none).
void PublishLocked(const PublishJob& job, StepControl& control,
                   const std::function<void(const PublishedFile&)>& done) {
    std::vector<Source> sources = SourcesOf(job);
    CheckNames(sources, IndexedNames(sources.back()), job.folder);
    PhaseBytes hashing(control, WorkPhase::Hashing, BytesToHash(sources));
    for (Source& source : sources) {
        CompareWithFolder(source, job.replace, control, hashing);
    }
    if (!job.password.empty()) {
        TestArchives(job, sources, control);
    }
    SweepLeftovers(job);
    PhaseBytes copying(control, WorkPhase::Publishing, job.dryRun ? 0 : BytesToCopy(sources));
    for (const Source& source : sources) {  // the archives, then the index package
        if (!job.dryRun && !source.file.alreadyThere) {
            const CopyRules rules{source.file.sha256, job.replace || !IsArchive(source)};
            DurableCopy(source.path, source.target, rules, control.Token(), copying.Of());
            copying.Finished(source.file.size);
        }
        done(source.file);
    }
}

// A second publication waits this long for the first to end, then is refused.
constexpr auto kLockWait = std::chrono::seconds(5);

void TakeLock(FileLock& lock, const std::string& folder, const StepControl& control) {
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (!lock.TryTake()) {
        if (control.Cancelled()) {
            throw WorkCancelled{};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Refuse(text::kPublishFolderBusyBefore, folder, text::kPublishRunningAfter);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

std::vector<std::string> ArchiveNamesIn(const std::vector<std::string>& texts) {
    constexpr std::string_view kBlanks = " \t\r\n";
    constexpr std::string_view kExtension = ".upd";
    std::vector<std::string> names;
    for (const std::string& text : texts) {
        const std::size_t begin = text.find_first_not_of(kBlanks);
        if (begin == std::string::npos) {
            continue;
        }
        const std::string name = text.substr(begin, text.find_last_not_of(kBlanks) + 1 - begin);
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (name.size() <= kExtension.size() || !lower.ends_with(kExtension)) {
            continue;
        }
        if (name.find_first_of("/\\:") != std::string::npos) {
            Refuse(text::kPublishEntryPathBefore, name, text::kPublishEntryPathAfter);
        }
        names.push_back(name);
    }
    return names;
}

StepResult PublishStep(const PublishJob& job, StepControl& control,
                       const std::function<void(const PublishedFile&)>& done) {
    CheckFolder(job.folder);
    try {
        if (job.dryRun) {
            PublishLocked(job, control, done);
            return StepResult::Done;
        }
        FileLock lock(ToPath(job.folder) / ToPath(std::string(text::kPublishLockName)));
        TakeLock(lock, job.folder, control);
        PublishLocked(job, control, done);
    } catch (const WorkCancelled&) {
        return StepResult::Cancelled;
    }
    return StepResult::Done;
}

}  // namespace upd
