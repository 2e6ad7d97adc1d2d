#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

#include "container/UpdContainer.h"
#include "ops/UpdateArchive.h"
#include "support/Failure.h"
#include "support/FakeServices.h"
#include "support/Links.h"
#include "support/Programs.h"
#include "support/TestFiles.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "support/ChildProcess.h"
#include "support/NonRegularFiles.h"
#endif
#include "support/ThreadedServices.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"
#include "util/Text.h"

namespace {

namespace fs = std::filesystem;
using updtest::FailureOf;
using updtest::FakeServices;
using updtest::FolderEntries;
using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;
using Calls = std::vector<std::string>;

TEST(WithUpdExtension, AddsTheExtensionCaseSensitively) {
    const std::pair<std::string, std::string> cases[] = {{"x.upd", "x.upd"},
                                                         {"x.UPD", "x.UPD.upd"},
                                                         {"x", "x.upd"},
                                                         {"x.upd.bak", "x.upd.bak.upd"},
                                                         {"/dir.upd/x", "/dir.upd/x.upd"}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(upd::WithUpdExtension(in), out);
    }
}

TEST(DefaultArchiverPath, IsNextToTheExecutable) {
#ifdef _WIN32
    EXPECT_EQ(upd::DefaultArchiverPath(), upd::ExecutableDirectory() + "SEVENZIP.exe");
#else
    EXPECT_EQ(upd::DefaultArchiverPath(), upd::ExecutableDirectory() + "SEVENZIP");
#endif
}

// A line break would end the password early wherever it goes; a double quote cannot go on a
// Windows command line, but on POSIX the password goes on standard input.
TEST(CheckArchiveInputs, RefusesPasswordsTheArchiverCannotGetWhole) {
#ifdef _WIN32
    const bool quoteRefused = true;
#else
    const bool quoteRefused = false;
#endif
    TempDir dir;
    WriteBytes(dir / "descriptor.xml", "<d/>");
    const std::string lineBreak =
        "Паролата не може да съдържа нов ред: архиваторът не може да я получи.";
    const std::string quote =
        "Паролата не може да съдържа знака \" (двойни кавички): архиваторът не може да я получи.";
    const std::pair<std::string, std::string> cases[] = {
        {"two\nlines", lineBreak},
        {"ends in cr\r", lineBreak},
        {"\r\n", lineBreak},
        {"with \"quotes\"", quoteRefused ? quote : "(no error)"},
        {"Парола с интервал", "(no error)"},
        {std::string(1024, 'x'), "(no error)"},
        {std::regex_replace(std::string(1024, 'x'), std::regex("x"), "ъ"), "(no error)"},
        {std::string(1025, 'x'), "Паролата е твърде дълга: позволени са най-много 1024 знака."},
    };
    for (const auto& [password, message] : cases) {
        EXPECT_EQ(FailureOf([&] { upd::CheckArchiveInputs(dir.Text(), password); }), message)
            << password;
    }
}

// A patch folder holding anything but ordinary files and folders is refused before the
// archiver starts, naming the first such entry; the published archive stays.
TEST(PatchFolder, HostileOnesAreRefusedBeforeTheArchiverStarts) {
    TempDir dir;
    const std::string patch = dir / "patch";
    fs::create_directories(upd::ToPath(dir / "patch/sub"));
    fs::create_directory(upd::ToPath(dir / "outside"));
    WriteBytes(patch + "/descriptor.xml", "<d/>");
    WriteBytes(dir / "u1.upd", "published archive");
    const std::string link =
        "В папката с файловете за ъпдейт има връзка към друго място (symbolic link, junction): \"";
    using Make = std::function<bool(const fs::path&)>;
    const struct {
        const char* what;
        Make make;
        std::string message;
    } cases[] = {
        {"a link to a folder outside",
         [](const fs::path& at) { return updtest::MakeFolderLink(at, "../../outside"); }, link},
        {"a link to its parent: a loop",
         [](const fs::path& at) { return updtest::MakeFolderLink(at, ".."); }, link},
#ifndef _WIN32
        {"a link to a file outside",
         [](const fs::path& at) { return ::symlink("../../u1.upd", at.c_str()) == 0; }, link},
        {"a FIFO", [](const fs::path& at) { return ::mkfifo(at.c_str(), 0644) == 0; },
         "В папката с файловете за ъпдейт има нещо, което не е обикновен файл или папка: \""},
#endif
    };
    // The descriptor stands in for the archiver: running it would fail with another message.
    const upd::ArchiveJob job{patch + "/descriptor.xml", "pw", dir / "u1.upd", patch};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path at = upd::ToPath(patch + "/sub/entry");
        ASSERT_TRUE(c.make(at));
        upd::StepControl control;
        EXPECT_EQ(FailureOf([&] { upd::ArchiveStep(job)(control); }),
                  c.message + upd::AbsolutePathText(at) + "\". Нищо не е архивирано.");
        EXPECT_EQ(ReadBytes(dir / "u1.upd"), "published archive");
        EXPECT_EQ(FolderEntries(dir.Path()), (Calls{"outside", "patch", "u1.upd"}));
        updtest::RemoveLink(at);
    }
}

