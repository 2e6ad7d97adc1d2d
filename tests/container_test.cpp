#include <gtest/gtest.h>
#include <zlib.h>

#ifndef _WIN32
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <functional>
#include <thread>

#include "container/StoredName.h"
#include "container/UpdContainer.h"
#ifndef _WIN32
#include "support/ChildProcess.h"  // a full disk is simulated with POSIX file size limits
#include "support/NonRegularFiles.h"
#endif
#include "support/Failure.h"
#include "support/TestFiles.h"
#include "util/OperationError.h"

namespace {

namespace fs = std::filesystem;
using updtest::FailureOf;
using updtest::FolderEntries;
using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;
using Names = std::vector<std::string>;

std::string Int32(std::int32_t value) {
    const auto bits = std::uint32_t(value);
    return {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
}

std::string ZlibStream(const std::string& content, int level = 6,
                       const std::string& dictionary = {}) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, level), Z_OK);
    if (!dictionary.empty()) {
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                             uInt(dictionary.size()));
    }
    std::string out(deflateBound(&z, uLong(content.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    z.avail_in = uInt(content.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// One entry as a foreign writer would lay it out; the stored size may lie.
std::string Entry(const std::string& storedName, std::int32_t size, const std::string& stream) {
    return Int32(std::int32_t(storedName.size())) + storedName + Int32(size) + stream;
}

std::string Entry(const std::string& name, const std::string& content) {
    return Entry(name, std::int32_t(content.size()), ZlibStream(content));
}

class Container : public ::testing::Test {
  protected:
    TempDir dir;
    std::string packed = dir / "updates.upd";

    fs::path Out() {
        fs::create_directories(dir.Path() / "out");
        return dir.Path() / "out";
    }
    std::string OutText() { return upd::FromPath(Out()); }
};

TEST_F(Container, RoundTripsAtBufferBoundariesAndLargeSizes) {
    const std::pair<std::size_t, bool> cases[] = {
        {0, false},    {1, false},     {61439, true}, {61440, true},      {61441, true},
        {65535, true}, {65536, false}, {65537, true}, {3'000'000, false}, {3'000'000, true},
    };
    for (const auto& [size, random] : cases) {
        SCOPED_TRACE(std::to_string(size) + (random ? " random" : " text"));
        const std::string content =
            random ? updtest::RandomBytes(size, unsigned(size)) : updtest::XmlLikeText(size, 7);
        WriteBytes(dir / "updates.xml", content);
        upd::PackFiles({dir / "updates.xml"}, packed);

        const std::string bytes = ReadBytes(packed);
        ASSERT_GE(bytes.size(), 25u);
        EXPECT_EQ(bytes.substr(0, 19), Int32(1) + Int32(11) + "updates.xml");
        EXPECT_EQ(bytes.substr(19, 4), Int32(std::int32_t(size)));
        EXPECT_EQ(bytes.substr(23, 2), "\x78\xDA");

        upd::UnpackFiles(packed, OutText());
        EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "updates.xml")) == content, true);
        EXPECT_EQ(FolderEntries(Out()), Names{"updates.xml"});
    }
}

TEST_F(Container, EmptyFileGivesTheMinimalContainer) {
    WriteBytes(dir / "updates.xml", "");
    upd::PackFiles({dir / "updates.xml"}, packed);
    const std::string expected = Int32(1) + Int32(11) + "updates.xml" + Int32(0) +
                                 std::string("\x78\xDA\x03\x00\x00\x00\x00\x01", 8);
    EXPECT_EQ(ReadBytes(packed), expected);
    upd::UnpackFiles(packed, OutText());
    EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "updates.xml")), "");
}

TEST_F(Container, PackingIsRepeatableAndStoresOnlyTheLastComponent) {
    fs::create_directories(dir.Path() / "sub" / "deeper");
    const std::string source = dir / "sub/deeper/my.xml";
    WriteBytes(source, updtest::XmlLikeText(5000, 3));
    upd::PackFiles({source}, packed);
    const std::string first = ReadBytes(packed);
    upd::PackFiles({source}, packed);
    EXPECT_EQ(ReadBytes(packed), first);
    EXPECT_EQ(first.substr(4, 10), Int32(6) + "my.xml");
}

