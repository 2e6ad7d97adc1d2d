#include <gtest/gtest.h>

#include <filesystem>

#include "ops/UpdateArchive.h"
#include "support/Failure.h"
#include "support/FakeServices.h"
#include "support/TestFiles.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"

namespace {

namespace fs = std::filesystem;
using updtest::FailureOf;
using updtest::FakeServices;
using updtest::FolderEntries;
using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;
using Calls = std::vector<std::string>;

const std::string kArchiverChooser = "ChooseFile: SevenZip|* / Изберете път до SevenZip.exe";
const std::string kOutputChooser =
    "ChooseFile: Upd файлове|*.upd / Изберете път за запис на update архива";
const std::string kDone = "ShowInfo: Готово!";
const std::string kNoDescriptor =
    "В папката с файловете за ъпдейт трябва да съществува описващия ъпдейта файл descriptor.xml!";

TEST(ArchiverCommandLine, IsBuiltPieceByPiece) {
    const struct {
        std::string password, folder, expected;
    } cases[] = {
        {"KORVE482tm915$", "/patch", R"("/t/SEVENZIP" a -pKORVE482tm915$ "/o/u1.upd" "/patch/*")"},
        {"KORVE482tm915$", "/patch/", R"("/t/SEVENZIP" a -pKORVE482tm915$ "/o/u1.upd" "/patch/*")"},
        {"one two", "/p", R"("/t/SEVENZIP" a "-pone two" "/o/u1.upd" "/p/*")"},
        {"tab\there", "/p", "\"/t/SEVENZIP\" a \"-ptab\there\" \"/o/u1.upd\" \"/p/*\""},
        {"back\\slash", "/p", R"("/t/SEVENZIP" a -pback\slash "/o/u1.upd" "/p/*")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::ArchiverCommandLine("/t/SEVENZIP", c.password, "/o/u1.upd", c.folder),
                  c.expected);
        const auto arguments = upd::SplitCommandLine(c.expected);
        ASSERT_EQ(arguments.size(), 5u);
        EXPECT_EQ(arguments[2], "-p" + c.password);  // exactly the password typed
    }
}

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
    EXPECT_EQ(upd::DefaultArchiverPath(), upd::ExecutableDirectory() + "SEVENZIP");
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

    // A stand-in archiver that records its arguments, writes a partial archive, prints two
    // lines and exits with the given code.
    std::string StandIn(int exitCode) {
        const std::string path = dir / "stand-in";
        WriteBytes(path, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" + (dir / "args") +
                             "\"\necho partial > \"$3\"\necho 'Scanning the drive'\n"
                             "echo 'ERROR: something broke'\nexit " +
                             std::to_string(exitCode) + "\n");
        fs::permissions(upd::ToPath(path), fs::perms::owner_all);
        return path;
    }

    int Tool(const std::string& verb, const std::string& password, const std::string& archive) {
        const std::string line =
            "\"" + archiver + "\" " + verb + " \"-p" + password + "\" \"" + archive + "\"";
        return upd::RunAndWait(line).exitCode;
    }

    std::string Listing(const std::string& archive) {
        return upd::RunAndWait("\"" + archiver + "\" l \"" + archive + "\"").outputTail;
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
        {patch, "with\"quote",
         "Паролата не може да съдържа знака \" (двойни кавички): "
         "архиваторът не може да я получи."},
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
    EXPECT_EQ(services.calls, (Calls{kArchiverChooser, kOutputChooser, kDone}));
    EXPECT_TRUE(fs::exists(upd::ToPath(output)));
}

TEST_F(UpdateArchive, CancellingTheOutputChooserIsQuietAndRunsNothing) {
    const std::string standIn = StandIn(0);
    upd::GenerateUpdateArchive(patch, "pw", services, standIn);
    EXPECT_EQ(services.calls, Calls{kOutputChooser});
    EXPECT_FALSE(fs::exists(dir.Path() / "args"));
    EXPECT_TRUE(FolderEntries(upd::ToPath(outputFolder)).empty());
}

TEST_F(UpdateArchive, ArchiverGetsOneArgumentPerPieceAndATemporaryUpdPath) {
    services.files = {outputFolder + "/u2"};
    upd::GenerateUpdateArchive(patch, "one two", services, StandIn(0));
    std::istringstream args(ReadBytes(dir / "args"));
    Calls lines;
    for (std::string line; std::getline(args, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "-pone two");
    EXPECT_EQ(fs::path(upd::ToPath(lines[2])).parent_path(), upd::ToPath(outputFolder));
    EXPECT_TRUE(lines[2].ends_with(".upd"));
    EXPECT_NE(lines[2], outputFolder + "/u2.upd");
    EXPECT_EQ(lines[3], patch + "/*");
    EXPECT_EQ(ReadBytes(outputFolder + "/u2.upd"), "partial\n");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u2.upd"});
}

TEST_F(UpdateArchive, FailingArchiverIsReportedAndKeepsTheExistingArchive) {
    WriteBytes(output, "published archive");
    services.files = {output};
    const std::string message =
        FailureOf([&] { upd::GenerateUpdateArchive(patch, "secret pw", services, StandIn(2)); });
    EXPECT_TRUE(message.starts_with("Архиваторът завърши с код 2 (фатална грешка).")) << message;
    EXPECT_NE(message.find("ERROR: something broke"), std::string::npos);
    EXPECT_EQ(message.find("secret pw"), std::string::npos);
    EXPECT_EQ(services.calls, Calls{kOutputChooser});
    EXPECT_EQ(ReadBytes(output), "published archive");
    EXPECT_EQ(FolderEntries(upd::ToPath(outputFolder)), Calls{"u1.upd"});
}

TEST_F(UpdateArchive, RealArchiveOpensWithExactlyThePasswordTyped) {
    const std::string passwords[] = {"KORVE482tm915$", "one two  three", "Парола с интервал",
                                     "-starts-with-dash", "back\\slash\\"};
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

}  // namespace
