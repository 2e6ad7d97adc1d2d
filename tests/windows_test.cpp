// What only Windows can show: the ANSI code page, unshared file handles, the system's error
// texts and the archiver started with CreateProcessW. Run with a Cyrillic ANSI code page
// (under wine: LC_ALL=bg_BG.UTF-8).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "container/StoredName.h"
#include "container/UpdContainer.h"
#include "ops/UpdateArchive.h"
#include "support/Failure.h"
#include "support/FakeServices.h"
#include "support/Programs.h"
#include "support/TestFiles.h"
#include "support/ThreadedServices.h"
#include "support/WindowsProcess.h"
#include "util/File.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"

namespace {

namespace fs = std::filesystem;
using updtest::FailureOf;
using updtest::FolderEntries;
using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;
using Lines = std::vector<std::string>;

const char* const kNeedsCyrillic = "needs the ANSI code page 1251 (wine: LC_ALL=bg_BG.UTF-8)";
const std::string kCp1251Name = "\xCE\xE1\xED\xEE\xE2\xEB\xE5\xED\xE8\xFF.xml";  // Обновления.xml

std::string Int32(std::uint32_t value) {
    return {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

TEST(StoredNameOnWindows, IsTheTextAfterTheLastBackslashOrColonInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1251u) << kNeedsCyrillic;
    const std::pair<std::string, std::string> cases[] = {
        {R"(C:\work\updates.xml)", "updates.xml"},        {"D:updates.xml", "updates.xml"},
        {R"(\\server\share\updates.xml)", "updates.xml"}, {"C:/work/updates.xml", "updates.xml"},
        {R"(C:\папка\Обновления.xml)", kCp1251Name},      {"D:Ёж №1.xml", "\xA8\xE6 \xB9\x31.xml"},
    };
    for (const auto& [path, stored] : cases) {
        EXPECT_EQ(upd::StoredNameOf(path), stored) << path;
    }
    // No best-fit substitutes: é would become e, and the name another file's.
    for (const std::string name : {R"(C:\x\café.xml)", R"(C:\x\日本.xml)", R"(C:\x\ﬁle.xml)"}) {
        EXPECT_TRUE(FailureOf([&] { upd::StoredNameOf(name); }).starts_with("Името")) << name;
    }
}

TEST(StoredNameOnWindows, CyrillicFileIsPackedUnderItsCp1251NameAndRestored) {
    ASSERT_EQ(GetACP(), 1251u) << kNeedsCyrillic;
    TempDir dir;
    fs::create_directory(upd::ToPath(dir / "папка"));
    fs::create_directory(upd::ToPath(dir / "изход"));
    const std::string source = dir.Text() + R"(\папка\Обновления.xml)";
    WriteBytes(source, "<updates/>");
    upd::PackFiles({source}, dir / "updates.upd");
    EXPECT_EQ(ReadBytes(dir / "updates.upd").substr(0, 22), Int32(1) + Int32(14) + kCp1251Name);

    upd::UnpackFiles(dir / "updates.upd", dir / "изход");
    EXPECT_EQ(FolderEntries(upd::ToPath(dir / "изход")), Lines{"Обновления.xml"});
    EXPECT_EQ(ReadBytes(dir.Text() + R"(\изход\Обновления.xml)"), "<updates/>");
}

// Another handle, even one that would share everything.
long OpenAgain(const std::string& path) {
    const HANDLE handle = CreateFileW(upd::ToPath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return long(GetLastError());
    }
    CloseHandle(handle);
    return 0;
}

TEST(FilesOnWindows, AreOpenedWithoutSharing) {
    TempDir dir;
    WriteBytes(dir / "источник.xml", "x");
    upd::File reading;
    ASSERT_EQ(reading.OpenRead(upd::ToPath(dir / "источник.xml")), 0);
    EXPECT_EQ(OpenAgain(dir / "источник.xml"), ERROR_SHARING_VIOLATION);
    upd::File writing;
    ASSERT_EQ(writing.CreateNew(upd::ToPath(dir / "нов.upd")), 0);
    EXPECT_EQ(OpenAgain(dir / "нов.upd"), ERROR_SHARING_VIOLATION);

    reading = upd::File();
    EXPECT_EQ(OpenAgain(dir / "источник.xml"), 0);  // released with the handle
}

TEST(FilesOnWindows, LockedFilesGiveTheOpenMessageWithTheSystemText) {
    TempDir dir;
    const std::string source = dir / "updates.xml";
    const std::string packed = dir / "updates.upd";
    WriteBytes(source, "<updates/>");
    WriteBytes(packed, "previous package");
    for (const std::string& locked : {source, packed}) {
        SCOPED_TRACE(locked);
        std::string message;
        {
            const HANDLE lock = CreateFileW(upd::ToPath(locked).c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
            const std::unique_ptr<void, decltype(&CloseHandle)> closer(lock, &CloseHandle);
            message = locked == source ? FailureOf([&] { upd::PackFiles({source}, packed); })
                                       : FailureOf([&] { upd::UnpackFiles(packed, dir.Text()); });
        }
        EXPECT_EQ(message, "Cannot open file \"" + locked + "\". " +
                               upd::SystemErrorText(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(ReadBytes(packed), "previous package");
        EXPECT_EQ(FolderEntries(dir.Path()), (Lines{"updates.upd", "updates.xml"}));
    }
}

TEST(FilesOnWindows, ReadOnlyOutputIsRefusedAndOtherAttributesAreKept) {
    TempDir dir;
    const std::string source = dir / "updates.xml";
    const std::string packed = dir / "updates.upd";
    const fs::path path = upd::ToPath(packed);
    WriteBytes(source, "<updates/>");
    WriteBytes(packed, "previous package");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FailureOf([&] { upd::PackFiles({source}, packed); }),
              upd::CannotCreateMessage(path, ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadBytes(packed), "previous package");
    EXPECT_EQ(FolderEntries(dir.Path()), (Lines{"updates.upd", "updates.xml"}));

    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    upd::PackFiles({source}, packed);
    constexpr DWORD kSeen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;  // wine sets ARCHIVE
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & kSeen, DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(upd::ListEntries(packed).size(), 1u);
}

// A device reads without end or waits for input: it is no package to read.
TEST(FilesOnWindows, DeviceIsNoPackageToRead) {
    TempDir dir;
    EXPECT_EQ(FailureOf([&] { upd::UnpackFiles("NUL", dir.Text()); }),
              upd::CannotOpenMessage(upd::ToPath("NUL"), upd::kNotARegularFile));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST(FilesOnWindows, SystemTextsAreOneLineWithoutTheFullStop) {
    for (const long code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                            ERROR_SHARING_VIOLATION, ERROR_DISK_FULL}) {
        const std::string text = upd::SystemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_NE(text.back(), ' ') << text;
        EXPECT_FALSE(text.starts_with("System error")) << text;
    }
    EXPECT_EQ(upd::SystemErrorText(0x3FFFFFFF), "System error 1073741823");
}

const std::string kArchiverChooser =
    "ChooseFile: SevenZip.exe|*.exe / Изберете път до SevenZip.exe";
const std::string kOutputChooser =
    "ChooseFile: Upd файлове|*.upd / Изберете път за запис на update архива";
const std::string kDone = "ShowInfo: Готово!";
const std::string kWorkEnded = "WorkEnded";

// The stand-in archiver in a Cyrillic folder, with a patch folder and an output folder.
class StandIn : public ::testing::Test {
  protected:
    TempDir dir;
    std::string tools = dir / "инструменти";
    std::string patch = dir / "пач";
    std::string outputFolder = dir / "изход";
    std::string output = outputFolder + "\\u1.upd";
    updtest::FakeServices services;

    void SetUp() override {
        for (const std::string& folder : {tools, patch, outputFolder}) {
            fs::create_directory(upd::ToPath(folder));
        }
        WriteBytes(patch + "\\descriptor.xml", "<descriptor/>");
    }
    std::string Install(int exitCode) {
        return updtest::InstallArchiverStandIn(tools, "SEVENZIP.exe", exitCode);
    }
    Lines Recorded() const {
        std::istringstream in(ReadBytes(tools + "\\arguments.txt"));
        Lines lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    std::string Startup() const { return ReadBytes(tools + "\\startup.txt"); }
    // What the stand-in does; see support/ArchiverStandIn.cpp.
    void Mode(const std::string& mode) const { WriteBytes(tools + "\\mode.txt", mode); }
};

TEST_F(StandIn, RunAndWaitStartsTheProgramHiddenAndReturnsItsExitCode) {
    for (const int code : {0, 1, 2, 255}) {
        // Named, not "..." + Install(): GCC 12 warns falsely (-Wrestrict) about "..." + a
        // temporary.
        const std::string program = Install(code);
        const std::string line = "\"" + program + "\" e \"-pone two\" \"" + patch + "\"";
        EXPECT_EQ(updtest::RunLine(line).exitCode, code);
        EXPECT_EQ(Recorded(), (Lines{"e", "-pone two", patch}));
        EXPECT_EQ(Startup(), line + "\nshow-window 1 0\n");  // STARTF_USESHOWWINDOW, SW_HIDE
    }
}

TEST_F(StandIn, FailureToStartNamesTheSystemCodeAndTheCommandLine) {
    WriteBytes(tools + "\\not-a-program.exe", "text, not a program");
    const std::pair<std::string, long> cases[] = {
        {"\"" + tools + "\\missing.exe\" a -px", ERROR_FILE_NOT_FOUND},
        {"\"" + tools + "\\not-a-program.exe\" a -px", ERROR_BAD_EXE_FORMAT},
    };
    for (const auto& [line, code] : cases) {
        const std::string codeText = std::to_string(code);
        EXPECT_EQ(FailureOf([&] { updtest::RunLine(line); }),
                  "(" + codeText + ") Unable to run " + line);
    }
}

// The line CreateProcess gets for the archive step: the folder's files named by their path.
TEST(ArchiveCommand, RunsTheFolderPatternWhole) {
    for (const std::string folder : {"D:\\patch", "D:\\patch\\"}) {
        const upd::Command command =
            upd::ArchiveCommand(R"(C:\Tools\SEVENZIP.exe)", "one two", R"(D:\out\u1.upd)", folder);
        EXPECT_EQ(upd::CommandLine(command),
                  R"("C:\Tools\SEVENZIP.exe" a "-pone two" "D:\out\u1.upd" "D:\patch\*")");
    }
}

TEST_F(StandIn, ArchiveCommandRunsTheArchiverWithThePasswordAsOneArgument) {
    const std::string password = "парола с  интервали";
    services.files = {outputFolder + "\\u1"};
    upd::GenerateUpdateArchive(patch, password, services, Install(0));
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded, kDone}));

    const Lines arguments = Recorded();
    ASSERT_EQ(arguments.size(), 5u);
    EXPECT_EQ(arguments[0], "a");
    EXPECT_EQ(arguments[1], "-p" + password);
    EXPECT_EQ(upd::ToPath(arguments[2]).parent_path(), upd::ToPath(outputFolder));
    EXPECT_TRUE(arguments[2].ends_with(".tmp")) << arguments[2];
    EXPECT_EQ(arguments[3], patch + "\\*");
    EXPECT_EQ(arguments[4], "-bsp1");           // progress on standard output
    EXPECT_EQ(ReadBytes(output), "partial\n");  // the archiver's output, moved into place
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
}

TEST_F(StandIn, FailingArchiverFailsTheCommandAndKeepsThePublishedArchive) {
    WriteBytes(output, "published archive");
    services.files = {output};
    const std::string message =
        FailureOf([&] { upd::GenerateUpdateArchive(patch, "secret", services, Install(2)); });
    EXPECT_TRUE(message.starts_with("Архиваторът завърши с код 2 (фатална грешка). Архивът " +
                                    output + " не е създаден."))
        << message;
    // Its output came through the pipe, the temporary archive named as the output, the
    // erased progress updates before it gone.
    EXPECT_NE(message.find("\nScanning " + output + "\n"), std::string::npos) << message;
    EXPECT_NE(message.find("ERROR: something broke"), std::string::npos) << message;
    EXPECT_EQ(message.find("secret"), std::string::npos);
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded}));
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
}