TEST_F(Container, CyrillicNameIsStoredAsWindows1251Bytes) {
    const std::string name = "Обновления.xml";  // 10 Cyrillic letters + ".xml"
    WriteBytes(dir / name, "<x/>");
    upd::PackFiles({dir / name}, packed);
    const std::string cp1251 = "\xCE\xE1\xED\xEE\xE2\xEB\xE5\xED\xE8\xFF.xml";
    EXPECT_EQ(ReadBytes(packed).substr(4, 4 + cp1251.size()), Int32(14) + cp1251);
    upd::UnpackFiles(packed, OutText());
    EXPECT_EQ(FolderEntries(Out()), Names{name});
    EXPECT_EQ(upd::ListEntries(packed).at(0).name, name);
}

TEST_F(Container, NamesOutsideTheCodePageAreRefusedBeforeAnythingIsWritten) {
    WriteBytes(dir / "日本.xml", "x");
    EXPECT_NE(FailureOf([&] { upd::PackFiles({dir / "日本.xml"}, packed); }), "(no error)");
    EXPECT_FALSE(fs::exists(packed));
}

TEST_F(Container, SeveralForeignEntriesUnpackInOrderAndListWithTheirSizes) {
    const std::string big = updtest::RandomBytes(200'000, 5);
    const std::string text = updtest::XmlLikeText(70'000, 9);
    const std::string container = Int32(4) + Entry("a.xml", text) + Entry("empty.txt", "") +
                                  Entry("b.bin", big) + Entry("\xEC.txt", "last");
    WriteBytes(packed, container);

    upd::UnpackFiles(packed, OutText() + "/");
    EXPECT_EQ(FolderEntries(Out()), (Names{"a.xml", "b.bin", "empty.txt", "м.txt"}));
    EXPECT_TRUE(ReadBytes(upd::FromPath(Out() / "a.xml")) == text);
    EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "empty.txt")), "");
    EXPECT_TRUE(ReadBytes(upd::FromPath(Out() / "b.bin")) == big);
    EXPECT_EQ(ReadBytes(upd::FromPath(Out() / upd::ToPath("м.txt"))), "last");

    const auto entries = upd::ListEntries(packed);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "a.xml");
    EXPECT_EQ(entries[0].size, 70'000);
    EXPECT_EQ(entries[0].compressedSize, std::int64_t(ZlibStream(text).size()));
    EXPECT_EQ(entries[1].compressedSize, std::int64_t(ZlibStream("").size()));
    EXPECT_EQ(entries[2].size, 200'000);
    EXPECT_EQ(entries[3].name, "м.txt");
}

TEST_F(Container, PackFilesWritesEveryItemInOrderAndNothingForAnEmptyList) {
    WriteBytes(dir / "one.xml", "1");
    WriteBytes(dir / "two.xml", updtest::XmlLikeText(100'000, 1));
    WriteBytes(dir / "three.xml", "3");
    upd::PackFiles({dir / "one.xml", dir / "two.xml", dir / "three.xml"}, packed);
    const auto entries = upd::ListEntries(packed);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "one.xml");
    EXPECT_EQ(entries[1].size, 100'000);
    EXPECT_EQ(entries[2].name, "three.xml");

    upd::PackFiles({}, dir / "never.upd");
    EXPECT_FALSE(fs::exists(dir / "never.upd"));
}

TEST_F(Container, ZeroOrNegativeCountUnpacksNothing) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        WriteBytes(packed, Int32(count) + Entry("x.xml", "data"));
        upd::UnpackFiles(packed, OutText());
        EXPECT_TRUE(FolderEntries(Out()).empty()) << count;
    }
}

TEST_F(Container, UnsafeStoredNamesAreRefusedAndNothingIsWritten) {
    const std::string names[] = {"",    ".",      "..",      "../evil.xml", "a/b",     "a\\b",
                                 "c:x", "tab\tx", "del\x7f", "CON",         "con.xml", "Aux.txt",
                                 "nul", "PRN.x",  "COM1",    "lpt9.upd"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        WriteBytes(packed, Int32(1) + Entry(name, "payload"));
        EXPECT_NE(FailureOf([&] { upd::UnpackFiles(packed, OutText()); }), "(no error)");
        EXPECT_TRUE(FolderEntries(Out()).empty());
        EXPECT_TRUE(FolderEntries(dir.Path()) == Names({"out", "updates.upd"}));
    }
    for (const std::string name : {"CONSOLE.xml", "COM0", "lpt10", "con_x"}) {
        WriteBytes(packed, Int32(1) + Entry(name, "ok"));
        upd::UnpackFiles(packed, OutText());
        EXPECT_EQ(ReadBytes(upd::FromPath(Out() / name)), "ok") << name;
    }
}

TEST_F(Container, ImplausibleFieldsAreRefused) {
    const std::string stream = ZlibStream("abc");
    const std::string containers[] = {
        Int32(1) + Int32(-1) + "x" + Int32(3) + stream,
        Int32(1) + Int32(4097) + std::string(4097, 'a') + Int32(3) + stream,
        Int32(1) + Int32(INT32_MAX),
        Int32(1) + Int32(5) + "x.xml" + Int32(-3) + stream,
    };
    for (const auto& bytes : containers) {
        WriteBytes(packed, bytes);
        const std::string message = FailureOf([&] { upd::UnpackFiles(packed, OutText()); });
        EXPECT_TRUE(message.starts_with("Пакетът е повреден")) << message;
        EXPECT_TRUE(FolderEntries(Out()).empty());
    }
}

TEST_F(Container, CorruptStreamsFailWithTheirMessages) {
    const std::string content = updtest::XmlLikeText(10'000, 4);
    const std::string good = ZlibStream(content);
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x55;
    std::string badChecksum = good;
    badChecksum.back() ^= 1;
    const std::int32_t size = std::int32_t(content.size());
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"flipped data", Int32(1) + Entry("a.xml", size, flipped), "Error"},
        {"bad Adler-32", Int32(1) + Entry("a.xml", size, badChecksum), "Error"},
        {"more than stored", Int32(1) + Entry("a.xml", size - 1, good), "Error"},
        {"short, more follows", Int32(2) + Entry("a.xml", size + 1, good) + Entry("b", "b"),
         "Error"},
        {"short, nothing follows", Int32(1) + Entry("a.xml", size + 1, good), "Stream read error"},
        {"preset dictionary", Int32(1) + Entry("a.xml", size, ZlibStream(content, 6, "dict")),
         "Error"},
        {"cut in the data", Int32(1) + Entry("a.xml", size, good.substr(0, good.size() / 2)),
         "Stream read error"},
        {"count cut short", std::string("\x01\x00", 2), "Stream read error"},
        {"second entry missing", Int32(2) + Entry("a.xml", size, good), "Stream read error"},
        {"not zlib at all", Int32(1) + Entry("a.xml", size, "plain text, not zlib"), "Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(packed, c.bytes);
        EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(packed, OutText()); }), c.message);
        EXPECT_EQ(FailureOf([&] { upd::ListEntries(packed); }), c.message);
        EXPECT_TRUE(FolderEntries(Out()).empty());
        fs::remove_all(Out());
    }
}

