// A round trip: the input decodes into a list of names and contents, which are packed with
// PackFiles and unpacked with UnpackFiles; the outputs must equal the inputs byte for byte.
// A list with an unsafe name must be refused before the container is created.
//
// Input, read front to back (bytes past the end read as 0):
//   count % 6 entries, each: name length % 40, the name bytes, a mode byte, then by mode % 3
//     0  literal content: 16-bit length % 8192, the bytes
//     1  a repeated pattern: 17-bit length (16 bits, then 1), pattern length % 16 + 1, pattern
//     2  incompressible bytes: 17-bit length, a 32-bit seed
// Name bytes: '/' becomes '_', other ASCII stays as it is (control characters, '\', ':' and
// device names exercise the refusals), bytes from 0x80 up pick a Cyrillic letter.
#include <cstdint>
#include <map>
#include <set>

#include "FuzzSupport.h"
#include "container/StoredName.h"
#include "container/UpdContainer.h"
#include "util/OperationError.h"

namespace {

using namespace updfuzz;

struct Source {
    std::string name;  // UTF-8
    std::string content;
};

class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}

    std::uint8_t Byte() {
        if (left_ == 0) {
            return 0;
        }
        --left_;
        return *data_++;
    }
    std::uint32_t Uint16() { return Byte() | std::uint32_t(Byte()) << 8; }
    std::uint32_t Uint17() { return Uint16() | std::uint32_t(Byte() & 1) << 16; }
    std::uint32_t Uint32() { return Uint16() | Uint16() << 16; }
    std::string Bytes(std::size_t count) {
        count = std::min(count, left_);
        std::string bytes(reinterpret_cast<const char*>(data_), count);
        data_ += count;
        left_ -= count;
        return bytes;
    }

  private:
    const std::uint8_t* data_;
    std::size_t left_;
};

// А-Я, а-я (U+0410..U+044F), then Ё and ё, as UTF-8.
std::string CyrillicLetter(std::uint8_t byte) {
    const unsigned index = byte % 66u;
    const unsigned code = index < 64 ? 0x410 + index : (index == 64 ? 0x401 : 0x451);
    return {char(0xC0 | code >> 6), char(0x80 | (code & 0x3F))};
}

std::string DecodeName(InputReader& in) {
    std::string name;
    for (unsigned length = in.Byte() % 40u; length > 0; --length) {
        const std::uint8_t byte = in.Byte();
        name +=
            byte >= 0x80 ? CyrillicLetter(byte) : std::string(1, byte == '/' ? '_' : char(byte));
    }
    return name;
}

std::string Incompressible(std::size_t size, std::uint32_t seed) {
    std::uint32_t state = seed | 1;  // xorshift32 must not start at 0
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    return bytes;
}

std::string DecodeContent(InputReader& in) {
    switch (in.Byte() % 3) {
        case 0:
            return in.Bytes(in.Uint16() % 8192u);
        case 1: {
            const std::size_t size = in.Uint17();
            std::string pattern = in.Bytes(in.Byte() % 16u + 1);
            std::string content(size, '\0');
            for (std::size_t i = 0; !pattern.empty() && i < size; ++i) {
                content[i] = pattern[i % pattern.size()];
            }
            return content;
        }
        default: {
            const std::size_t size = in.Uint17();
            return Incompressible(size, in.Uint32());
        }
    }
}

std::vector<Source> Decode(const std::uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    std::vector<Source> sources(in.Byte() % 6u);
    for (Source& source : sources) {
        source.name = DecodeName(in);
        source.content = DecodeContent(in);
    }
    return sources;
}

// Writes each source into a folder of its own (names may repeat); returns their paths.
std::vector<std::string> WriteSources(const std::vector<Source>& sources, const fs::path& folder,
                                      bool write) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const fs::path own = folder / std::to_string(i);
        paths.push_back(upd::FromPath(own) + "/" + sources[i].name);
        if (write) {
            fs::create_directories(own);
            WriteFile(upd::ToPath(paths.back()), sources[i].content.data(),
                      sources[i].content.size());
        }
    }
    return paths;
}

void CheckUnpacked(const std::vector<Source>& sources, const fs::path& package,
                   const fs::path& target) {
    fs::create_directory(target);
    upd::UnpackFiles(upd::FromPath(package), upd::FromPath(target));  // must not throw

    std::map<std::string, const std::string*> expected;
    for (const Source& source : sources) {
        expected[source.name] = &source.content;
    }
    std::vector<std::string> names;
    for (const auto& [name, content] : expected) {
        names.push_back(name);
        Check(ReadFile(target / upd::ToPath(name)) == *content, "content differs: " + name);
    }
    Check(FolderEntries(target) == names, "the unpacked files differ from the packed ones");

    const auto listed = upd::ListEntries(upd::FromPath(package));
    Check(listed.size() == sources.size(), "ListEntries gives another entry count");
    for (std::size_t i = 0; i < listed.size(); ++i) {
        Check(listed[i].name == sources[i].name, "ListEntries gives another name");
        Check(listed[i].size == std::int64_t(sources[i].content.size()),
              "ListEntries gives another size");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Workspace workspace;
    const fs::path package = workspace.Root() / "out.upd";
    const std::vector<Source> sources = Decode(data, size);
    const bool allSafe = std::all_of(sources.begin(), sources.end(),
                                     [](const Source& s) { return upd::IsSafeEntryName(s.name); });
    std::set<std::string> names;
    for (const Source& source : sources) {
        names.insert(source.name);
    }
    // A package never holds one name twice: pack refuses such a list.
    const bool acceptable = allSafe && names.size() == sources.size();
    const auto paths = WriteSources(sources, workspace.Root() / "src", allSafe);

    bool packed = false;
    try {
        upd::PackFiles(paths, upd::FromPath(package));
        packed = true;
    } catch (const upd::OperationError& e) {
        Check(!acceptable, std::string("a list of safe, distinct names was refused: ") + e.what());
        Check(!fs::exists(package), "a refused list created the container");
    }
    if (packed) {
        Check(acceptable, "an unsafe or repeated name was packed");
        Check(fs::exists(package) == !sources.empty(), "an empty list must write nothing");
        if (!sources.empty()) {
            CheckUnpacked(sources, package, workspace.Root() / "target");
        }
    }
    for (const auto& entry : fs::directory_iterator(workspace.Root())) {
        fs::remove_all(entry.path());
    }
    return 0;
}
