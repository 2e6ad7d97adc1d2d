#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestFiles.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"

namespace {

using updtest::TempDir;
using updtest::WriteBytes;
using Arguments = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheArchiversQuotingRules) {
    const struct {
        std::string line;
        Arguments arguments;
    } cases[] = {
        {R"("C:\Tools\SEVENZIP.exe" a -pKORVE482tm915$ "D:\out\u1.upd" "D:\patch\*")",
         {R"(C:\Tools\SEVENZIP.exe)", "a", "-pKORVE482tm915$", R"(D:\out\u1.upd)",
          R"(D:\patch\*)"}},
        {R"(7zz a "-pone two" x)", {"7zz", "a", "-pone two", "x"}},
        {"a  \t b ", {"a", "b"}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"(-pback\slash\ "end\")", {R"(-pback\slash\)", R"(end\)"}},
        {"", {}},
        {"   ", {}},
        {"\"unclosed quote", {"unclosed quote"}},
        {"парола \"път с интервал\"", {"парола", "път с интервал"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::SplitCommandLine(c.line), c.arguments) << c.line;
    }
}

TEST(RunAndWait, MissingProgramFailsWithCodeTwo) {
    TempDir dir;
    const std::string line = "\"" + (dir / "no-such-program") + "\" a -px";
    try {
        upd::RunAndWait(line);
        FAIL() << "no error";
    } catch (const upd::OperationError& e) {
        EXPECT_EQ(std::string(e.what()), "(2) Unable to run " + line);
    }
}

class Scripts : public ::testing::Test {
  protected:
    TempDir dir;

    std::string Script(const std::string& name, const std::string& body) {
        const std::string path = dir / name;
        WriteBytes(path, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return "\"" + path + "\"";
    }
};

TEST_F(Scripts, ReturnsTheExitCodeAndTheEndOfTheOutput) {
    const auto outcome = upd::RunAndWait(Script("fail", "echo to-out\necho to-err >&2\nexit 3\n"));
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_NE(outcome.outputTail.find("to-out"), std::string::npos);
    EXPECT_NE(outcome.outputTail.find("to-err"), std::string::npos);
    EXPECT_EQ(upd::RunAndWait(Script("ok", "exit 0\n")).exitCode, 0);
}

TEST_F(Scripts, GetsEmptyInputItsOwnProcessGroupAndKeepsOnlyTheTail) {
    // cat ends at once on /dev/null; a terminal or inherited pipe would block it.
    EXPECT_EQ(upd::RunAndWait(Script("cat", "cat\n")).exitCode, 0);
    const std::string groupCheck =
        "read pid comm state ppid group rest < /proc/$$/stat\n[ \"$group\" = \"$$\" ]\n";
    EXPECT_EQ(upd::RunAndWait(Script("group", groupCheck)).exitCode, 0);

    const auto loud = upd::RunAndWait(
        Script("loud", "i=0\nwhile [ $i -lt 20000 ]; do echo line-$i; i=$((i+1)); done\n"));
    EXPECT_EQ(loud.exitCode, 0);
    EXPECT_LE(loud.outputTail.size(), 16384u);
    EXPECT_TRUE(loud.outputTail.ends_with("line-19999\n"));
}

TEST_F(Scripts, ArgumentsArriveAsSplit) {
    const std::string record = Script("record", "for a in \"$@\"; do echo \"[$a]\"; done\n");
    const auto outcome = upd::RunAndWait(record + " a \"-pone two\" back\\slash \"\"");
    EXPECT_EQ(outcome.outputTail, "[a]\n[-pone two]\n[back\\slash]\n[]\n");
}

}  // namespace