// Every cut of a valid container fails cleanly and writes nothing at all.
TEST_F(Container, EveryTruncationFailsCleanly) {
    const std::string contents[] = {"first entry", "", updtest::XmlLikeText(3000, 2)};
    const std::string whole = Int32(3) + Entry("one.xml", contents[0]) +
                              Entry("two.xml", contents[1]) + Entry("three.xml", contents[2]);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        WriteBytes(packed, whole.substr(0, cut));
        const std::string message = FailureOf([&] { upd::UnpackFiles(packed, OutText()); });
        EXPECT_TRUE(message == "Stream read error" || message == "Error") << message;
        EXPECT_TRUE(FolderEntries(Out()).empty());
        EXPECT_EQ(FolderEntries(dir.Path()), (Names{"out", "updates.upd"}));
        fs::remove_all(Out());
    }
}

TEST_F(Container, FailedPackKeepsThePreviousContainer) {
    WriteBytes(dir / "a.xml", "a");
    WriteBytes(packed, "previous good package");
    EXPECT_EQ(FailureOf([&] {
                  upd::PackFiles({dir / "a.xml", dir / "missing.xml"}, packed);
              }),
              upd::CannotOpenMessage(upd::ToPath(dir / "missing.xml"), updtest::kMissingFile));
    EXPECT_EQ(ReadBytes(packed), "previous good package");
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"a.xml", "updates.upd"}));
}