#ifndef _WIN32
// With shell-script stand-ins and the real 7zz; windows_test.cpp runs the Windows twin.
const std::string kArchiverChooser = "ChooseFile: SevenZip|* / Изберете път до SevenZip.exe";
const std::string kOutputChooser =
    "ChooseFile: Upd файлове|*.upd / Изберете път за запис на update архива";
const std::string kDone = "ShowInfo: Готово!";
const std::string kWorkEnded = "WorkEnded";
const std::string kNoDescriptor =
    "В папката с файловете за ъпдейт трябва да съществува описващия ъпдейта файл descriptor.xml!";

const std::string kRefusal =
    "\\n7-Zip 9.20  Copyright (c) 1999-2010 Igor Pavlov  2010-11-18\\n\\nError:\\n"
    "Incorrect command line\\n";

// A shell command printing a progress update as 7-Zip does with -bsp1: " 60% + big.bin",
// then backspaces, blanks and backspaces that erase it.
std::string PrintProgress(int percent, const std::string& file) {
    std::string text = std::to_string(percent) + "%% + " + file;
    text.insert(0, std::string(percent < 10 ? 2 : percent < 100 ? 1 : 0, ' '));
    const std::size_t width = text.size() - 1;  // "%%" shows as one character
    std::string erase;
    for (std::size_t i = 0; i < width; ++i) {
        erase += "\\b";
    }
    return "printf '" + text + erase + std::string(width, ' ') + erase + "'\n";
}

class UpdateArchive : public ::testing::Test {
  protected:
    TempDir dir;
    FakeServices services;
    std::string patch = dir / "пач";
    std::string outputFolder = dir / "изход";
    std::string output = outputFolder + "/u1.upd";
    std::string archiver = SEVENZIP_PROGRAM_PATH;

    void SetUp() override {
        fs::create_directories(upd::ToPath(patch + "/sub"));
        fs::create_directories(upd::ToPath(outputFolder));
        WriteBytes(patch + "/descriptor.xml", "<descriptor/>");
        WriteBytes(patch + "/sub/data.bin", updtest::RandomBytes(5000, 1));
    }