TEST_F(StandIn, ArchiveThatFailsTheCheckNeverReplacesTheOutput) {
    const std::pair<std::string, std::string> cases[] = {
        {"garbage", "Проверката на новия архив не успя: архиваторът не може да го отвори"},
        {"nested", "Проверката на новия архив не успя: в корена му няма descriptor.xml"},
    };
    const std::string archiver = Install(0);
    for (const auto& [mode, messageStart] : cases) {
        Mode(mode);
        WriteBytes(output, "published archive");
        services.files = {output};
        const std::string message =
            FailureOf([&] { upd::GenerateUpdateArchive(patch, "pw", services, archiver); });
        EXPECT_TRUE(message.starts_with(messageStart)) << message;
        EXPECT_EQ(ReadBytes(output), "published archive");
        EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
    }
}

// The archive's output follows pack's rules (read-only refused, other attributes kept, no
// folder), and may not lie inside the patch folder. A refusal changes nothing.
TEST_F(StandIn, ArchiveOutputRulesAreThoseOfPack) {
    const std::string archiver = Install(0);
    const fs::path path = upd::ToPath(output);
    const std::string archived = "(no error)";
    const struct {
        const char* what;
        std::string chosen;
        DWORD attributes;
        std::string message;
    } cases[] = {
        {"read-only", output, FILE_ATTRIBUTE_READONLY,
         upd::CannotCreateMessage(path, ERROR_ACCESS_DENIED)},
        {"hidden", output, FILE_ATTRIBUTE_HIDDEN, archived},
        {"a folder", outputFolder + "\\", 0,
         upd::CannotCreateMessage(upd::ToPath(outputFolder + "\\"), upd::kIsAFolder)},
        {"inside the patch folder", patch + "\\u1.upd", 0,
         "Update архивът не може да бъде записан в папката с файловете за ъпдейт, защото ще "
         "влезе в следващия ѝ архив: \"" +
             patch + "\\u1.upd\". Изберете място извън тази папка."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(output, "published archive");
        ASSERT_TRUE(
            SetFileAttributesW(path.c_str(), c.attributes ? c.attributes : FILE_ATTRIBUTE_NORMAL));
        services.files = {c.chosen};
        EXPECT_EQ(FailureOf([&] { upd::GenerateUpdateArchive(patch, "pw", services, archiver); }),
                  c.message);
        constexpr DWORD kSeen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
        EXPECT_EQ(GetFileAttributesW(path.c_str()) & kSeen, c.attributes);
        EXPECT_EQ(ReadBytes(output), c.message == archived ? "partial\n" : "published archive");
        EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
        EXPECT_EQ(FolderEntries(upd::ToPath(patch)), Lines{"descriptor.xml"});
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
}

// The percentage reaches the job while the archiver works, each phase its own.
TEST_F(StandIn, ProgressComesAsTheArchiverPrintsIt) {
    const std::string archiver = Install(0);
    Mode("progress");
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, archiver);
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded, kDone}));
    std::vector<int> archiving, checking;  // each percentage as it changed
    for (const upd::WorkProgress& progress : services.progress) {
        auto& seen = progress.phase == upd::WorkPhase::Checking ? checking : archiving;
        if (progress.percent && (seen.empty() || seen.back() != *progress.percent)) {
            seen.push_back(*progress.percent);
        }
    }
    EXPECT_EQ(archiving, (std::vector<int>{0, 50, 100})) << archiving.size();
    EXPECT_EQ(checking, (std::vector<int>{0, 100})) << checking.size();
}