TEST_F(Container, FailedUnpackKeepsTheUsersFile) {
    const std::string content = updtest::XmlLikeText(200'000, 8);
    std::string stream = ZlibStream(content);
    stream[stream.size() - 100] ^= 0x21;
    WriteBytes(packed, Int32(1) + Entry("updates.xml", std::int32_t(content.size()), stream));
    WriteBytes(upd::FromPath(Out() / "updates.xml"), "user's index");
    EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(packed, OutText()); }), "Error");
    EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "updates.xml")), "user's index");
    EXPECT_EQ(FolderEntries(Out()), Names{"updates.xml"});
}

// Packages that must not cost the user a file: each fails, every file that was in the target
// folder stays byte for byte as it was, and no temporary file is left there.
TEST_F(Container, HostilePackagesChangeNothing) {
    const std::string index = updtest::XmlLikeText(50'000, 13);
    const std::string stream = ZlibStream(index);
    const std::string valid = Entry("updates.xml", index);
    const std::int32_t size = std::int32_t(index.size());
    const std::string inPlace = upd::FromPath(Out() / "updates.upd");
    const struct {
        const char* what;
        std::string bytes;
        std::string message;
        std::string package;  // where the package lies
    } cases[] = {
        {"second entry cut off", Int32(2) + valid + Entry("b.xml", size, stream.substr(0, 99)),
         "Stream read error", packed},
        {"second name unsafe", Int32(2) + valid + Entry("../b.xml", "b"),
         "Пакетът съдържа недопустимо име на файл: \"../b.xml\".", packed},
        {"a NUL in a name", Int32(2) + valid + Entry(std::string("b\0.xml", 6), "b"),
         "Пакетът съдържа недопустимо име на файл: \"b\\x00.xml\".", packed},
        {"one name twice", Int32(2) + valid + Entry("updates.xml", "other"),
         "Пакетът съдържа повече от един файл с името \"updates.xml\". Нищо не е записано.",
         packed},
#ifdef _WIN32
        {"one name twice, in other case", Int32(2) + valid + Entry("UPDATES.XML", "other"),
         "Пакетът съдържа повече от един файл с името \"UPDATES.XML\". Нищо не е записано.",
         packed},
#endif
        {"bytes after the last entry", Int32(2) + valid + Entry("b.xml", "b") + "junk",
         "Пакетът е повреден: след последния запис има излишни данни.", packed},
        {"an entry over the package itself", Int32(2) + valid + Entry("updates.upd", "x"),
         "Файлът \"" + inPlace +
             "\" е самият пакет и не може да бъде заменен със съдържанието му. Нищо не е записано.",
         inPlace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Out());
        WriteBytes(upd::FromPath(Out() / "updates.xml"), "user's index");
        WriteBytes(upd::FromPath(Out() / "b.xml"), "user's b");
        WriteBytes(c.package, c.bytes);
        const Names before = FolderEntries(Out());

        EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(c.package, OutText()); }), c.message);
        EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "updates.xml")), "user's index");
        EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "b.xml")), "user's b");
        EXPECT_TRUE(ReadBytes(c.package) == c.bytes);
        EXPECT_EQ(FolderEntries(Out()), before);
    }
}

