#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/Failure.h"
#include "support/Programs.h"
#include "support/TestFiles.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"

namespace {

using updtest::TempDir;
using updtest::WriteBytes;
using Arguments = std::vector<std::string>;

// Windows runs exactly this line; SplitCommandLine, the archiver's own reading, must give back
// the program and every argument unchanged.
TEST(CommandLine, JoinsWhatSplitCommandLineGivesBack) {
    const struct {
        upd::Command command;
        std::string line;
    } cases[] = {
        {{R"(C:\Tools\SEVENZIP.exe)",
          {"a", "-pPW", R"(D:\out\u1.upd)", R"(D:\patch\*)", "-bsp1"},
          {},
          {}},
         R"("C:\Tools\SEVENZIP.exe" a -pPW "D:\out\u1.upd" "D:\patch\*" -bsp1)"},
        {{"/t/7zz", {"t", "-pone two", "-ptab\there", "-pback\\slash", "/o/u 1.upd"}, {}, {}},
         "\"/t/7zz\" t \"-pone two\" \"-ptab\there\" -pback\\slash \"/o/u 1.upd\""},
        {{"7zz", {"l", "-slt", "-ba", "-pпарола", "u1", "*", ""}, {}, {}},
         R"("7zz" l -slt -ba -pпарола u1 "*" "")"},
        {{"прог рама", {}, {}, {}}, R"("прог рама")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::CommandLine(c.command), c.line);
        Arguments expected{c.command.program};
        expected.insert(expected.end(), c.command.arguments.begin(), c.command.arguments.end());
        EXPECT_EQ(updtest::SplitCommandLine(c.line), expected) << c.line;
    }
}

// A NUL would cut an argument short, and a '"' has no escape in a Windows command line: the
// program would get another password than the one given. Refused before anything starts.
TEST(RunAndWait, ArgumentsThatCannotArriveWholeAreRefused) {
    TempDir dir;
    const std::string program = dir / "no-such-program";  // starting it would fail with 2
#ifdef _WIN32
    const long refused = 87;  // ERROR_INVALID_PARAMETER
    const std::vector<std::string> arguments = {std::string("-ppass\0word", 11), "-pa\"b",
                                                "a\"b c"};
#else
    const long refused = EINVAL;
    const std::vector<std::string> arguments = {std::string("-ppass\0word", 11)};
#endif
    for (const std::string& argument : arguments) {
        const upd::Command command{program, {"a", argument}, {}, "shown"};
        EXPECT_EQ(updtest::FailureOf([&] { updtest::Run(command); }),
                  "(" + std::to_string(refused) + ") Unable to run shown");
    }
}

TEST(RunAndWait, MissingProgramFailsWithCodeTwo) {
    TempDir dir;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about "..." + std::string at -O2.
    std::string line = "\"";
    line.append(dir / "no-such-program").append("\" a -px");
    try {
        updtest::RunLine(line);
        FAIL() << "no error";
    } catch (const upd::OperationError& e) {
        EXPECT_EQ(std::string(e.what()), "(2) Unable to run " + line);
    }
}

#ifndef _WIN32
// Shell scripts as programs; windows_test.cpp runs a stand-in program instead.
class Scripts : public ::testing::Test {
  protected:
    TempDir dir;

    // The path of a new script.
    std::string ScriptPath(const std::string& name, const std::string& body) {
        const std::string path = dir / name;
        WriteBytes(path, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    // The same, quoted for a command line.
    std::string Script(const std::string& name, const std::string& body) {
        return "\"" + ScriptPath(name, body) + "\"";
    }
};

TEST_F(Scripts, ReturnsTheExitCodeAndTheEndOfTheOutput) {
    const auto outcome = updtest::RunLine(Script("fail", "echo to-out\necho to-err >&2\nexit 3\n"));
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_NE(outcome.outputTail.find("to-out"), std::string::npos);
    EXPECT_NE(outcome.outputTail.find("to-err"), std::string::npos);
    EXPECT_EQ(updtest::RunLine(Script("ok", "exit 0\n")).exitCode, 0);
}

TEST_F(Scripts, GetsEmptyInputItsOwnProcessGroupAndKeepsOnlyTheTail) {
    // cat ends at once on /dev/null; a terminal or inherited pipe would block it.
    EXPECT_EQ(updtest::RunLine(Script("cat", "cat\n")).exitCode, 0);
    const std::string groupCheck =
        "read pid comm state ppid group rest < /proc/$$/stat\n[ \"$group\" = \"$$\" ]\n";
    EXPECT_EQ(updtest::RunLine(Script("group", groupCheck)).exitCode, 0);

    const auto loud = updtest::RunLine(
        Script("loud", "i=0\nwhile [ $i -lt 20000 ]; do echo line-$i; i=$((i+1)); done\n"));
    EXPECT_EQ(loud.exitCode, 0);
    EXPECT_LE(loud.outputTail.size(), 16384u);
    EXPECT_TRUE(loud.outputTail.ends_with("line-19999\n"));
}

TEST_F(Scripts, CommandArgumentsArriveAsTheyStandInTheWorkingDirectory) {
    const std::string record =
        ScriptPath("record", "pwd\nfor a in \"$@\"; do echo \"[$a]\"; done\n");
    const std::string folder = dir / "pa\"th *";
    std::filesystem::create_directory(folder);
    const upd::Command command{record, {"pa\"th", "*", "-p$x y", ""}, folder, "shown"};
    EXPECT_EQ(updtest::Run(command).outputTail, folder + "\n[pa\"th]\n[*]\n[-p$x y]\n[]\n");
}

TEST(RunAndWait, ProgramIsTakenAsGivenNotSearchedFor) {
    // "sh" is on PATH, but no file "sh" is in the current folder.
    const upd::Command command{"sh", {"-c", "exit 0"}, {}, "shown as"};
    EXPECT_EQ(updtest::FailureOf([&] { updtest::Run(command); }), "(2) Unable to run shown as");
}

TEST_F(Scripts, CancelEndsTheProgramAndEverythingInItsGroup) {
    // The child ignores SIGTERM (and so does its sleep), so only the SIGKILL after the
    // grace ends it; it would write "late" after about 2.5 s.
    const std::string late = dir / "late";
    const std::string script =
        ScriptPath("sleeper", "echo started\n(trap '' TERM; sleep 1; sleep 1.5; echo late > '" +
                                  late + "') &\nsleep 30\n");
    const auto started = std::chrono::steady_clock::now();
    upd::CancelToken cancel;
    int beats = 0;  // while it waits, for a caller to report its progress
    const auto outcome = upd::RunAndWait(
        upd::Command{script, {}, {}, {}}, {}, [&] { ++beats == 3 ? cancel.Cancel() : void(); },
        cancel);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(beats, 3);
    EXPECT_EQ(outcome.outputTail, "started\n");
    EXPECT_GE(took, std::chrono::milliseconds(250));   // a beat about every 100 ms
    EXPECT_LT(took, std::chrono::milliseconds(2500));  // SIGKILL after the grace
    std::this_thread::sleep_until(started + std::chrono::milliseconds(3500));
    EXPECT_FALSE(std::filesystem::exists(late));
}

// The window's cancel, from another thread: the program and its group end at once, and a
// program not yet started is not started.
TEST_F(Scripts, CancelFromAnotherThreadEndsTheGroupAtOnceOrStartsNothing) {
    const std::string started = dir / "started";
    const std::string late = dir / "late";
    const std::string script = ScriptPath(
        "sleeper", "touch '" + started + "'\n(sleep 1; echo late > '" + late + "') &\nsleep 30\n");
    for (const bool beforeStart : {true, false}) {
        SCOPED_TRACE(beforeStart);
        std::filesystem::remove(started);
        upd::CancelToken cancel;
        if (beforeStart) {
            cancel.Cancel();
        }
        std::thread canceller([&] {
            if (!beforeStart) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                cancel.Cancel();
            }
        });
        const auto begun = std::chrono::steady_clock::now();
        const auto outcome = upd::RunAndWait(upd::Command{script, {}, {}, {}}, {}, {}, cancel);
        canceller.join();
        EXPECT_TRUE(outcome.cancelled);
        // Ended members not yet reaped by init count until the grace of the SIGKILL is over.
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(2500));
        EXPECT_EQ(std::filesystem::exists(started), !beforeStart);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(std::filesystem::exists(late));
}

// A background child of the program ends with it, after a success, a failure or a cancel.
TEST_F(Scripts, NoBackgroundChildOutlivesTheProgram) {
    const std::string late = dir / "late";
    for (const std::string ending : {"exit 0", "exit 3", "sleep 30"}) {
        const bool cancelled = ending == "sleep 30";
        const std::string script =
            ScriptPath("leaves", "(sleep 1; echo late > '" + late + "') &\n" + ending + "\n");
        upd::CancelToken cancel;
        const auto outcome = upd::RunAndWait(
            upd::Command{script, {}, {}, {}}, {}, [&] { cancelled ? cancel.Cancel() : void(); },
            cancel);
        EXPECT_EQ(outcome.cancelled, cancelled) << ending;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(std::filesystem::exists(late));
}

// The archiver's progress must reach the job while it works, not at its end.
TEST_F(Scripts, OutputIsHandedOnAsItArrives) {
    const std::string script =
        ScriptPath("talk", "printf ' 10%%'\nsleep 0.5\necho ' 90%' >&2\nsleep 0.5\n");
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    std::string handed;
    std::vector<Clock::duration> when;
    const auto outcome =
        updtest::Run(upd::Command{script, {}, {}, {}}, [&](std::string_view chunk) {
            handed += chunk;
            when.push_back(Clock::now() - started);
        });
    const auto took = Clock::now() - started;
    EXPECT_EQ(handed, " 10% 90%\n");
    EXPECT_EQ(outcome.outputTail, handed);
    ASSERT_FALSE(when.empty());
    EXPECT_LT(when.front(), took - std::chrono::milliseconds(500)) << "only at the end";
}
#endif

}  // namespace
