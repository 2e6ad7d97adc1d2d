#include "container/UpdContainer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <set>

#include "container/StoredName.h"
#include "util/File.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ReplacingFile.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 65536;
constexpr std::size_t kCopySize = 61440;
constexpr std::int32_t kMaxNameLength = 4096;
constexpr int kLevel = 9;
constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;

using Buffer = std::array<unsigned char, kBufferSize>;
using Sink = std::function<void(const unsigned char*, std::size_t)>;

[[noreturn]] void ThrowZlibError() {
    throw OperationError(std::string(text::kError));
}
[[noreturn]] void ThrowReadError() {
    throw OperationError(std::string(text::kStreamReadError));
}

void WriteInt32(File& file, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    file.WriteAll(bytes, sizeof bytes);
}

std::int32_t ReadInt32(File& file) {
    unsigned char bytes[4];
    file.ReadExact(bytes, sizeof bytes);
    return static_cast<std::int32_t>(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                     std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
}

struct DeflateStream {
    z_stream z{};
    DeflateStream() {
        if (deflateInit2(&z, kLevel, Z_DEFLATED, kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
            ThrowZlibError();
        }
    }
    ~DeflateStream() { deflateEnd(&z); }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;
};

struct InflateStream {
    z_stream z{};
    InflateStream() {
        if (inflateInit(&z) != Z_OK) {
            ThrowZlibError();
        }
    }
    ~InflateStream() { inflateEnd(&z); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

// Counts the work's bytes and tells progress; throws WorkCancelled when it says stop.
class ByteCounter {
  public:
    ByteCounter(const ByteProgress& progress, std::int64_t total) : progress_(progress) {
        count_.total = total;
    }
    void Read(std::int64_t bytes) { count_.done += bytes; }
    void ReadTo(std::int64_t offset) { count_.done = offset; }
    void Wrote(std::int64_t bytes) { count_.written += bytes; }
    void Tell() const {
        if (progress_ && !progress_(count_)) {
            throw WorkCancelled{};
        }
    }

  private:
    const ByteProgress& progress_;
    ByteCount count_;
};

File OpenSource(const std::string& path) {
    File file;
    if (const long error = file.OpenRead(ToPath(path)); error != 0) {
        throw OperationError(CannotOpenMessage(ToPath(path), error));
    }
    return file;
}

// Compresses exactly size bytes of source into one zlib stream appended to output.
void DeflateInto(File& source, std::int64_t size, File& output, ByteCounter& counter) {
    DeflateStream stream;
    auto input = std::make_unique_for_overwrite<Buffer>();
    auto compressed = std::make_unique_for_overwrite<Buffer>();
    std::int64_t remaining = size;
    int flush = Z_NO_FLUSH;
    do {
        counter.Tell();
        const auto want = std::size_t(std::min<std::int64_t>(remaining, kCopySize));
        const std::size_t got = want ? source.Read(input->data(), want) : 0;
        if (want > 0 && got == 0) {
            ThrowReadError();  // the source shrank while it was packed
        }
        remaining -= std::int64_t(got);
        counter.Read(std::int64_t(got));
        flush = remaining == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.z.next_in = input->data();
        stream.z.avail_in = uInt(got);
        do {
            stream.z.next_out = compressed->data();
            stream.z.avail_out = uInt(compressed->size());
            if (deflate(&stream.z, flush) == Z_STREAM_ERROR) {
                ThrowZlibError();
            }
            const std::size_t have = compressed->size() - stream.z.avail_out;
            output.WriteAll(compressed->data(), have);
            counter.Wrote(std::int64_t(have));
        } while (stream.z.avail_out == 0);
    } while (flush != Z_FINISH);
}

void PackEntry(const std::string& sourcePath, const std::string& storedName, File& output,
               ByteCounter& counter) {
    File source = OpenSource(sourcePath);
    const std::int64_t size = source.Size();
    if (size > std::numeric_limits<std::int32_t>::max()) {
        throw OperationError(std::string(text::kTheFile) + sourcePath +
                             std::string(text::kTooLargeToPack));
    }
    WriteInt32(output, std::int32_t(storedName.size()));
    output.WriteAll(storedName.data(), storedName.size());
    WriteInt32(output, std::int32_t(size));
    DeflateInto(source, size, output, counter);
}

// A name as a message can show it: control characters (a NUL would end the message) as \xNN.
std::string Visible(const std::string& name) {
    std::string shown;
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += char(c);
        }
    }
    return shown;
}

// Reads a container entry by entry, giving back the read-ahead of each zlib stream.
class ContainerReader {
  public:
    explicit ContainerReader(const std::string& path) : file_(OpenSource(path)) {}

    std::int64_t Size() const { return file_.Size(); }
    // The bytes of the package read so far, the stream being inflated included.
    std::int64_t Offset() const { return offset_; }

    std::int32_t ReadCount() {
        offset_ += 4;
        return ReadInt32(file_);
    }

    // Reads name length, name and size; refuses implausible fields before allocating.
    EntryInfo ReadHeader() {
        const std::int32_t nameLength = ReadInt32(file_);
        if (nameLength < 0 || nameLength > kMaxNameLength) {
            throw OperationError(std::string(text::kImpossibleNameLength) +
                                 std::to_string(nameLength) + ").");
        }
        std::string stored(std::size_t(nameLength), '\0');
        file_.ReadExact(stored.data(), stored.size());
        offset_ += 8 + nameLength;
        EntryInfo entry;
        entry.name = DecodeStoredName(stored);
        if (!IsSafeEntryName(entry.name)) {
            throw OperationError(std::string(text::kForbiddenStoredName) + Visible(entry.name) +
                                 "\".");
        }
        entry.size = ReadInt32(file_);
        if (entry.size < 0) {
            throw OperationError(std::string(text::kNegativeSize) + entry.name + "\".");
        }
        return entry;
    }

    // Inflates one zlib stream that must yield exactly entry.size bytes into sink; before
    // each piece, tells the progress (when there is one) whether to go on.
    void Inflate(EntryInfo& entry, const Sink& sink, const std::function<void()>& tell = {}) {
        InflateStream stream;
        std::int64_t produced = 0;
        int status = Z_OK;
        const std::int64_t start = offset_;
        while (status != Z_STREAM_END) {
            offset_ = start + std::int64_t(stream.z.total_in);
            if (tell) {
                tell();
            }
            if (stream.z.avail_in == 0) {
                stream.z.next_in = input_->data();
                stream.z.avail_in = uInt(file_.Read(input_->data(), input_->size()));
                if (stream.z.avail_in == 0) {
                    ThrowReadError();
                }
            }
            stream.z.next_out = output_->data();
            stream.z.avail_out = uInt(kCopySize);
            status = inflate(&stream.z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) {
                ThrowZlibError();  // corrupt data, preset dictionary, no memory
            }
            const std::size_t have = kCopySize - stream.z.avail_out;
            if (produced + std::int64_t(have) > entry.size) {
                ThrowZlibError();
            }
            sink(output_->data(), have);
            produced += std::int64_t(have);
        }
        const std::size_t readAhead = stream.z.avail_in;
        if (produced < entry.size) {
            if (readAhead > 0 || HasMoreBytes()) {
                ThrowZlibError();
            }
            ThrowReadError();
        }
        file_.SeekBack(readAhead);
        entry.compressedSize = std::int64_t(stream.z.total_in);
        offset_ = start + entry.compressedSize;
    }

    bool HasMoreBytes() {
        unsigned char probe;
        if (file_.Read(&probe, 1) == 0) {
            return false;
        }
        file_.SeekBack(1);
        return true;
    }

  private:
    File file_;
    std::int64_t offset_ = 0;
    std::unique_ptr<Buffer> input_ = std::make_unique_for_overwrite<Buffer>();
    std::unique_ptr<Buffer> output_ = std::make_unique_for_overwrite<Buffer>();
};

// Names already taken in one folder, compared as its file system compares them.
class NameSet {
  public:
    // False when the name (or one the file system takes for it) is there already.
    bool Insert(const std::string& name) { return keys_.insert(FileNameKey(name)).second; }

  private:
    std::set<std::string> keys_;
};

// Refuses two sources stored under one name, and a source that is the destination itself.
void CheckSources(const std::vector<std::string>& sources, const std::string& destination) {
    NameSet names;
    for (const auto& source : sources) {
        const std::string name = DecodeStoredName(StoredNameOf(source));
        if (!names.Insert(name)) {
            throw OperationError(
                text::Around(text::kDuplicateInputBefore, name, text::kDuplicateInputAfter));
        }
    }
    const auto output = IdentityOf(ToPath(destination));
    for (const auto& source : sources) {
        if (output && IdentityOf(ToPath(source)) == output) {
            throw OperationError(text::Around(text::kTheFile, AbsolutePathText(ToPath(destination)),
                                              text::kOutputIsInputAfter));
        }
    }
}

void TakeEntryName(NameSet& names, const std::string& name) {
    if (!names.Insert(name)) {
        throw OperationError(
            text::Around(text::kDuplicateEntryBefore, name, text::kDuplicateEntryAfter));
    }
}

// The checks of one package's entries before each is written.
class EntryChecks {
  public:
    explicit EntryChecks(const std::string& container) : package_(IdentityOf(ToPath(container))) {}

    void Check(const std::string& name, const std::filesystem::path& target) {
        TakeEntryName(names_, name);
        if (package_ && IdentityOf(target) == package_) {
            throw OperationError(text::Around(text::kTheFile, AbsolutePathText(target),
                                              text::kTargetIsPackageAfter));
        }
    }

  private:
    std::optional<FileIdentity> package_;
    NameSet names_;
};

// The sources' sizes together, as far as they can be known before they are opened.
std::int64_t TotalSize(const std::vector<std::string>& sources) {
    std::int64_t total = 0;
    for (const auto& source : sources) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(ToPath(source), error);
        total += error ? 0 : std::int64_t(size);
    }
    return total;
}

}  // namespace