TEST_F(StandIn, ArchiverThatRefusesTheProgressSwitchIsCalledAgainWithoutIt) {
    const std::string archiver = Install(0);
    Mode("old");
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", services, archiver);
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded, kDone}));
    EXPECT_EQ(ReadBytes(tools + "\\calls.txt"), "a -bsp1\na\nt\nl\n");
    EXPECT_EQ(Recorded().size(), 4u);  // the call that made the archive: today's command line
    for (const upd::WorkProgress& progress : services.progress) {
        EXPECT_EQ(progress.percent, std::nullopt);  // a busy display
    }
}

// The job object ends the archiver and the process it started.
TEST_F(StandIn, CancelEndsTheArchiverAndItsChildQuietly) {
    const std::string archiver = Install(0);
    Mode("child");
    WriteBytes(output, "published archive");
    services.files = {output};
    const std::string childStarted = tools + "\\child.txt";
    services.answer = [&](const upd::WorkProgress& progress) {
        return !fs::exists(upd::ToPath(childStarted)) && progress.elapsed.count() < 10000;
    };
    const auto started = std::chrono::steady_clock::now();
    upd::GenerateUpdateArchive(patch, "pw", services, archiver);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    ASSERT_TRUE(fs::exists(upd::ToPath(childStarted)));
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded}));
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
    Sleep(2500);
    EXPECT_FALSE(fs::exists(upd::ToPath(tools + "\\late.txt")));
}

