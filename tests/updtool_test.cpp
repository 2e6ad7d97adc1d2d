#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/UpdTool.h"
#include "support/TestFiles.h"

#ifdef _WIN32
#include "support/WindowsProcess.h"
#include "util/FileSystem.h"
#else
#include <sys/wait.h>
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

// Windows-style "/x" options are off: a path beginning with '/' stays a path everywhere.
TEST(UpdTool, ArgumentsBeginningWithASlashArePaths) {
    const auto result = RunTool({"unpack", "/no/such/updates.upd", "/no/such/folder"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("updates.upd"), std::string::npos) << result.err;
}

}  // namespace
