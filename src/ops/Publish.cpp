#include "ops/Publish.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "container/UpdContainer.h"
#include "ops/UpdateArchive.h"
#include "util/DurableCopy.h"
#include "util/File.h"
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

// Only regular files, each a copy from outside the folder.
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
    return source;
}

std::vector<Source> SourcesOf(const PublishJob& job) {
    if (!DirectoryExists(job.folder)) {
        Refuse(text::kPublishFolderBefore, job.folder, text::kPublishFolderMissingAfter);
    }
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

// The index names every archive published, and every archive it names will be there.
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
        if (!publishedKeys.contains(FileNameKey(name)) &&
            !FileExists(WithTrailingSeparator(folder) + name)) {
            throw OperationError(
                text::Around(text::kPublishMissingBefore, name, text::kPublishMissingMiddle) +
                folder + std::string(text::kPublishMissingAfter));
        }
    }
}

// Reports the hashing's progress: the bytes read of the sources and of what stands at their
// names in the folder.
class HashProgress {
  public:
    HashProgress(const std::vector<Source>& sources, StepControl& control)
        : report_(StepProgress(control)) {
        std::error_code ec;
        for (const Source& source : sources) {
            for (const fs::path& path : {source.path, source.target}) {
                const auto size = fs::file_size(path, ec);
                total_ += ec ? 0 : std::int64_t(size);
            }
        }
    }
    CopiedFile operator()(const fs::path& path) {
        const auto hashed = HashFile(path, [this](std::int64_t bytes) {
            return report_({finished_ + bytes, total_, finished_ + bytes});
        });
        finished_ += hashed ? hashed->size : 0;
        return hashed ? *hashed : CopiedFile{};
    }

  private:
    ByteProgress report_;
    std::int64_t total_ = 0;
    std::int64_t finished_ = 0;
};

// Hashes the source and whatever already stands at its name: the same bytes are skipped,
// other bytes refused for an archive unless replace.
void CompareWithFolder(Source& source, bool replace, const StepControl& control,
                       HashProgress& hash) {
    const CopiedFile hashed = hash(source.path);
    source.file.size = hashed.size;
    source.file.sha256 = hashed.sha256;
    const ReplacedTarget there = InspectTarget(LinkedFile(source.target));
    if (!there.exists || control.Cancelled()) {
        return;
    }
    if (there.refusal == kIsAFolder || there.refusal == kNotARegularFile) {
        throw OperationError(CannotCreateMessage(source.target, there.refusal));
    }
    source.file.alreadyThere = hash(source.target).sha256 == hashed.sha256;
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

// 7-Zip opens each archive with the password and finds descriptor.xml at its root.
bool TestArchives(const PublishJob& job, const std::vector<Source>& sources, StepControl& control) {
    for (const Source& source : sources) {
        if (source.file.name == kIndexPackageName) {
            continue;
        }
        const ArchiveJob test{job.archiver, job.password, source.given,
                              FromPath(source.path.parent_path())};
        if (TestArchive(test, control) == StepResult::Cancelled) {
            return false;
        }
    }
    return true;
}

// Reports the copying's progress: the bytes written and read back of all files.
class CopyProgressReport {
  public:
    CopyProgressReport(const std::vector<Source>& sources, StepControl& control)
        : report_(StepProgress(control)) {
        for (const Source& source : sources) {
            total_ += source.file.alreadyThere ? 0 : 2 * source.file.size;
        }
    }
    bool operator()(std::int64_t bytes) {
        const std::int64_t done = finished_ + bytes;
        return report_({done, total_, done});
    }
    void FileDone(std::int64_t size) { finished_ += 2 * size; }

  private:
    ByteProgress report_;
    std::int64_t total_ = 0;
    std::int64_t finished_ = 0;
};

}  // namespace

std::vector<std::string> ArchiveNamesIn(const std::vector<std::string>& texts) {
    constexpr std::string_view kSeparators = " \t\r\n\"'<>=,;|";
    constexpr std::string_view kExtension = ".upd";
    std::vector<std::string> names;
    for (const std::string& text : texts) {
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t begin = text.find_first_not_of(kSeparators, at);
            if (begin == std::string::npos) {
                break;
            }
            const std::size_t end = std::min(text.find_first_of(kSeparators, begin), text.size());
            std::string word = text.substr(begin, end - begin);
            word = word.substr(word.find_last_of("/\\") + 1);  // npos + 1 is 0
            std::string lower = word;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            if (word.size() > kExtension.size() && lower.ends_with(kExtension)) {
                names.push_back(word);
            }
            at = end;
        }
    }
    return names;
}

StepResult PublishStep(const PublishJob& job, StepControl& control,
                       const std::function<void(const PublishedFile&)>& done) {
    std::vector<Source> sources = SourcesOf(job);
    CheckNames(sources, IndexedNames(sources.back()), job.folder);
    control.BeginPhase(WorkPhase::Hashing);
    HashProgress hash(sources, control);
    for (Source& source : sources) {
        CompareWithFolder(source, job.replace, control, hash);
    }
    if (control.Cancelled() || (!job.password.empty() && !TestArchives(job, sources, control))) {
        return StepResult::Cancelled;
    }
    // What runs killed before they could remove their temporaries left in the folder.
    const fs::path folder = ToPath(job.folder);
    for (const fs::path& leftover :
         job.dryRun ? DeadTemporaries(folder) : RemoveDeadTemporaries(folder)) {
        if (job.leftover) {
            job.leftover(AbsolutePathText(leftover));
        }
    }
    control.BeginPhase(WorkPhase::Publishing);
    CopyProgressReport report(sources, control);
    for (const Source& source : sources) {  // the archives, then the index package
        if (!job.dryRun && !source.file.alreadyThere) {
            const auto copied = DurableCopy(source.path, source.target, std::ref(report));
            if (!copied) {
                return StepResult::Cancelled;
            }
            if (copied->sha256 != source.file.sha256) {  // changed since it was checked
                Refuse(text::kTheFile, Shown(source.path), text::kPublishSourceChangedAfter);
            }
            report.FileDone(source.file.size);
        }
        done(source.file);
    }
    return StepResult::Done;
}

}  // namespace upd
