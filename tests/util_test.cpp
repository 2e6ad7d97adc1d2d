#include <gtest/gtest.h>

#include <regex>

#include "support/Failure.h"
#include "support/TestFiles.h"
#include "util/DurableCopy.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ReplacingFile.h"
#include "util/Sha256.h"
#include "util/Text.h"
#include "util/Texts.h"
#include "util/XmlCheck.h"

namespace {

using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;

const std::string kSep(1, upd::kPathSeparator);

TEST(Text, WithTrailingSeparator) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},     {"a", "a" + kSep},         {"dir" + kSep, "dir" + kSep},
        {kSep, kSep}, {"папка", "папка" + kSep},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::WithTrailingSeparator(c.in), c.out) << c.in;
    }
}

TEST(Text, EndsWithCaseSensitive) {
    const struct {
        const char* suffix;
        const char* text;
        bool expected;
    } cases[] = {
        {".upd", "x.upd", true}, {".upd", "x.UPD", false},
        {".upd", ".upd", true},  {".upd", "upd", false},
        {"", "x", false},        {"", "", false},
        {"x", "", false},        {".upd", "x.upd.bak", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::EndsWithCaseSensitive(c.suffix, c.text), c.expected)
            << c.suffix << " / " << c.text;
    }
}

TEST(FileSystem, ExistenceTests) {
    TempDir dir;
    WriteBytes(dir / "файл.xml", "x");
    EXPECT_TRUE(upd::FileExists(dir / "файл.xml"));
    EXPECT_FALSE(upd::DirectoryExists(dir / "файл.xml"));
    EXPECT_TRUE(upd::DirectoryExists(dir.Text()));
    EXPECT_FALSE(upd::FileExists(dir.Text()));
    EXPECT_FALSE(upd::FileExists(dir / "missing"));
    EXPECT_FALSE(upd::DirectoryExists(dir / "missing"));
    EXPECT_FALSE(upd::FileExists(""));
    EXPECT_FALSE(upd::DirectoryExists(""));
}

TEST(FileSystem, MessagesNameTheAbsolutePathAndTrimTheSystemText) {
    const std::string message =
        upd::CannotOpenMessage(upd::ToPath("rel/x.upd"), updtest::kMissingFile);
    const std::string expectedPath =
        upd::FromPath(std::filesystem::current_path() / "rel" / "x.upd");
    EXPECT_EQ(message, "Cannot open file \"" + expectedPath + "\". " +
                           upd::SystemErrorText(updtest::kMissingFile));
    const std::string text = upd::SystemErrorText(updtest::kMissingFile);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), ' ');
}

TEST(ReplacingFile, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
    TempDir dir;
    WriteBytes(dir / "out.bin", "old");
    {
        upd::ReplacingFile file(upd::ToPath(dir / "out.bin"));
        file.Output().WriteAll("new", 3);
        EXPECT_EQ(ReadBytes(dir / "out.bin"), "old");  // untouched until the commit
        file.Commit();
    }
    EXPECT_EQ(ReadBytes(dir / "out.bin"), "new");
    EXPECT_EQ(updtest::FolderEntries(dir.Path()), std::vector<std::string>{"out.bin"});
}

TEST(ReplacingFile, AbandonedFileKeepsTheOldTargetAndRemovesTheTemporary) {
    TempDir dir;
    WriteBytes(dir / "out.bin", "old");
    try {
        upd::ReplacingFile file(upd::ToPath(dir / "out.bin"));
        file.Output().WriteAll("partial", 7);
        throw upd::OperationError("fail");
    } catch (const upd::OperationError&) {
    }
    EXPECT_EQ(ReadBytes(dir / "out.bin"), "old");
    EXPECT_EQ(updtest::FolderEntries(dir.Path()), std::vector<std::string>{"out.bin"});
}

// What appears at the name while the new version is written is never replaced by it.
TEST(ReplacingFile, CommitUnlessTakenLeavesAFileThatAppearedMeanwhile) {
    for (const bool appears : {false, true}) {
        TempDir dir;
        {
            upd::ReplacingFile file(upd::ToPath(dir / "a.upd"));
            file.Output().WriteAll("mine", 4);
            if (appears) {
                WriteBytes(dir / "a.upd", "theirs");
            }
            EXPECT_EQ(file.CommitUnlessTaken(), !appears);
        }
        EXPECT_EQ(ReadBytes(dir / "a.upd"), appears ? "theirs" : "mine");
        EXPECT_EQ(updtest::FolderEntries(dir.Path()), std::vector<std::string>{"a.upd"});
    }
}

// A cancel stops hashing and copying as a cancel, never as a result; a source that no longer
// has the hash it was checked with is refused by name. The target stays as it was.
TEST(DurableCopy, CancelAndChangedSourceLeaveTheTargetAlone) {
    TempDir dir;
    WriteBytes(dir / "source.upd", "source bytes");
    WriteBytes(dir / "target.upd", "old");
    const auto source = upd::ToPath(dir / "source.upd"), target = upd::ToPath(dir / "target.upd");
    const upd::CopyProgress ignored = [](std::int64_t) {};
    upd::CancelToken running, cancelled;
    cancelled.Cancel();
    const std::string sha256 = upd::HashFile(source, running, ignored).sha256;
    EXPECT_THROW(upd::HashFile(source, cancelled, ignored), upd::WorkCancelled);
    EXPECT_THROW(upd::DurableCopy(source, target, {sha256, true}, cancelled, ignored),
                 upd::WorkCancelled);
    EXPECT_NE(updtest::FailureOf([&] {
                  upd::DurableCopy(source, target, {std::string(64, '0'), true}, running, ignored);
              }).find("source.upd" + std::string(upd::text::kPublishSourceChangedAfter)),
              std::string::npos);
    EXPECT_EQ(updtest::FolderEntries(dir.Path()),
              (std::vector<std::string>{"source.upd", "target.upd"}));
    EXPECT_EQ(ReadBytes(dir / "target.upd"), "old");
}