    // A stand-in archiver: runs onAny for every command, onAdd for the command "a" and onTest
    // for "t", then hands the call to the real 7-Zip (so the check of the archive is the real
    // one).
    std::string StandIn(const std::string& onAdd, const std::string& onTest = "",
                        const std::string& onAny = "") {
        const std::string path = dir / "stand-in";
        WriteBytes(path, "#!/bin/sh\n" + onAny + "\ncase \"$1\" in\na)\n" + onAdd + "\n;;\nt)\n" +
                             onTest + "\n;;\nesac\nexec '" + archiver + "' \"$@\"\n");
        fs::permissions(upd::ToPath(path), fs::perms::owner_all);
        return path;
    }
    std::string Recording() {
        return StandIn("for a in \"$@\"; do echo \"$a\"; done > '" + (dir / "args") +
                       "'\npwd >> '" + (dir / "args") + "'");
    }
    // Like 7-Zip 9.20, which knows no -b switch at all: "Incorrect command line" and exit
    // code 7, whatever the command.
    std::string Like920() {
        return StandIn("", "",
                       "echo \"$*\" >> '" + (dir / "calls") +
                           "'\nfor a; do case \"$a\" in -b*) printf '" + kRefusal +
                           "'; exit 7;; esac; done");
    }
    std::string Failing(int exitCode) {
        return StandIn(PrintProgress(0, "descriptor.xml") + PrintProgress(50, "sub/data.bin") +
                       "echo \"Scanning $3\"\necho 'ERROR: something broke'\nexit " +
                       std::to_string(exitCode));
    }

    // The password on a command line of the test's own.
    int Tool(const std::string& verb, const std::string& password, const std::string& archive) {
        return updtest::Run(upd::Command{archiver, {verb, "-p" + password, archive}, {}, {}})
            .exitCode;
    }

    std::string Listing(const std::string& archive) {
        return updtest::RunLine("\"" + archiver + "\" l \"" + archive + "\"").outputTail;
    }