// Inputs pack refuses before it writes anything, keeping the previous package.
TEST_F(Container, PackRefusesTwoFilesOfOneNameAndAnOutputThatIsAnInput) {
    fs::create_directories(dir.Path() / "sub");
    WriteBytes(dir / "updates.xml", "index");
    WriteBytes(dir / "sub/updates.xml", "other index");
    WriteBytes(packed, "previous package");
    fs::create_hard_link(upd::ToPath(packed), dir.Path() / "sub" / "hard.xml");
    const std::string twice =
        "Два от файловете носят едно и също име \"updates.xml\" в пакета. Пакетът не е записан.";
    const std::string isInput =
        "Файлът \"" + packed + "\" е и входен файл, и пакетът за запис. Пакетът не е записан.";
    const struct {
        const char* what;
        Names sources;
        std::string message;
    } cases[] = {
        {"one file twice", {dir / "updates.xml", dir / "updates.xml"}, twice},
        {"two folders, one name", {dir / "updates.xml", dir / "sub/updates.xml"}, twice},
        {"the output packed", {dir / "updates.xml", packed}, isInput},
        {"spelt otherwise", {dir / "sub/../updates.upd"}, isInput},
        {"a hard link to the output", {dir / "sub/hard.xml"}, isInput},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FailureOf([&] { upd::PackFiles(c.sources, packed); }), c.message);
        EXPECT_EQ(ReadBytes(packed), "previous package");
        EXPECT_EQ(FolderEntries(dir.Path()), (Names{"sub", "updates.upd", "updates.xml"}));
    }
}

TEST_F(Container, MissingInputsGiveTheOpenAndCreateMessages) {
    EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(dir / "none.upd", OutText()); }),
              upd::CannotOpenMessage(upd::ToPath(dir / "none.upd"), updtest::kMissingFile));
    WriteBytes(dir / "a.xml", "a");
    EXPECT_EQ(
        FailureOf([&] { upd::PackFiles({dir / "a.xml"}, dir / "no/such/dir/x.upd"); }),
        upd::CannotCreateMessage(upd::ToPath(dir / "no/such/dir/x.upd"), updtest::kMissingFolder));
    upd::PackFiles({dir / "a.xml"}, packed);
    EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(packed, dir / "no-dir"); }),
              upd::CannotCreateMessage(upd::ToPath(dir / "no-dir/a.xml"), updtest::kMissingFolder));
}

TEST_F(Container, SourceOfTwoGibibytesIsRefusedBeforeWriting) {
    const std::string source = dir / "huge.xml";
    WriteBytes(source, "");
    fs::resize_file(upd::ToPath(source), std::uintmax_t(1) << 31);  // sparse
    const std::string message = FailureOf([&] { upd::PackFiles({source}, packed); });
    EXPECT_NE(message.find("2 GiB"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(packed));
}

#ifndef _WIN32
// Reading a FIFO would wait for a writer and a device would never end: anything but a
// regular file (or a link to one) is refused before the package is touched.
TEST_F(Container, SourcesThatAreNoRegularFilesAreRefusedAtOnce) {
    updtest::MakeFifo(dir / "fifo");
    const updtest::BoundSocket socket(dir / "socket");
    WriteBytes(dir / "real.xml", "real");
    fs::create_symlink("real.xml", dir.Path() / "link.xml");
    const struct {
        std::string path;
        long reason;
    } cases[] = {
        {dir / "fifo", upd::kNotARegularFile},
        {dir / "socket", upd::kNotARegularFile},
        {"/dev/zero", upd::kNotARegularFile},
        {dir / "link.xml", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        WriteBytes(packed, "previous");
        const std::string message = FailureOf([&] { upd::PackFiles({c.path}, packed); });
        if (c.reason == 0) {
            EXPECT_EQ(message, "(no error)");
            fs::create_symlink("updates.upd", dir.Path() / "link.upd");
            const auto entries = upd::ListEntries(dir / "link.upd");  // read through a link
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].name, "link.xml");
            EXPECT_EQ(entries[0].size, 4);
            continue;
        }
        const std::string expected = upd::CannotOpenMessage(upd::ToPath(c.path), c.reason);
        EXPECT_EQ(message, expected);
        EXPECT_EQ(FailureOf([&] { upd::UnpackFiles(c.path, OutText()); }), expected);
        EXPECT_EQ(FailureOf([&] { upd::ListEntries(c.path); }), expected);
        EXPECT_EQ(ReadBytes(packed), "previous");
        EXPECT_TRUE(FolderEntries(Out()).empty());
    }
}