// What the archiver leaves running ends with it after a success or a failure too (its job).
TEST_F(StandIn, NoChildOfTheArchiverOutlivesIt) {
    for (const int code : {0, 2}) {
        const std::string line = "\"" + Install(code) + "\" a -px \"" + output + "\"";
        Mode("leaves");
        EXPECT_EQ(updtest::RunLine(line).exitCode, code);
        EXPECT_TRUE(fs::exists(upd::ToPath(tools + "\\child.txt")));
        Sleep(2500);
        EXPECT_FALSE(fs::exists(upd::ToPath(tools + "\\late.txt"))) << code;
        fs::remove(upd::ToPath(tools + "\\child.txt"));
    }
}

// The window's way: the step on a worker, cancelled from this thread, which terminates the
// archiver's job at once.
TEST_F(StandIn, OnAWorkerACancelFromOutsideEndsTheArchiversJob) {
    const std::string archiver = Install(0);
    Mode("child");
    WriteBytes(output, "published archive");
    updtest::ThreadedServices threaded;
    threaded.files = {output};
    upd::GenerateUpdateArchive(patch, "pw", threaded, archiver);
    const std::string childStarted = tools + "\\child.txt";
    for (int i = 0; i < 500 && !fs::exists(upd::ToPath(childStarted)); ++i) {
        Sleep(20);
    }
    ASSERT_TRUE(fs::exists(upd::ToPath(childStarted)));
    const auto cancelled = std::chrono::steady_clock::now();
    threaded.Cancel();
    EXPECT_EQ(threaded.Finish(std::chrono::seconds(10)), upd::StepResult::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
    EXPECT_EQ(threaded.calls, Lines{kOutputChooser});
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Lines{"u1.upd"});
    Sleep(2500);
    EXPECT_FALSE(fs::exists(upd::ToPath(tools + "\\late.txt")));
}