    // The paths the archive holds, sorted.
    Calls Entries(const std::string& archive, const std::string& password) {
        upd::Command list{archiver, {"l", "-slt", "-ba", "-p" + password, archive}, {}, {}};
        std::istringstream in(updtest::Run(list).outputTail);
        Calls paths;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("Path = ")) {
                paths.push_back(line.substr(7));
            }
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

TEST_F(UpdateArchive, ChecksInOrderBeforeAnyChooser) {
    const struct {
        std::string folder, password, message;
    } cases[] = {
        {"", "pw", " не съществува!"},
        {dir / "missing", "", dir / "missing" + " не съществува!"},
        {dir.Text(), "", kNoDescriptor},  // the descriptor is checked before the password
        {patch, "", "Invalid password!"},
    };
    for (const auto& c : cases) {
        services.files = {archiver, output};
        EXPECT_EQ(FailureOf([&] {
                      upd::GenerateUpdateArchive(c.folder, c.password, services, dir / "none");
                  }),
                  c.message);
        EXPECT_TRUE(services.calls.empty());
    }
}

TEST_F(UpdateArchive, AsksForTheArchiverFirstWhenItIsMissing) {
    services.files = {"", output};
    EXPECT_EQ(FailureOf([&] { upd::GenerateUpdateArchive(patch, "pw", services, dir / "none"); }),
              " не съществува!");
    EXPECT_EQ(services.calls, Calls{kArchiverChooser});

    services.calls.clear();
    services.files = {dir / "nope", output};
    EXPECT_EQ(FailureOf([&] { upd::GenerateUpdateArchive(patch, "pw", services, dir / "none"); }),
              dir / "nope" + " не съществува!");

    services.calls.clear();
    services.files = {archiver, output};
    upd::GenerateUpdateArchive(patch, "pw", services, dir / "none");
    EXPECT_EQ(services.calls, (Calls{kArchiverChooser, kOutputChooser, kWorkEnded, kDone}));
    EXPECT_TRUE(fs::exists(upd::ToPath(output)));
}

TEST_F(UpdateArchive, CancellingTheOutputChooserIsQuietAndRunsNothing) {
    upd::GenerateUpdateArchive(patch, "pw", services, Recording());
    EXPECT_EQ(services.calls, Calls{kOutputChooser});
    EXPECT_FALSE(fs::exists(dir.Path() / "args"));
    EXPECT_TRUE(FolderEntries(upd::ToPath(outputFolder)).empty());
}

TEST_F(UpdateArchive, ArchiverRunsInTheFolderWithOneArgumentPerPieceAndATemporaryPath) {
    services.files = {outputFolder + "/u2"};
    upd::GenerateUpdateArchive(patch, "one two", services, Recording());
    std::istringstream args(ReadBytes(dir / "args"));
    Calls lines;
    for (std::string line; std::getline(args, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "-p");  // the password comes on standard input
    EXPECT_EQ(fs::path(upd::ToPath(lines[2])).parent_path(), upd::ToPath(outputFolder));
    EXPECT_TRUE(lines[2].ends_with(".tmp"));  // not taken for an update
    EXPECT_NE(lines[2], outputFolder + "/u2.upd");
    EXPECT_EQ(lines[3], "*");
    EXPECT_EQ(lines[4], "-bsp1");  // progress on standard output
    EXPECT_EQ(lines[5], patch);    // the working directory
    EXPECT_EQ(Entries(outputFolder + "/u2.upd", "one two"),
              (Calls{"descriptor.xml", "sub", "sub/data.bin"}));
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u2.upd"});
}

TEST_F(UpdateArchive, FailingArchiverIsReportedAndKeepsTheExistingArchive) {
    WriteBytes(output, "published archive");
    services.files = {output};
    const std::string message =
        FailureOf([&] { upd::GenerateUpdateArchive(patch, "secret pw", services, Failing(2)); });
    EXPECT_TRUE(message.starts_with("Архиваторът завърши с код 2 (фатална грешка). Архивът " +
                                    output + " не е създаден."))
        << message;
    EXPECT_NE(message.find("ERROR: something broke"), std::string::npos);
    // The line that followed the erased progress updates, without them.
    EXPECT_NE(message.find("\nScanning " + output + "\n"), std::string::npos) << message;
    EXPECT_EQ(message.find("secret pw"), std::string::npos);
    EXPECT_EQ(services.calls, (Calls{kOutputChooser, kWorkEnded}));
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
}

TEST_F(UpdateArchive, ArchiveThatFailsTheCheckNeverReplacesTheOutput) {
    const struct {
        std::string onAdd, messageStart;
    } cases[] = {
        {"echo garbage > \"$3\"\nexit 0", "Проверката на новия архив не успя: архиваторът не може"},
        {"cd .. && exec '" + archiver + "' \"$1\" \"$2\" \"$3\" \"$(basename \"$OLDPWD\")/*\"",
         "Проверката на новия архив не успя: в корена му няма descriptor.xml. Архивът " + output},
    };
    for (const auto& c : cases) {
        WriteBytes(output, "published archive");
        services.files = {output};
        services.calls.clear();
        const std::string message =
            FailureOf([&] { upd::GenerateUpdateArchive(patch, "pw", services, StandIn(c.onAdd)); });
        EXPECT_TRUE(message.starts_with(c.messageStart)) << message;
        EXPECT_EQ(message.find(".u1.upd."), std::string::npos) << message;  // no temporary name
        EXPECT_EQ(services.calls, (Calls{kOutputChooser, kWorkEnded}));
        EXPECT_EQ(ReadBytes(output), "published archive");
        EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
    }
}

TEST_F(UpdateArchive, CancelEndsTheArchiverAndWhatItStartedQuietly) {
    WriteBytes(output, "published archive");
    const std::string late = dir / "late";
    const std::string standIn = StandIn("(sleep 1; echo late > '" + late + "') &\nsleep 30");
    services.files = {output};
    services.continueFor = 2;
    const auto started = std::chrono::steady_clock::now();
    upd::GenerateUpdateArchive(patch, "pw", services, standIn);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(services.calls, (Calls{kOutputChooser, kWorkEnded}));  // no "Готово!", no error
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(fs::exists(upd::ToPath(late)));  // the archiver's child ended with it
}

// The window's way: the step on a worker, cancelled from this thread, which ends the
// archiver at once; a failure of the step comes back as its exception.
TEST_F(UpdateArchive, OnAWorkerTheStepReportsIsCancelledFromOutsideAndCarriesItsFailure) {
    WriteBytes(output, "published archive");
    const std::string late = dir / "late";
    {
        updtest::ThreadedServices threaded;
        threaded.files = {output};
        upd::GenerateUpdateArchive(patch, "pw", threaded,
                                   StandIn("(sleep 2; echo late > '" + late + "') &\nsleep 30"));
        ASSERT_TRUE(threaded.WaitForProgress(std::chrono::seconds(5)));
        const auto cancelled = std::chrono::steady_clock::now();
        threaded.Cancel();
        EXPECT_EQ(threaded.Finish(std::chrono::seconds(5)), upd::StepResult::Cancelled);
        // At most the grace before SIGKILL (ended members may wait for init to reap them).
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(3));
        EXPECT_EQ(threaded.calls, Calls{kOutputChooser});  // no "Готово!"
    }
    {
        updtest::ThreadedServices threaded;
        threaded.files = {output};
        upd::GenerateUpdateArchive(patch, "pw", threaded, Failing(2));
        EXPECT_TRUE(FailureOf([&] {
                        threaded.Finish(std::chrono::seconds(10));
                    }).starts_with("Архиваторът завърши с код 2"));
    }
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_FALSE(fs::exists(upd::ToPath(late)));  // the archiver's child ended with it
}

TEST_F(UpdateArchive, ProgressReportsTheGrowingArchiveAndThenTheCheck) {
    WriteBytes(patch + "/big.bin", updtest::RandomBytes(300'000, 2));
    const std::string keepRunning = PrintProgress(0, "big.bin") + PrintProgress(60, "big.bin") +
                                    "sleep 0.3\n'" + archiver +
                                    "' \"$@\" >/dev/null\nstatus=$?\nsleep 0.4\nexit $status";
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, StandIn(keepRunning, "sleep 0.4"));
    ASSERT_EQ(services.calls.back(), kDone);
    const auto size = std::int64_t(fs::file_size(upd::ToPath(output)));
    using upd::WorkPhase;
    bool sawFullSize = false, sawCheck = false, sawPercent = false;
    for (std::size_t i = 0; i < services.progress.size(); ++i) {
        const upd::WorkProgress& p = services.progress[i];
        sawFullSize |= p.phase == WorkPhase::Archiving && p.outputBytes == size;
        sawCheck |= p.phase == WorkPhase::Checking && p.outputBytes == size;
        sawPercent |= p.phase == WorkPhase::Archiving && p.percent == 60;
        if (i == 0) {
            continue;
        }
        const upd::WorkProgress& before = services.progress[i - 1];
        EXPECT_GE(p.phase, before.phase);  // the check comes last
        if (p.phase == before.phase) {
            EXPECT_GE(p.percent.value_or(0), before.percent.value_or(0));
        } else {
            EXPECT_EQ(p.percent, std::nullopt);  // the check's own, still unknown
        }
    }
    EXPECT_TRUE(sawFullSize);
    EXPECT_TRUE(sawCheck);
    EXPECT_TRUE(sawPercent);
}

TEST_F(UpdateArchive, ArchiverThatRefusesTheProgressSwitchIsCalledAgainWithoutIt) {
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, Like920());
    EXPECT_EQ(services.calls, (Calls{kOutputChooser, kWorkEnded, kDone}));
    EXPECT_EQ(Tool("t", "pw", output), 0);
    std::istringstream calls(ReadBytes(dir / "calls"));
    Calls verbs;
    for (std::string line; std::getline(calls, line);) {
        verbs.push_back(line.substr(0, line.find(' ')) +
                        (line.ends_with(" -bsp1") ? " -bsp1" : ""));
    }
    // Refused once; the check then goes without the switch at once, the listing without any.
    EXPECT_EQ(verbs, (Calls{"a -bsp1", "a", "t", "l"}));
    for (const upd::WorkProgress& p : services.progress) {
        EXPECT_EQ(p.percent, std::nullopt);  // a busy display
    }
}

TEST_F(UpdateArchive, UnableToRunNamesTheOutputAndHidesThePassword) {
    const std::string notRunnable = dir / "not-runnable";
    WriteBytes(notRunnable, "#!/bin/sh\n");
    services.files = {output};
    const std::string message =
        FailureOf([&] { upd::GenerateUpdateArchive(patch, "secret", services, notRunnable); });
    EXPECT_EQ(message, "(" + std::to_string(EACCES) + ") Unable to run \"" + notRunnable +
                           "\" a -p \"" + output + "\" \"" + patch + "/*\" -bsp1");
}

// Names that a shell, a command-line parser or the archiver's wildcards would read otherwise:
// the archive holds exactly the folder's own files, hidden ones too, at its root.
TEST_F(UpdateArchive, FolderNamesAreTakenLiterally) {
    const struct {
        std::string name, decoy;
    } cases[] = {{"pa\"tch", "patch"}, {"st*ar", "stXar"}, {"st?ar", "stYar"},
                 {"[ab]", "a"},        {"-dash x", "x"},   {"$HOME", "HOME"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir / c.name;
        fs::create_directories(upd::ToPath(dir / c.decoy));
        WriteBytes(dir / c.decoy + "/decoy.txt", "not mine");
        WriteBytes(dir / c.decoy + "/descriptor.xml", "<decoy/>");
        fs::create_directories(upd::ToPath(folder));
        WriteBytes(folder + "/descriptor.xml", "<d/>");
        WriteBytes(folder + "/.hidden", "h");
        services.files = {output};
        upd::GenerateUpdateArchive(folder, "pw", services, archiver);
        EXPECT_EQ(Entries(output, "pw"), (Calls{".hidden", "descriptor.xml"}));
    }
}

// Restores the current folder.
struct InFolder {
    fs::path previous = fs::current_path();
    explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(previous); }
};

TEST_F(UpdateArchive, RelativeFolderAndOutputAreTakenFromTheCurrentFolder) {
    const InFolder here(dir.Path());
    services.files = {"изход/rel"};
    upd::GenerateUpdateArchive("пач", "pw", services, archiver);
    EXPECT_EQ(Entries(outputFolder + "/rel.upd", "pw"),
              (Calls{"descriptor.xml", "sub", "sub/data.bin"}));
}

TEST_F(UpdateArchive, RealArchiveOpensWithExactlyThePasswordTyped) {
    const std::string passwords[] = {"KORVE482tm915$",
                                     "one two  three",
                                     "Парола с интервал",
                                     "-starts-with-dash",
                                     "back\\slash\\",
                                     "it's",
                                     "$HOME",
                                     "-",
                                     "with \"quotes\"",
                                     "\"",
                                     "Парола \"в\" кавички"};
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        services.files = {output};
        upd::GenerateUpdateArchive(patch, password, services, archiver);
        EXPECT_EQ(Tool("t", password, output), 0);
        EXPECT_NE(Tool("t", password + "x", output), 0);
        const std::string listing = Listing(output);
        EXPECT_NE(listing.find("descriptor.xml"), std::string::npos) << listing;
        EXPECT_NE(listing.find("sub/data.bin"), std::string::npos) << listing;
        EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
    }
}