void PackFiles(const std::vector<std::string>& sources, const std::string& destination,
               const ByteProgress& progress) {
    if (sources.empty()) {
        return;
    }
    CheckSources(sources, destination);
    std::vector<std::string> names;
    for (const auto& source : sources) {
        names.push_back(StoredNameOf(source));
    }
    ByteCounter counter(progress, TotalSize(sources));
    ReplacingFile container(ToPath(destination));
    WriteInt32(container.Output(), std::int32_t(sources.size()));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        PackEntry(sources[i], names[i], container.Output(), counter);
    }
    counter.Tell();  // the last chance to stop before the output is replaced
    container.Commit();
}

void UnpackFiles(const std::string& container, const std::string& targetDirectory,
                 const ByteProgress& progress) {
    const std::string prefix = targetDirectory.empty() ? std::string(1, kPathSeparator)
                                                       : WithTrailingSeparator(targetDirectory);
    EntryChecks checks(container);
    ContainerReader reader(container);
    const std::int32_t count = reader.ReadCount();
    ByteCounter counter(progress, reader.Size());
    const std::function<void()> tell = [&counter, &reader] {
        counter.ReadTo(reader.Offset());
        counter.Tell();
    };
    // Every entry goes to a temporary file first; the targets change only once the whole
    // package has been read, and a failure before that removes every temporary file.
    std::vector<std::unique_ptr<ReplacingFile>> outputs;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryInfo entry = reader.ReadHeader();
        const std::filesystem::path target = ToPath(prefix + entry.name);
        checks.Check(entry.name, target);
        ReplacingFile& output = *outputs.emplace_back(std::make_unique<ReplacingFile>(target));
        const auto write = [&output, &counter](const unsigned char* data, std::size_t size) {
            output.Output().WriteAll(data, size);
            counter.Wrote(std::int64_t(size));
        };
        reader.Inflate(entry, write, tell);
        output.Finish();
    }
    if (count > 0 && reader.HasMoreBytes()) {
        throw OperationError(std::string(text::kTrailingData));
    }
    tell();  // the last chance to stop before the targets are replaced
    for (auto& output : outputs) {
        output->Commit();
    }
}