TEST_F(Container, ReplacedOutputsKeepTheirPermissionBitsAndNewOnesFollowTheUmask) {
    const std::string source = dir / "updates.xml";
    const std::string restored = upd::FromPath(Out() / "updates.xml");
    WriteBytes(source, "index");
    for (const unsigned mode : {0600u, 0640u, 0755u, 0604u}) {
        SCOPED_TRACE(mode);
        for (const std::string& output : {packed, restored}) {
            WriteBytes(output, "old");
            fs::permissions(upd::ToPath(output), fs::perms(mode));
        }
        upd::PackFiles({source}, packed);
        upd::UnpackFiles(packed, OutText());
        EXPECT_EQ(updtest::ModeOf(packed), mode);
        EXPECT_EQ(updtest::ModeOf(restored), mode);
        EXPECT_EQ(ReadBytes(restored), "index");
    }
    const mode_t previous = ::umask(027);
    fs::remove(upd::ToPath(packed));
    upd::PackFiles({source}, packed);
    ::umask(previous);
    EXPECT_EQ(updtest::ModeOf(packed), 0640u);
}

// As for a plain create: a file its owner has made read-only is not replaced.
TEST_F(Container, WriteProtectedOutputIsRefusedAndKept) {
    const fs::path out = Out();
    const std::string source = dir / "updates.xml";
    WriteBytes(source, "new index");
    upd::PackFiles({source}, packed);
    const std::string outPackage = upd::FromPath(out / "updates.upd");
    const std::string outIndex = upd::FromPath(out / "updates.xml");
    fs::permissions(dir.Path(), fs::perms(0755));
    for (const std::string& path : {outPackage, outIndex}) {
        WriteBytes(path, "kept");
        fs::permissions(upd::ToPath(path), fs::perms(0444));
        updtest::HandToUnprivilegedUser(upd::ToPath(path));
    }
    updtest::HandToUnprivilegedUser(out);  // the folder would allow the temporary file
    const struct {
        const char* what;
        std::function<void()> call;
        std::string refused;
    } cases[] = {
        {"pack", [&] { upd::PackFiles({source}, outPackage); }, outPackage},
        {"unpack", [&] { upd::UnpackFiles(packed, upd::FromPath(out)); }, outIndex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(updtest::RunUnprivileged(c.call),
                  upd::CannotCreateMessage(upd::ToPath(c.refused), EACCES));
        EXPECT_EQ(ReadBytes(c.refused), "kept");
        EXPECT_EQ(updtest::ModeOf(c.refused), 0444u);
        EXPECT_EQ(FolderEntries(out), (Names{"updates.upd", "updates.xml"}));
    }
}

// A link as the output stays a link; the file it points to gets the new content and keeps its
// permissions. A loop of links is refused.
TEST_F(Container, OutputsThatAreLinksReplaceTheFileTheyPointTo) {
    const fs::path out = Out();
    WriteBytes(dir / "updates.xml", "index");
    upd::PackFiles({dir / "updates.xml"}, dir / "new.upd");
    const std::string real = dir / "real";
    fs::create_symlink("next.upd", out / "updates.upd");  // a chain of two links
    fs::create_symlink(upd::ToPath(real), out / "next.upd");
    fs::create_symlink(upd::ToPath(real), out / "updates.xml");
    for (const char* name : {"updates.upd", "updates.xml"}) {
        SCOPED_TRACE(name);
        WriteBytes(real, "old");
        fs::permissions(upd::ToPath(real), fs::perms(0640));
        name == std::string("updates.upd")
            ? upd::PackFiles({dir / "updates.xml"}, OutText() + "/" + name)
            : upd::UnpackFiles(dir / "new.upd", OutText());
        EXPECT_TRUE(fs::is_symlink(out / name));
        EXPECT_EQ(ReadBytes(real),
                  name == std::string("updates.upd") ? ReadBytes(dir / "new.upd") : "index");
        EXPECT_EQ(updtest::ModeOf(real), 0640u);
        EXPECT_EQ(FolderEntries(out), (Names{"next.upd", "updates.upd", "updates.xml"}));
    }
    fs::create_symlink("loop.upd", out / "loop.upd");
    EXPECT_EQ(FailureOf([&] { upd::PackFiles({dir / "updates.xml"}, OutText() + "/loop.upd"); }),
              upd::CannotCreateMessage(out / "loop.upd", ELOOP));
}

TEST_F(Container, OutputThatIsNoRegularFileIsRefusedBeforeWriting) {
    WriteBytes(dir / "a.xml", "a");
    updtest::MakeFifo(dir / "fifo.upd");
    const updtest::BoundSocket socket(dir / "socket.upd");
    for (const std::string& target : {dir / "fifo.upd", dir / "socket.upd"}) {
        EXPECT_EQ(FailureOf([&] { upd::PackFiles({dir / "a.xml"}, target); }),
                  upd::CannotCreateMessage(upd::ToPath(target), upd::kNotARegularFile));
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"a.xml", "fifo.upd", "socket.upd"}));
}
#endif