// The output follows pack's rules, and may not lie inside the patch folder either. Run as an
// unprivileged user, to whom a write-protected file is one. A refusal changes nothing.
TEST_F(UpdateArchive, OutputRulesAreThoseOfPack) {
    const std::string index = dir / "updates.xml";
    WriteBytes(index, "<updates/>");
    updtest::HandToUnprivilegedUser(upd::ToPath(outputFolder));
    const std::string inPatch = patch + "/sub/u1.upd";
    const auto refused = [](const std::string& path, long code) {
        return upd::CannotCreateMessage(upd::ToPath(path), code);
    };
    const struct {
        const char* what;
        std::string chosen;
        unsigned oldMode;  // of a file standing at the output; 0: none
        std::string message;
        bool packToo;
    } cases[] = {
        {"mode 600", output, 0600, "", true},
        {"mode 640", output, 0640, "", true},
        {"write-protected", output, 0444, refused(output, EACCES), true},
        {"a folder", outputFolder + "/", 0, refused(outputFolder + "/", upd::kIsAFolder), true},
        {"a folder without /", outputFolder, 0, refused(outputFolder, upd::kIsAFolder), true},
        {"inside the patch folder", inPatch, 0,
         "Update архивът не може да бъде записан в папката с файловете за ъпдейт, защото ще "
         "влезе в следващия ѝ архив: \"" +
             inPatch + "\". Изберете място извън тази папка.",
         false},
    };
    for (const auto& c : cases) {
        for (const bool pack : {false, true}) {
            if (pack && !c.packToo) {
                continue;
            }
            SCOPED_TRACE(std::string(c.what) + (pack ? ": pack" : ": archive"));
            fs::remove(upd::ToPath(output));
            if (c.oldMode != 0) {
                WriteBytes(output, "old");
                fs::permissions(upd::ToPath(output), fs::perms(c.oldMode));
                updtest::HandToUnprivilegedUser(upd::ToPath(output));
            }
            services.files = {c.chosen};
            const std::string message = updtest::RunUnprivileged([&] {
                pack ? upd::PackFiles({index}, c.chosen)
                     : upd::GenerateUpdateArchive(patch, "pw", services, archiver);
            });
            EXPECT_EQ(message, c.message);
            if (c.oldMode != 0) {
                EXPECT_EQ(updtest::ModeOf(output), c.oldMode);
                EXPECT_EQ(ReadBytes(output) == "old", !c.message.empty());
            }
            if (c.message.empty() && !pack) {
                EXPECT_EQ(Tool("t", "pw", output), 0);
            }
            EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)).size(), c.oldMode != 0 ? 1u : 0u);
            EXPECT_EQ(FolderEntries(upd::ToPath(patch + "/sub")), Calls{"data.bin"});
        }
    }
}