namespace {

// Every entry checked and listed; the content of the one named wanted (if any) kept.
std::vector<EntryInfo> ReadPackage(const std::string& container, const std::string& wanted,
                                   std::optional<std::string>& content) {
    ContainerReader reader(container);
    const std::int32_t count = reader.ReadCount();
    std::vector<EntryInfo> entries;
    NameSet names;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryInfo entry = reader.ReadHeader();
        TakeEntryName(names, entry.name);
        const bool keep = !wanted.empty() && FileNameKey(entry.name) == FileNameKey(wanted);
        std::string kept;
        reader.Inflate(entry, [&](const unsigned char* data, std::size_t size) {
            if (keep) {
                kept.append(reinterpret_cast<const char*>(data), size);
            }
        });
        if (keep) {
            content = std::move(kept);
        }
        entries.push_back(std::move(entry));
    }
    if (reader.HasMoreBytes()) {
        throw OperationError(std::string(text::kTrailingData));
    }
    return entries;
}

}  // namespace

std::vector<EntryInfo> ListEntries(const std::string& container) {
    std::optional<std::string> none;
    return ReadPackage(container, std::string(), none);
}

std::optional<std::string> EntryContent(const std::string& container, const std::string& name) {
    std::optional<std::string> content;
    ReadPackage(container, name, content);
    return content;
}

}  // namespace upd
