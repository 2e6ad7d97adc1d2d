#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

#include "app/UpdTool.h"
#include "container/UpdContainer.h"
#include "ops/Publish.h"
#include "support/Programs.h"
#include "support/TestFiles.h"
#include "util/FileLock.h"
#include "util/Texts.h"

#ifdef _WIN32
#include <thread>

#include "support/WindowsProcess.h"
#include "util/FileSystem.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "util/ProcessRunner.h"
#include "util/Texts.h"
#endif

namespace {

using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;

struct Result {
    int status;
    std::string out, err;
};

Result RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = upd::RunUpdTool(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(UpdTool, PackListUnpackRoundTrip) {
    TempDir dir;
    WriteBytes(dir / "updates.xml", updtest::XmlLikeText(10'000, 1));
    WriteBytes(dir / "празен.txt", "");
    const auto pack =
        RunTool({"pack", "-o", dir / "updates.upd", dir / "updates.xml", dir / "празен.txt"});
    ASSERT_EQ(pack.status, 0) << pack.err;

    const auto list = RunTool({"list", dir / "updates.upd"});
    ASSERT_EQ(list.status, 0) << list.err;
    std::istringstream lines(list.out);
    std::string first, second, extra;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_TRUE(first.starts_with("updates.xml\t10000\t")) << first;
    EXPECT_EQ(second, "празен.txt\t0\t8");
    EXPECT_FALSE(std::getline(lines, extra));

    std::filesystem::create_directory(dir.Path() / "out");
    const auto unpack = RunTool({"unpack", dir / "updates.upd", dir / "out"});
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    EXPECT_EQ(ReadBytes(dir / "out/updates.xml"), ReadBytes(dir / "updates.xml"));
    EXPECT_EQ(ReadBytes(dir / "out/празен.txt"), "");
}

TEST(UpdTool, ExitStatuses) {
    TempDir dir;
    WriteBytes(dir / "junk.upd", std::string("\x01\x00\x00\x00\x03\x00\x00\x00", 8) + "a.x");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* errStart;
    } cases[] = {
        {{"--help"}, 0, ""},
        {{"--version"}, 0, ""},
        {{}, 2, ""},
        {{"frobnicate"}, 2, ""},
        {{"pack", dir / "x"}, 2, ""},
        {{"unpack", dir / "junk.upd"}, 2, ""},
        {{"list", dir / "junk.upd"}, 1, "Stream read error"},
        {{"list", dir / "none.upd"}, 1, "Cannot open file"},
        {{"pack", "-o", dir / "o.upd", dir / "none.xml"}, 1, "Cannot open file"},
    };
    for (const auto& c : cases) {
        const auto result = RunTool(c.args);
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(result.status, c.status) << shown << ": " << result.err;
        EXPECT_TRUE(result.err.starts_with(c.errStart)) << result.err;
    }
    EXPECT_NE(RunTool({"--version"}).out.find("updtool "), std::string::npos);
    EXPECT_NE(RunTool({"--help"}).out.find("pack"), std::string::npos);
}

TEST(UpdTool, ArchiveUsesTheGivenArchiverOrSaysHowToGiveOne) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "patch");
    WriteBytes(dir / "patch/descriptor.xml", "<d/>");
#ifdef _WIN32
    const std::string archiver = updtest::InstallArchiverStandIn(dir.Text(), "7z.exe", 0);
#else
    const std::string archiver = SEVENZIP_PROGRAM_PATH;
#endif
    const auto withArchiver = RunTool(
        {"archive", "--password", "a b", "-o", dir / "u1", dir / "patch", "--archiver", archiver});
    EXPECT_EQ(withArchiver.status, 0) << withArchiver.err;
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "u1.upd"));

    // No SEVENZIP stands next to the test program.
    const auto without =
        RunTool({"archive", "--password", "x", "-o", dir / "u2.upd", dir / "patch"});
    EXPECT_EQ(without.status, 1);
    EXPECT_NE(without.err.find("--archiver"), std::string::npos) << without.err;

    const auto noDescriptor =
        RunTool({"archive", "--password", "x", "-o", dir / "u3.upd", dir.Text()});
    EXPECT_EQ(noDescriptor.status, 1);
    EXPECT_NE(noDescriptor.err.find("descriptor.xml"), std::string::npos);
    EXPECT_EQ(RunTool({"archive", "-o", dir / "u4.upd", dir / "patch"}).status, 2);
}