// Any user can read a running program's command line: the archiver's never holds the password,
// which it reads from standard input in a pinned locale.
TEST_F(UpdateArchive, PasswordIsNeverOnTheArchiversCommandLine) {
    const std::string seen = dir / "seen";
    const std::string readOwn =
        "{ tr '\\0' ' ' < /proc/$$/cmdline; echo; tr '\\0' '\\n' "
        "< /proc/$$/environ | grep '^LC_ALL='; } >> '" +
        seen + "'";
    const std::string password = "secret \"пароля\"";
    services.files = {output};
    upd::GenerateUpdateArchive(patch, password, services, StandIn("", "", readOwn));
    ASSERT_EQ(services.calls.back(), kDone);
    std::istringstream lines(ReadBytes(seen));
    Calls verbs;
    for (std::string line, locale; std::getline(lines, line) && std::getline(lines, locale);) {
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;
        EXPECT_EQ(locale, "LC_ALL=C.UTF-8");
        verbs.push_back(line.substr(line.find("stand-in ") + 9, 1));
    }
    EXPECT_EQ(verbs, (Calls{"a", "t", "l"}));
    EXPECT_EQ(Tool("t", password, output), 0);
    EXPECT_NE(Tool("t", "secret", output), 0);
}

TEST_F(UpdateArchive, ArchivingAgainLeavesNoStaleEntries) {
    WriteBytes(patch + "/old-only.txt", "old");
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, archiver);
    ASSERT_NE(Listing(output).find("old-only.txt"), std::string::npos);

    fs::remove(upd::ToPath(patch + "/old-only.txt"));
    WriteBytes(patch + "/new-only.txt", "new");
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, archiver);
    const std::string listing = Listing(output);
    EXPECT_EQ(listing.find("old-only.txt"), std::string::npos) << listing;
    EXPECT_NE(listing.find("new-only.txt"), std::string::npos) << listing;
}
#endif

}  // namespace