// Removes what a test placed next to the test program.
struct RemovedAtEnd {
    std::vector<std::string> paths;
    ~RemovedAtEnd() {
        for (const std::string& path : paths) {
            std::error_code ignored;
            fs::remove(upd::ToPath(path), ignored);
        }
    }
};

TEST_F(StandIn, ArchiverIsTakenFromBesideTheProgramOrChosen) {
    const std::string beside = upd::DefaultArchiverPath();
    ASSERT_EQ(beside, upd::ExecutableDirectory() + "SEVENZIP.exe");
    ASSERT_FALSE(upd::FileExists(beside));
    services.files = {Install(0), output};
    upd::GenerateUpdateArchive(patch, "pw", services);
    EXPECT_EQ(services.calls, (Lines{kArchiverChooser, kOutputChooser, kWorkEnded, kDone}));
    EXPECT_EQ(Recorded().at(1), "-ppw");

    const std::string records = upd::ExecutableDirectory();
    const RemovedAtEnd placed{{beside, records + "arguments.txt", records + "startup.txt"}};
    fs::copy_file(upd::ToPath(tools + "\\SEVENZIP.exe"), upd::ToPath(beside));
    services.calls.clear();
    services.files = {output};
    upd::GenerateUpdateArchive(patch, "pw2", services);
    EXPECT_EQ(services.calls, (Lines{kOutputChooser, kWorkEnded, kDone}));
    EXPECT_EQ(ReadBytes(records + "arguments.txt").substr(0, 7), "a\n-ppw2");
}

}  // namespace