TEST(ReplacingFile, LongCyrillicTargetNamesStillGetATemporaryFile) {
    TempDir dir;
    std::string name;
    while (name.size() < 240) {
        name += "ъ";  // two bytes each: 240 bytes, close to the 255-byte limit
    }
    {
        upd::ReplacingFile file(upd::ToPath(dir / name));
        file.Output().WriteAll("x", 1);
        file.Commit();
    }
    EXPECT_EQ(ReadBytes(dir / name), "x");
    const auto sibling = upd::FromPath(upd::TemporarySibling(upd::ToPath(dir / name)));
    EXPECT_TRUE(sibling.ends_with(".tmp"));
    EXPECT_LT(upd::FromPath(upd::ToPath(sibling).filename()).size(), 140u);
}

// Temporaries name their owner: a new ReplacingFile removes those beside it whose process has
// ended (or whose id a later process has), and keeps a running one's, another machine's and
// any other name.
TEST(ReplacingFile, DeadRunsTemporariesAreRemovedAndNoOthers) {
    TempDir dir;
    const std::string live =
        upd::FromPath(upd::TemporarySibling(upd::ToPath(dir / "u1.upd")).filename());
    std::smatch part;  // ".u1.upd.<machine>-<process>-<start>.<random>.tmp"
    const std::regex parts(R"((.*)\.([0-9a-f]{8})-(\d+)-(\d+)(\..*))");
    ASSERT_TRUE(std::regex_match(live, part, parts)) << live;
    const std::string machine = part[2], process = part[3], random = part[5];
    const std::string other = std::string(machine[0] == '0' ? "1" : "0") + machine.substr(1);
    const std::string later = std::to_string(std::stoull(part[4]) + 1), ended = "2000000000-1";
    const std::pair<std::string, bool> cases[] = {
        // the name, removed
        {live, false},
        {".u1.upd." + machine + "-" + process + "-" + later + random, true},
        {".u1.upd." + machine + "-" + ended + random, true},
        {".u1.upd." + machine + "-" + ended + random + ".tmp", true},  // 7-Zip's own
        {".u2.bin." + machine + "-" + ended + random, true},
        {".u1.upd." + other + "-" + ended + random, false},
        {".u1.upd." + machine + "-" + ended + ".x.tmp", false},
    };
    for (const auto& [name, removed] : cases) {
        WriteBytes(dir / name, "partial");
    }
    upd::ReplacingFile(upd::ToPath(dir / "u1.upd")).Commit();
    for (const auto& [name, removed] : cases) {
        EXPECT_EQ(std::filesystem::exists(upd::ToPath(dir / name)), !removed) << name;
    }
}

TEST(ReplacingFile, MissingFolderGivesTheCreateMessageForTheTarget) {
    TempDir dir;
    const std::string target = dir / "missing/out.bin";
    try {
        upd::ReplacingFile file(upd::ToPath(target));
        FAIL() << "no error";
    } catch (const upd::OperationError& e) {
        EXPECT_EQ(std::string(e.what()),
                  upd::CannotCreateMessage(upd::ToPath(target), updtest::kMissingFolder));
    }
}

// Published files are listed with their SHA-256, which users compare with other tools.
TEST(Sha256, KnownDigestsFedInPieces) {
    const struct {
        std::string input;
        std::size_t piece;
        const char* digest;
    } cases[] = {
        {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1'000'000, 'a'), 4093,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        upd::Sha256 hash;
        for (std::size_t at = 0; at < c.input.size(); at += c.piece) {
            hash.Update(c.input.data() + at, std::min(c.piece, c.input.size() - at));
        }
        EXPECT_EQ(hash.HexDigest(), c.digest) << c.input.size();
    }
}

TEST(XmlCheck, DeclaredEncodingIsReadAndNothingExternalIsLoaded) {
    const auto cyrillic = upd::ReadXmlTexts(
        "<?xml version='1.0' encoding='windows-1251'?>\n<u t='\xcd\xee\xe2\xee'>a.upd</u>");
    ASSERT_FALSE(cyrillic.fault) << cyrillic.fault->reason;
    EXPECT_EQ(cyrillic.texts, (std::vector<std::string>{"Ново", "a.upd"}));

    TempDir dir;
    WriteBytes(dir / "secret.txt", "secret");
    const std::string path = dir / "secret.txt";
    const std::string uri = (path.starts_with('/') ? "file://" : "file:///") + path;
    const auto external =
        upd::ReadXmlTexts("<!DOCTYPE u [<!ENTITY e SYSTEM '" + uri + "'>]>\n<u>&e;</u>");
    for (const std::string& text : external.texts) {
        EXPECT_EQ(text.find("secret"), std::string::npos);
    }

    const auto malformed = upd::ReadXmlTexts("<u>\n<a></u>");
    ASSERT_TRUE(malformed.fault);
#ifndef _WIN32  // wine's MSXML gives no position; Windows' and libxml2 do
    EXPECT_EQ(malformed.fault->line, 2);
#endif
}

}  // namespace