#ifndef _WIN32
TEST_F(Container, FullDiskWhilePackingKeepsThePreviousContainer) {
    WriteBytes(dir / "updates.xml", updtest::RandomBytes(100'000, 11));
    WriteBytes(packed, "previous good package");
    for (const long limit : {2L, 10L, 22L, 30L, 5000L, 70'000L}) {
        SCOPED_TRACE(limit);
        const std::string message = updtest::RunWithFileSizeLimit(
            limit, [&] { upd::PackFiles({dir / "updates.xml"}, packed); });
        EXPECT_EQ(message, "Stream write error");
        EXPECT_EQ(ReadBytes(packed), "previous good package");
        EXPECT_EQ(FolderEntries(dir.Path()), (Names{"updates.upd", "updates.xml"}));
    }
}

TEST_F(Container, FullDiskWhileUnpackingKeepsThePreviousFile) {
    WriteBytes(dir / "updates.xml", updtest::RandomBytes(150'000, 12));
    upd::PackFiles({dir / "updates.xml"}, packed);
    WriteBytes(upd::FromPath(Out() / "updates.xml"), "user's index");
    for (const long limit : {1L, 61440L, 100'000L}) {
        SCOPED_TRACE(limit);
        const std::string message =
            updtest::RunWithFileSizeLimit(limit, [&] { upd::UnpackFiles(packed, OutText()); });
        EXPECT_EQ(message, "Stream write error");
        EXPECT_EQ(ReadBytes(upd::FromPath(Out() / "updates.xml")), "user's index");
        EXPECT_EQ(FolderEntries(Out()), Names{"updates.xml"});
    }
}

TEST_F(Container, UnwritableFolderRefusesTheOutputAndKeepsWhatIsThere) {
    const fs::path out = Out();
    const std::string source = dir / "updates.xml";
    WriteBytes(source, "new index");
    upd::PackFiles({source}, packed);
    WriteBytes(upd::FromPath(out / "updates.upd"), "previous package");
    WriteBytes(upd::FromPath(out / "updates.xml"), "user's index");
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(upd::ToPath(source), fs::perms(0644));
    fs::permissions(upd::ToPath(packed), fs::perms(0644));
    for (const char* name : {"updates.upd", "updates.xml"}) {
        updtest::HandToUnprivilegedUser(out / name);  // writable: only the folder refuses
    }
    fs::permissions(out, fs::perms(0555));
    const std::string outText = upd::FromPath(out);
    const std::string outPackage = upd::FromPath(out / "updates.upd");
    const struct {
        const char* what;
        std::function<void()> call;
        const char* refused;
    } cases[] = {
        {"pack", [&] { upd::PackFiles({source}, outPackage); }, "updates.upd"},
        {"unpack", [&] { upd::UnpackFiles(packed, outText); }, "updates.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(updtest::RunUnprivileged(c.call),
                  upd::FolderRefusesMessage(out / c.refused, EACCES));
        EXPECT_EQ(ReadBytes(outPackage), "previous package");
        EXPECT_EQ(ReadBytes(upd::FromPath(out / "updates.xml")), "user's index");
        EXPECT_EQ(FolderEntries(out), (Names{"updates.upd", "updates.xml"}));
    }
    fs::permissions(out, fs::perms(0755));  // lets an unprivileged user clean up
}

// Runs change on another thread as soon as anything is created in folder.
class OnFirstCreation {
  public:
    OnFirstCreation(const fs::path& folder, std::function<void()> change)
        : fd_(inotify_init1(IN_CLOEXEC)) {
        if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_CREATE) < 0) {
            ADD_FAILURE() << "inotify is not available";
            return;
        }
        thread_ = std::thread([this, change = std::move(change)] {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 10'000) == 1) {
                change();
                fired_ = true;
            }
        });
    }
    ~OnFirstCreation() {
        Wait();
        close(fd_);
    }
    OnFirstCreation(const OnFirstCreation&) = delete;
    OnFirstCreation& operator=(const OnFirstCreation&) = delete;

    bool Fired() {
        Wait();
        return fired_;
    }

  private:
    void Wait() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    int fd_;
    bool fired_ = false;
    std::thread thread_;
};

// The container changes as soon as the reader creates its first (temporary) output. Inflating and
// writing 32 MiB of that entry leaves ample time for the change to land before the reader
// reaches the second entry.
TEST_F(Container, ContainerChangedWhileBeingRead) {
    const std::size_t bigSize = std::size_t(32) << 20;
    const std::string first = Entry("big.bin", std::string(bigSize, '\0'));
    const std::string index = updtest::XmlLikeText(200'000, 6);
    const std::string whole = Int32(2) + first + Entry("updates.xml", index);
    const std::uintmax_t insideSecondStream = 4 + first.size() + 100;
    const struct {
        const char* what;
        std::function<void()> change;
        const char* message;
        std::string index;
        Names outputs;
    } cases[] = {
        {"truncated in place",
         [&] { fs::resize_file(upd::ToPath(packed), insideSecondStream); },
         "Stream read error",
         "user's index",
         {"updates.xml"}},
        {"replaced by another file",
         [&] {
             WriteBytes(dir / "other.upd", "junk");
             fs::rename(upd::ToPath(dir / "other.upd"), upd::ToPath(packed));
         },
         "(no error)",
         index,
         {"big.bin", "updates.xml"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path out = Out();
        WriteBytes(packed, whole);
        WriteBytes(upd::FromPath(out / "updates.xml"), "user's index");
        std::string message;
        {
            OnFirstCreation trigger(out, c.change);
            message = FailureOf([&] { upd::UnpackFiles(packed, OutText()); });
            EXPECT_TRUE(trigger.Fired());
        }
        EXPECT_EQ(message, c.message);
        EXPECT_TRUE(ReadBytes(upd::FromPath(out / "updates.xml")) == c.index);
        EXPECT_EQ(FolderEntries(out), c.outputs);
        fs::remove_all(out);
    }
}

#endif  // full disk, permissions and files changed under the reader: POSIX only

TEST(StoredName, SafeNames) {
    EXPECT_TRUE(upd::IsSafeEntryName("updates.xml"));
    EXPECT_TRUE(upd::IsSafeEntryName("обновления.xml"));
    EXPECT_TRUE(upd::IsSafeEntryName("..hidden"));
    EXPECT_FALSE(upd::IsSafeEntryName("LPT1"));
    EXPECT_FALSE(upd::IsSafeEntryName("com9.tar.gz"));
    EXPECT_FALSE(upd::IsSafeEntryName("a\nb"));
}

}  // namespace