#ifdef _WIN32
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The real executable, as a publisher's script would call it. The path holds letters
// outside the ANSI code page, so it arrives intact only through the wide command line.
TEST(UpdTool, ExecutableReportsStatusAndUtf8Messages) {
    TempDir dir;
    const std::string tool = Quoted(upd::ExecutableDirectory() + UPDTOOL_RELATIVE_PATH);
    std::filesystem::create_directory(upd::ToPath(dir / "日本"));
    const std::string missing = dir / "日本\\няма.xml";
    const std::string errors = dir / "err.txt";
    const std::string command = tool + " pack -o " + Quoted(dir / "o.upd") + " " + Quoted(missing);
    EXPECT_EQ(updtest::RunProgram(command, errors), 1u);
    EXPECT_NE(ReadBytes(errors).find(missing), std::string::npos) << ReadBytes(errors);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "o.upd"));

    EXPECT_EQ(updtest::RunProgram(tool + " bogus", errors), 2u);
}
#else
// The real executable, as a publisher's script would call it.
TEST(UpdTool, ExecutableReportsStatusAndUtf8Messages) {
    TempDir dir;
    const std::string missing = dir / "няма.xml";
    const std::string command = std::string(UPDTOOL_PATH) + " pack -o '" + (dir / "o.upd") + "' '" +
                                missing + "' 2> '" + (dir / "err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadBytes(dir / "err.txt").find(missing), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "o.upd"));

    const int usage = std::system((std::string(UPDTOOL_PATH) + " bogus 2>/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(usage), 2);
}
#endif

#ifndef _WIN32
// A publisher's script must learn that the output was lost: a full disk under stdout or
// stderr makes the tool fail, while the same call with /dev/null succeeds or fails as usual.
TEST(UpdTool, FullStandardStreamsMakeItFail) {
    TempDir dir;
    WriteBytes(dir / "a.xml", "a");
    ASSERT_EQ(RunTool({"pack", "-o", dir / "a.upd", dir / "a.xml"}).status, 0);
    const struct {
        std::string args;
        const char* stream;
        int usual, full;
    } cases[] = {
        {"--help", "1", 0, 1},
        {"--version", "1", 0, 1},
        {"list '" + (dir / "a.upd") + "'", "1", 0, 1},
        {"bogus", "2", 2, 2},
        {"list '" + (dir / "none.upd") + "'", "2", 1, 1},
    };
    for (const auto& c : cases) {
        const auto run = [&](const std::string& device) {
            const std::string command = std::string(UPDTOOL_PATH) + " " + c.args +
                                        " >/dev/null 2>/dev/null " + c.stream + ">" + device;
            const int status = std::system(command.c_str());
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        };
        EXPECT_EQ(run("/dev/null"), c.usual) << c.args;
        EXPECT_EQ(run("/dev/full"), c.full) << c.args << " with " << c.stream << ">/dev/full";
    }
}
#endif  // /dev/full is a Linux device

// Each column count is the narrowest at which that line is shown: the last column stays free.
TEST(UpdTool, ProgressLineDropsTheLeastImportantPartsToFitTheTerminal) {
    using namespace std::chrono_literals;
    const upd::WorkProgress known{12s, 3'565'158, upd::WorkPhase::Archiving, 42, 12s};
    const upd::WorkProgress unknown{12s, 3'565'158, upd::WorkPhase::Checking, {}, 12s};
    const struct {
        const upd::WorkProgress& progress;
        std::size_t columns;
        std::string line;
    } cases[] = {
        {known, 0, "Архивиране: 42 %, 0:12, остава 0:17, 3,4 MB"},
        {known, 44, "Архивиране: 42 %, 0:12, остава 0:17, 3,4 MB"},
        {known, 38, "Архивиране: 42 %, остава 0:17, 3,4 MB"},
        {known, 30, "Архивиране: 42 %, остава 0:17"},
        {known, 17, "Архивиране: 42 %"},
        {known, 5, "42 %"},
        {known, 3, "42"},
        {unknown, 33, "Проверка на архива: 0:12, 3,4 MB"},
        {unknown, 27, "Проверка на архива: 3,4 MB"},
        {unknown, 10, "Проверка "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::FittedProgressLine(c.progress, c.columns), c.line) << c.columns;
        if (c.columns > 0) {  // one column less and the line changes
            EXPECT_NE(upd::FittedProgressLine(c.progress, c.columns - 1), c.line) << c.columns;
        }
    }
}

// Windows-style "/x" options are off: a path beginning with '/' stays a path everywhere.
TEST(UpdTool, ArgumentsBeginningWithASlashArePaths) {
    const auto result = RunTool({"unpack", "/no/such/updates.upd", "/no/such/folder"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("updates.upd"), std::string::npos) << result.err;
}

}  // namespace

// ---- Paths that name no file, and interruptions ----
namespace {

bool Exists(const std::string& path) {
    return std::filesystem::exists(upd::ToPath(path));
}

// An empty path would mean the current folder, or for unpack the root folder.
TEST(UpdTool, EmptyPathsAreUsageErrorsAndTouchNothing) {
    TempDir dir;
    const std::string entry = "updtool-empty-path-check.xml";
    WriteBytes(dir / entry, "x");
    ASSERT_EQ(RunTool({"pack", "-o", dir / "a.upd", dir / entry}).status, 0);
    const std::string root = upd::FromPath(std::filesystem::current_path().root_path());
    ASSERT_FALSE(Exists(root + entry));
    const std::vector<std::string> cases[] = {
        {"pack", "-o", "", dir / entry},
        {"pack", "-o", dir / "b.upd", ""},
        {"pack", "-o", dir / "b.upd", dir / entry, ""},
        {"unpack", dir / "a.upd", ""},
        {"unpack", "", dir.Text()},
        {"list", ""},
    };
    for (const auto& args : cases) {
        const auto result = RunTool(args);
        EXPECT_EQ(result.status, 2) << args[0] << ": " << result.err;
        EXPECT_EQ(updtest::FolderEntries(dir.Path()), (std::vector<std::string>{"a.upd", entry}));
    }
    EXPECT_FALSE(Exists(root + entry));
    std::error_code ignored;
    std::filesystem::remove(upd::ToPath(root + entry), ignored);  // when the check failed
}

TEST(UpdTool, FolderWhereAFileBelongsSaysSo) {
    TempDir dir;
    WriteBytes(dir / "a.xml", "a");
    const std::string folder = dir.Text();
    const std::vector<std::string> cases[] = {
        {"pack", "-o", dir / "a.upd", folder},
        {"pack", "-o", folder, dir / "a.xml"},
        {"list", folder},
        {"unpack", folder, folder},
    };
    for (const auto& args : cases) {
        const auto result = RunTool(args);
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_NE(result.err.find("\"" + folder + "\". It is a folder, not a file"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(updtest::FolderEntries(dir.Path()), std::vector<std::string>{"a.xml"});
}

}  // namespace

// ---- publish ----
namespace {

// What a reader of the folder sees: every name with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(upd::ToPath(folder))) {
        const std::string path = upd::FromPath(entry.path());
        files[upd::FromPath(entry.path().filename())] =
            entry.is_regular_file() ? ReadBytes(path) : "(folder)";
    }
    return files;
}

// An index package NAME whose one entry, ENTRY, holds xml.
std::string IndexPackage(const TempDir& dir, const std::string& name, const std::string& xml,
                         const std::string& entry = "updates.xml") {
    std::filesystem::create_directory(upd::ToPath(dir / ("of-" + name)));
    WriteBytes(dir / ("of-" + name + "/" + entry), xml);
    upd::PackFiles({dir / ("of-" + name + "/" + entry)}, dir / name);
    return dir / name;
}

TEST(UpdToolPublish, RefusalsNameTheFileAndLeaveTheFolderAsItWas) {
    TempDir dir;
    const std::string share = dir / "share";
    std::filesystem::create_directory(upd::ToPath(share));
    WriteBytes(dir / "share/old.upd", "old bytes");
    const std::string published = IndexPackage(dir, "published.upd", "<u><a f='old.upd'/></u>");
    ASSERT_EQ(RunTool({"publish", "-t", share, published}).status, 0);

    // Declared windows-1251, with Cyrillic ("Ново") in an attribute: must pass.
    const std::string good =
        IndexPackage(dir, "good.upd",
                     "<?xml version='1.0' encoding='windows-1251'?>\n"
                     "<u><a f='old.upd' t='\xcd\xee\xe2\xee'/><a>\n  new.upd </a></u>");
    const std::string newArchive = dir / "new.upd", oldArchive = dir / "old.upd";
    WriteBytes(newArchive, "new bytes");
    WriteBytes(oldArchive, "other bytes");
    WriteBytes(dir / "stray.upd", "stray");
    WriteBytes(dir / "junk.upd", "junk");
    std::filesystem::create_directory(upd::ToPath(dir / "dir.upd"));
    WriteBytes(dir / "empty.upd", "");
    WriteBytes(dir / "share/zero.upd", "");
    const auto names = [&](const std::string& package, const std::string& name) {
        return IndexPackage(dir, package, "<u><a f='" + name + "'/></u>");
    };
    const std::string empty = std::string(upd::text::kPublishEmptyAfter);
#ifdef _WIN32
    const std::string archiver = updtest::InstallArchiverStandIn(dir.Text(), "7z.exe", 0);
    WriteBytes(dir / "mode.txt", "garbage");  // its test fails
#else
    const std::string archiver = SEVENZIP_PROGRAM_PATH;
#endif
    const struct {
        std::vector<std::string> args;
        std::string named;
        bool otherPublishes = false;  // the folder's lock is held meanwhile
    } cases[] = {
        {{dir / "junk.upd", newArchive}, "junk.upd"},
        {{IndexPackage(dir, "no-xml.upd", "<u/>", "other.xml")}, "no-xml.upd"},
        {{IndexPackage(dir, "malformed.upd", "<u><a f='new.upd'></u>"), newArchive},
         "malformed.upd"},
        {{IndexPackage(dir, "names-more.upd", "<u><a>new.upd</a><a>gone.upd</a></u>"), newArchive},
         "gone.upd"},
        {{names("sub.upd", "sub/new.upd"), newArchive}, "\"sub/new.upd\""},
        {{names("back.upd", "patches\\new.upd"), newArchive}, "\"patches\\new.upd\""},
        {{names("url.upd", "http://srv/new.upd"), newArchive}, "\"http://srv/new.upd\""},
        {{names("blank.upd", "my file.upd")}, "\"my file.upd\""},
        {{names("cyrillic.upd", "ъпдейт 5.upd")}, "\"ъпдейт 5.upd\""},
        {{names("empty-given.upd", "empty.upd"), dir / "empty.upd"}, "empty.upd" + empty},
        {{names("empty-there.upd", "zero.upd")}, "zero.upd" + empty},
        {{"-t", dir / "junk.upd", good},
         "junk.upd" + std::string(upd::text::kPublishNotAFolderAfter)},
        {{good, newArchive}, std::string(upd::text::kPublishRunningAfter), true},
        {{"--password", "pw", "--archiver", archiver, good, newArchive},
         "new.upd" + std::string(upd::text::kPublishTestFailedAfter) +
             std::string(upd::text::kCheckCannotOpen)},
        {{good, newArchive, dir / "stray.upd"}, "stray.upd"},
        {{good, newArchive, oldArchive}, "old.upd"},
        {{good, newArchive, newArchive}, "new.upd"},
        {{good, newArchive, dir / "dir.upd"}, "dir.upd"},
        {{good, newArchive, share}, share},
        {{good, dir / "share/old.upd", newArchive}, "old.upd"},
        {{good, std::string("new.upd\0x", 9)}, "new.upd"},
        {{"-t", dir / "none", good}, "none"},
#ifndef _WIN32
        {{good, "/dev/null"}, "/dev/null"},
#endif
    };
    const auto before = Snapshot(share);
    for (const auto& c : cases) {
        std::vector<std::string> args{"publish"};
        if (c.args[0] != "-t") {
            args.insert(args.end(), {"-t", share});
        }
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::optional<upd::FileLock> other;
        if (c.otherPublishes) {
            other.emplace(upd::ToPath(share + "/" + std::string(upd::text::kPublishLockName)));
            ASSERT_TRUE(other->TryTake());
        }
        const auto result = RunTool(args);
        EXPECT_EQ(result.status, 1) << c.named;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << c.named << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(Snapshot(share), before) << c.named;
    }
    // The same files pass once the archive that changed is replaced knowingly.
    const auto replaced =
        RunTool({"publish", "--replace", "-t", share, good, newArchive, oldArchive});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadBytes(dir / "share/old.upd"), "other bytes");
    EXPECT_EQ(ReadBytes(dir / "share/updates.upd"), ReadBytes(good));
    EXPECT_EQ(updtest::FolderEntries(upd::ToPath(share)),
              (std::vector<std::string>{std::string(upd::text::kPublishLockName), "new.upd",
                                        "old.upd", "updates.upd", "zero.upd"}));
}

// The progress covers the step from its start (the checks' hashing) and counts each byte once:
// the copies end at the files' sizes, not at twice them; the second time, with both files there
// already, nothing is copied. Within a phase the percentage never goes back.
TEST(UpdToolPublish, ProgressCountsEachByteOnceFromTheStart) {
    TempDir dir;
    std::filesystem::create_directory(upd::ToPath(dir / "share"));
    WriteBytes(dir / "big.upd", std::string(3 << 20, 'x'));
    const std::string index = IndexPackage(dir, "index.upd", "<u>big.upd</u>");
    for (const std::int64_t copied :
         {std::int64_t(3 << 20) + std::int64_t(ReadBytes(index).size()), std::int64_t(0)}) {
        std::vector<upd::WorkProgress> reports;
        upd::StepControl control(
            [&](const upd::WorkProgress& report) { reports.push_back(report); });
        const upd::PublishJob job{dir / "share", index, {dir / "big.upd"}, false, false, "", ""};
        ASSERT_EQ(upd::PublishStep(job, control, [](const upd::PublishedFile&) {}),
                  upd::StepResult::Done);
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports.front().phase, upd::WorkPhase::Hashing);
        EXPECT_EQ(reports.back().phase, upd::WorkPhase::Publishing);
        EXPECT_EQ(reports.back().outputBytes, copied);
        for (std::size_t i = 1; i < reports.size(); ++i) {
            if (reports[i - 1].phase == reports[i].phase && reports[i - 1].percent) {
                EXPECT_LE(reports[i - 1].percent, reports[i].percent) << copied;
            }
        }
    }
}

#ifdef _WIN32
// Two updtool.exe publishing into one folder at once, each its own big.upd: exactly one wins,
// and the folder holds its archive and its index.
TEST(UpdToolPublish, OfTwoPublishersAtOnceExactlyOneWins) {
    TempDir dir;
    const std::string tool = Quoted(upd::ExecutableDirectory() + UPDTOOL_RELATIVE_PATH);
    for (const std::string round : {"0", "1", "2"}) {
        const std::string share = dir / ("share" + round);
        std::filesystem::create_directory(upd::ToPath(share));
        std::string index[2], archive[2];
        unsigned long status[2] = {};
        std::thread publishers[2];
        for (int who = 0; who < 2; ++who) {
            const std::string name = round + char('a' + who);
            index[who] = IndexPackage(dir, name + ".upd", "<u of='" + name + "'>big.upd</u>");
            archive[who] = dir / ("of-" + name + ".upd\\big.upd");  // beside its index's xml
            WriteBytes(archive[who], std::string(4 << 20, char('a' + who)));
            publishers[who] =
                std::thread([&status, who, errors = dir / (name + ".err"),
                             command = tool + " publish -t " + Quoted(share) + " " +
                                       Quoted(index[who]) + " " + Quoted(archive[who])] {
                    status[who] = updtest::RunProgram(command, errors);
                });
        }
        publishers[0].join(), publishers[1].join();
        ASSERT_EQ(status[0] + status[1], 1u) << status[0] << " " << status[1];
        EXPECT_TRUE(ReadBytes(share + "\\big.upd") == ReadBytes(archive[status[0]]));
        EXPECT_EQ(ReadBytes(share + "\\updates.upd"), ReadBytes(index[status[0]]));
    }
}
#endif

}  // namespace

#ifndef _WIN32
extern char** environ;

namespace {

// The real updtool, its standard error going to a file.
pid_t StartUpdTool(const std::vector<std::string>& args, const std::string& errors) {
    std::vector<std::string> all{UPDTOOL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0644);
    pid_t child = -1;
    EXPECT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

bool HoldsTemporaryFile(const std::filesystem::path& folder) {
    for (const auto& name : updtest::FolderEntries(folder)) {
        if (name.starts_with(".")) {
            return true;
        }
    }
    return false;
}

// Waits until the tool has begun writing into folder; false when it ended first.
bool WaitForTemporaryFile(pid_t child, const std::filesystem::path& folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (HoldsTemporaryFile(folder)) {
            return true;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// An entry of 200 MiB of zeros, named name: fast to make, long enough to be interrupted.
std::string BigEntry(const std::string& name, const std::string& zlibStream) {
    const auto int32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    return int32(std::uint32_t(name.size())) + name + int32(200u << 20) + zlibStream;
}

// Ctrl-C, SIGTERM, SIGHUP or Ctrl-\ in the middle of the work: the tool ends with 128 + the
// signal, leaves no temporary file behind, the output it was replacing is unchanged, and no
// process of the archiver's group is left. A run killed with SIGKILL leaves its temporary,
// which the next run on that output removes; while the killed run still went on, such a run
// kept it.
TEST(UpdTool, InterruptedWorkLeavesNoTemporaryFileAndKeepsTheOldOutput) {
    TempDir dir;
    const std::string big = dir / "big.bin";
    WriteBytes(big, "");
    std::filesystem::resize_file(upd::ToPath(big), std::uintmax_t(200) << 20);  // sparse zeros
    const std::filesystem::path out = dir.Path() / "out";
    std::filesystem::create_directory(out);
    const std::string oldPackage = upd::FromPath(out / "updates.upd");
    const std::string oldRestored = upd::FromPath(out / "big3.bin");

    // Four big entries for unpack, made from the zlib stream of one.
    ASSERT_EQ(RunTool({"pack", "-o", dir / "one.upd", big}).status, 0);
    // The same content under other names: a package never holds one name twice.
    std::filesystem::create_hard_link(upd::ToPath(big), upd::ToPath(dir / "big-b.bin"));
    std::filesystem::create_hard_link(upd::ToPath(big), upd::ToPath(dir / "big-c.bin"));
    const std::string stream = ReadBytes(dir / "one.upd").substr(4 + 4 + 7 + 4);
    std::string four = std::string("\x04\x00\x00\x00", 4);
    for (const char* name : {"big0.bin", "big1.bin", "big2.bin", "big3.bin"}) {
        four += BigEntry(name, stream);
    }
    WriteBytes(dir / "four.upd", four);
    // An archiver that starts its archive and a child that would outlive it, and waits.
    std::filesystem::create_directory(upd::ToPath(dir / "patch"));
    WriteBytes(dir / "patch/descriptor.xml", "<d/>");
    const std::string slow = dir / "slow";
    WriteBytes(slow, "#!/bin/sh\necho $$ > '" + (dir / "group") + "'\necho partial > \"$3\"\n" +
                         "(sleep 1; echo late > '" + (dir / "late") + "') &\nsleep 30\n");
    std::filesystem::permissions(upd::ToPath(slow), std::filesystem::perms::owner_all);

    const std::vector<std::string> commands[] = {
        {"pack", "-o", oldPackage, big, dir / "big-b.bin", dir / "big-c.bin"},
        {"unpack", dir / "four.upd", upd::FromPath(out)},
        {"archive", "--password", "pw", "-o", oldPackage, dir / "patch", "--archiver", slow},
    };
    ASSERT_EQ(RunTool({"pack", "-o", dir / "small.upd", dir / "patch/descriptor.xml"}).status, 0);
    const std::vector<std::string> quick[] = {
        {"pack", "-o", oldPackage, dir / "patch/descriptor.xml"},
        {"unpack", dir / "small.upd", upd::FromPath(out)},
        {"archive", "--password", "pw", "-o", oldPackage, dir / "patch", "--archiver",
         SEVENZIP_PROGRAM_PATH},
    };
    for (std::size_t command = 0; command < std::size(commands); ++command) {
        const auto& args = commands[command];
        for (const int signal : {SIGKILL, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            SCOPED_TRACE(args[0] + " " + std::to_string(signal));
            std::filesystem::remove_all(out);
            std::filesystem::create_directory(out);
            WriteBytes(oldPackage, "previous package");
            WriteBytes(oldRestored, "previous file");
            const pid_t child = StartUpdTool(args, dir / "err.txt");
            ASSERT_TRUE(WaitForTemporaryFile(child, out)) << "ended before it wrote anything";
            if (signal == SIGKILL) {  // another run on that output meanwhile
                const auto running = updtest::FolderEntries(out);
                EXPECT_EQ(RunTool(quick[command]).status, 0);
                for (const std::string& name : running) {
                    EXPECT_TRUE(std::filesystem::exists(out / name)) << name;
                }
            }
            kill(child, signal);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            if (signal == SIGKILL) {
                if (std::ifstream group(dir / "group"); args[0] == "archive" && group) {
                    pid_t archiver = 0;
                    group >> archiver;
                    kill(-archiver, SIGKILL);  // the tool could not end it
                    std::filesystem::remove(upd::ToPath(dir / "late"));
                }
                EXPECT_TRUE(HoldsTemporaryFile(out));
                EXPECT_EQ(RunTool(quick[command]).status, 0);
                EXPECT_FALSE(HoldsTemporaryFile(out)) << updtest::FolderEntries(out).front();
                continue;
            }
            ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
            EXPECT_EQ(ReadBytes(dir / "err.txt"), "Прекъснато.\n");
            EXPECT_FALSE(HoldsTemporaryFile(out));
            EXPECT_TRUE(ReadBytes(oldPackage) == "previous package");  // no dump of 200 MiB
            EXPECT_TRUE(ReadBytes(oldRestored) == "previous file");
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(std::filesystem::exists(upd::ToPath(dir / "late")));  // the archiver's group ended
}

}  // namespace
#endif

#ifndef _WIN32
// The archive command: passwords kept off the command line, usage errors, the archiver
// named on the command line, progress and interruption.
namespace archive {

namespace fs = std::filesystem;

class UpdToolArchive : public ::testing::Test {
  protected:
    TempDir dir;
    std::string patch = dir / "patch";
    std::string output = dir / "u1.upd";

    void SetUp() override {
        fs::create_directory(patch);
        WriteBytes(patch + "/descriptor.xml", "<d/>");
    }
    // A script that runs before the real 7-Zip; onAdd runs for its command "a".
    std::string Archiver(const std::string& name, const std::string& onAdd) {
        const std::string path = dir / name;
        WriteBytes(path, "#!/bin/sh\ncase \"$1\" in a) " + onAdd + " ;; esac\nexec '" +
                             SEVENZIP_PROGRAM_PATH + "' \"$@\"\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    Result Run(const std::vector<std::string>& args, const std::string& input = "",
               bool terminal = false) {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int status = upd::RunUpdTool(args, out, err, upd::ToolConsole{&in, &err, terminal});
        return {status, out.str(), err.str()};
    }
    bool Opens(const std::string& password) {
        const upd::Command test{SEVENZIP_PROGRAM_PATH, {"t", "-p" + password, output}, {}, {}};
        return updtest::Run(test).exitCode == 0;
    }
};

TEST_F(UpdToolArchive, PasswordComesFromAFileOrStandardInput) {
    const std::string password = "па роля $x '-";
    const std::string byteOrderMark = "\xEF\xBB\xBF";  // as Windows editors write UTF-8
    WriteBytes(dir / "pw.txt", password + "\r\nsecond line\n");
    WriteBytes(dir / "bom.txt", byteOrderMark + password + "\r\n");
    const struct {
        std::vector<std::string> passwordArgs;
        std::string input;
    } cases[] = {{{"--password-file", dir / "pw.txt"}, ""},
                 {{"--password-file", dir / "bom.txt"}, ""},
                 {{"--password", "-"}, password + "\nsecond line\n"},
                 {{"--password", "-"}, byteOrderMark + password + "\n"},
                 {{"--password", password}, ""}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"archive", "-o",         output,
                                         patch,     "--archiver", SEVENZIP_PROGRAM_PATH};
        args.insert(args.end(), c.passwordArgs.begin(), c.passwordArgs.end());
        const Result result = Run(args, c.input);
        ASSERT_EQ(result.status, 0) << c.passwordArgs[0] << ": " << result.err;
        EXPECT_TRUE(Opens(password)) << c.passwordArgs[0];
        EXPECT_FALSE(Opens(password + "x"));
        fs::remove(output);
    }
}

TEST_F(UpdToolArchive, UsageErrorsChangeNothing) {
    WriteBytes(output, "old");
    const std::vector<std::string> archiver = {"--archiver", SEVENZIP_PROGRAM_PATH};
    const std::vector<std::vector<std::string>> cases = {
        {"archive", "--password", "pw", "-o", "", patch},
        {"archive", "--password", "pw", "-o", output, ""},
        {"archive", "--password", "pw", "--password-file", dir / "pw.txt", "-o", output, patch},
        {"archive", "-o", output, patch},
    };
    for (std::vector<std::string> args : cases) {
        args.insert(args.end(), archiver.begin(), archiver.end());
        EXPECT_EQ(Run(args).status, 2) << args[3] << " " << args[4];
    }
    EXPECT_EQ(ReadBytes(output), "old");
    EXPECT_EQ(Run({"archive", "--password-file", dir / "none", "-o", output, patch}).status, 1);
}

// Password files that cannot give a password, and an archive in a missing folder: each fails
// with a message naming the file, and nothing is written or created.
TEST_F(UpdToolArchive, UnusablePasswordFilesAndMissingOutputFoldersChangeNothing) {
    WriteBytes(output, "old");
    WriteBytes(dir / "utf16.txt", std::string("p\0w\0\n\0", 6));
    WriteBytes(dir / "pw.txt", "pw\n");
    const std::string missing = dir / "missing";
    const struct {
        std::string passwordFile, output, err;
    } cases[] = {
        {patch, output, "Cannot open file \"" + patch + "\". It is a folder, not a file\n"},
        {dir / "utf16.txt", output,
         "Паролата съдържа нулев знак (NUL). Файл с парола трябва да е текст в UTF-8.\n"},
        {dir / "pw.txt", missing + "/u1",
         "Cannot create file \"" + missing + "/u1.upd\". No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const Result result = Run({"archive", "--password-file", c.passwordFile, "-o", c.output,
                                   patch, "--archiver", SEVENZIP_PROGRAM_PATH});
        EXPECT_EQ(result.status, 1) << c.passwordFile;
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(ReadBytes(output), "old");
    EXPECT_EQ(updtest::FolderEntries(dir.Path()),
              (std::vector<std::string>{"patch", "pw.txt", "u1.upd", "utf16.txt"}));
}

// A password file may be a pipe: "<(pass show updates)", /dev/stdin.
TEST_F(UpdToolArchive, PasswordFileMayBeAPipe) {
    const std::string tool = std::string(UPDTOOL_PATH) + " archive -o '" + output + "' '" + patch +
                             "' --archiver " + SEVENZIP_PROGRAM_PATH + " --password-file ";
    for (const auto& [command, password] :
         {std::pair{tool + "<(printf 'от тръба\\nвтори ред')", "от тръба"},
          std::pair{"printf 'от stdin' | " + tool + "/dev/stdin", "от stdin"}}) {
        const upd::ProcessOutcome run = updtest::Run({"/bin/bash", {"-c", command}, {}, {}});
        EXPECT_EQ(run.exitCode, 0) << command << run.outputTail;
        EXPECT_TRUE(Opens(password)) << command;
    }
}

// Restores the current folder.
struct InFolder {
    fs::path previous = fs::current_path();
    explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(previous); }
};

TEST_F(UpdToolArchive, ArchiverNamedRelativelyIsTheFileInTheCurrentFolder) {
    const InFolder here(dir.Path());
    for (const std::string name : {"7zz", "my 7zz", "./7zz"}) {
        Archiver(name, "touch '" + (dir / "ran") + "'");
        const Result result =
            Run({"archive", "--password", "pw", "-o", output, "patch", "--archiver", name});
        EXPECT_EQ(result.status, 0) << name << ": " << result.err;
        EXPECT_TRUE(fs::exists(dir / "ran")) << name;
        fs::remove(dir / "ran");
    }
}

TEST_F(UpdToolArchive, ProgressLineOnlyOnATerminalAndClearedAtTheEnd) {
    const std::string slow = Archiver("slow", "printf ' 42%% + descriptor.xml'; sleep 0.5");
    const std::vector<std::string> args = {"archive", "--password", "pw",         "-o",
                                           output,    patch,        "--archiver", slow};
    EXPECT_EQ(Run(args).err, "");
    const std::string shown = Run(args, "", true).err;
    ASSERT_TRUE(shown.starts_with("\rАрхивиране: ")) << shown;
    EXPECT_NE(shown.find("\rАрхивиране: 42 %, 0:00, "), std::string::npos) << shown;
    ASSERT_TRUE(shown.ends_with("\r")) << shown;
    const std::size_t lastLine = shown.rfind('\r', shown.size() - 2);
    EXPECT_EQ(shown.find_first_not_of(' ', lastLine + 1), shown.size() - 1) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos);
}

// What the terminal shows, up to the end of until or, with until empty, until the other side
// closes; at most 30 s.
std::string ReadTerminal(int terminal, std::string_view until) {
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((until.empty() || !shown.ends_with(until)) &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd wait{terminal, POLLIN, 0};
        char chunk[256];
        const ssize_t got = poll(&wait, 1, 100) > 0 ? read(terminal, chunk, sizeof chunk) : 0;
        if (got < 0) {
            break;  // EIO: the program ended
        }
        shown.append(chunk, std::size_t(got));
    }
    return shown;
}

bool Echoes(int terminal) {
    termios settings{};
    return tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

// "--password -" typed at a terminal 20 columns wide: asked for, not shown, the echo back
// afterwards, also when Ctrl-C or Ctrl-\ ends the reading; the progress line kept within 19
// columns.
TEST_F(UpdToolArchive, PasswordTypedAtATerminalIsNotShown) {
    const std::string prompt(upd::text::kToolPasswordPrompt);
    const struct {
        std::string typed;
        int status;
        std::string after;
    } cases[] = {{"таен ключ\n", 0, "\r\n"},
                 {"таен\x03", 130, "\r\nПрекъснато.\r\n"},
                 {"таен\x1c", 131, "\r\nПрекъснато.\r\n"}};  // Ctrl-\ (SIGQUIT)
    for (const auto& c : cases) {
        const char* argv[] = {
            UPDTOOL_PATH,  "archive",    "--password",          "-",    "-o", output.c_str(),
            patch.c_str(), "--archiver", SEVENZIP_PROGRAM_PATH, nullptr};
        int terminal = -1;
        winsize size{24, 20, 0, 0};
        const pid_t tool = forkpty(&terminal, nullptr, nullptr, &size);
        if (tool == 0) {
            execv(argv[0], const_cast<char**>(argv));
            _exit(127);
        }
        ASSERT_GT(tool, 0);
        EXPECT_EQ(ReadTerminal(terminal, prompt), prompt);
        EXPECT_FALSE(Echoes(terminal));
        ASSERT_EQ(write(terminal, c.typed.data(), c.typed.size()), ssize_t(c.typed.size()));
        const std::string after = ReadTerminal(terminal, "");
        EXPECT_TRUE(after.starts_with(c.after)) << after;
        EXPECT_EQ(after.find("таен"), std::string::npos);
        std::istringstream lines(after);
        for (std::string line; std::getline(lines, line, '\r');) {
            EXPECT_LT(
                std::count_if(line.begin(), line.end(), [](char b) { return (b & 0xC0) != 0x80; }),
                20)
                << line;
        }
        kill(tool, SIGKILL);  // one still waiting fails the test rather than hanging it
        int status = 0;
        ASSERT_EQ(waitpid(tool, &status, 0), tool);
        EXPECT_TRUE(Echoes(terminal));
        close(terminal);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << after;
    }
    EXPECT_TRUE(Opens("таен ключ"));
}

}  // namespace archive
#endif
