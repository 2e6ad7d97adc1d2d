#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "container/UpdContainer.h"
#include "ops/IndexCommands.h"
#include "ui/Commands.h"
#ifndef _WIN32
#include "support/ChildProcess.h"  // drops privileges: POSIX only
#include "support/NonRegularFiles.h"
#endif
#include "support/Failure.h"
#include "support/FakeServices.h"
#include "support/TestFiles.h"
#include "util/OperationError.h"

namespace {

namespace fs = std::filesystem;
using updtest::FailureOf;
using updtest::FakeServices;
using updtest::FolderEntries;
using updtest::ReadBytes;
using updtest::TempDir;
using updtest::WriteBytes;
using Calls = std::vector<std::string>;

const std::string kPackCaption = "ChooseFolder: Директория, в която да се запише updates.upd";
const std::string kRestoreCaption = "ChooseFolder: Директория, в която да се запише updates.xml";
const std::string kDone = "ShowInfo: Готово!";
const std::string kWorkEnded = "WorkEnded";

class IndexCommands : public ::testing::Test {
  protected:
    TempDir dir;
    FakeServices services;
    std::string index = dir / "updates.xml";
    std::string out = dir / "изход";

    void SetUp() override {
        WriteBytes(index, "<updates><update name=\"u1.upd\"/></updates>");
        fs::create_directory(upd::ToPath(out));
    }
};

// Generate, then restore: each says done, and the index comes back byte for byte.
TEST_F(IndexCommands, GenerateAndRestoreCloseTheRoundTrip) {
    services.folders = {out};
    upd::GenerateIndexPackage(index, services);
    EXPECT_EQ(services.calls, (Calls{kPackCaption, kWorkEnded, kDone}));
    const auto entries = upd::ListEntries(out + "/updates.upd");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "updates.xml");
    const std::string restored = dir / "restored";
    fs::create_directory(upd::ToPath(restored));
    FakeServices restore;
    restore.folders = {restored};
    upd::RestoreIndex(out + "/updates.upd", restore);
    EXPECT_EQ(restore.calls, (Calls{kRestoreCaption, kWorkEnded, kDone}));
    EXPECT_EQ(ReadBytes(restored + "/updates.xml"), ReadBytes(index));
}

TEST_F(IndexCommands, GenerateRechecksTheIndex) {
    // The index disappears while the folder chooser is open.
    struct Vanishing : FakeServices {
        std::string file;
        std::string ChooseFolder(const std::string& caption) override {
            fs::remove(upd::ToPath(file));
            return FakeServices::ChooseFolder(caption);
        }
    } vanishing;
    vanishing.file = index;
    vanishing.folders = {dir / "no-such-folder"};
    EXPECT_EQ(FailureOf([&] { upd::GenerateIndexPackage(index, vanishing); }),
              index + " не съществува!");
}

TEST_F(IndexCommands, GenerateNamesTheEntryAfterTheSourceAndReplacesTheOldPackage) {
    const std::string my = dir / "my.xml";
    WriteBytes(my, "");
    WriteBytes(out + "/updates.upd", "old");
    services.folders = {out + "/"};
    upd::GenerateIndexPackage(my, services);
    const auto entries = upd::ListEntries(out + "/updates.upd");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "my.xml");
    EXPECT_EQ(entries[0].size, 0);
    EXPECT_EQ(FolderEntries(upd::ToPath(out)), Calls{"updates.upd"});
}

// Both commands check their input before any dialog, say nothing after a cancelled chooser,
// and name a chosen folder that is gone.
TEST_F(IndexCommands, CheckTheInputFirstAreQuietWhenCancelledAndNameAMissingFolder) {
    const std::string package = dir / "updates.upd";
    upd::PackFiles({index}, package);
    std::vector<std::string> invalid = {"", dir.Text(), dir / "missing"};
#ifndef _WIN32
    updtest::MakeFifo(dir / "fifo");  // would block the window for good; a device never ends
    invalid.insert(invalid.end(), {dir / "fifo", "/dev/zero"});
#endif
    using Command = std::function<void(const std::string&, FakeServices&)>;
    const struct {
        Command run;
        std::string input, caption, invalidMessage;
    } commands[] = {
        {[](auto& path, auto& s) { upd::GenerateIndexPackage(path, s); }, index, kPackCaption,
         "Невалиден път до updates.xml!"},
        {[](auto& path, auto& s) { upd::RestoreIndex(path, s); }, package, kRestoreCaption,
         "Невалиден път до updates.upd!"},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.caption);
        for (const std::string& path : invalid) {
            FakeServices asked;
            asked.folders = {out};
            EXPECT_EQ(FailureOf([&] { c.run(path, asked); }), c.invalidMessage) << path;
            EXPECT_TRUE(asked.calls.empty()) << path;
        }
        FakeServices cancelled;  // the chooser answers "cancelled"
        c.run(c.input, cancelled);
        EXPECT_EQ(cancelled.calls, Calls{c.caption});
        FakeServices gone;
        gone.folders = {dir / "gone"};
        EXPECT_EQ(FailureOf([&] { c.run(c.input, gone); }), dir / "gone" + " не съществува!");
        EXPECT_EQ(gone.calls, (Calls{c.caption, kWorkEnded}));
    }
    EXPECT_EQ(FolderEntries(upd::ToPath(out)), Calls{});
}

// An empty package restores nothing and says done; a broken one fails with the container's
// message and no "Готово!".
TEST_F(IndexCommands, RestoreOfAnEmptyOrBrokenPackage) {
    const struct {
        std::string bytes, failure;
        Calls calls;
    } cases[] = {{std::string(4, '\0'), "(no error)", {kRestoreCaption, kWorkEnded, kDone}},
                 {std::string("\x01\x00\x00\x00\x05\x00\x00\x00", 8),
                  "Stream read error",
                  {kRestoreCaption, kWorkEnded}}};
    for (const auto& c : cases) {
        WriteBytes(dir / "package.upd", c.bytes);
        FakeServices restore;
        restore.folders = {out};
        EXPECT_EQ(FailureOf([&] { upd::RestoreIndex(dir / "package.upd", restore); }), c.failure);
        EXPECT_EQ(restore.calls, c.calls);
        EXPECT_TRUE(FolderEntries(upd::ToPath(out)).empty());
    }
}

// The jobs ask nothing: every input comes as an argument and is checked there.
TEST_F(IndexCommands, JobsTakeTheirInputsAsArgumentsAndCheckThem) {
    const std::string package = out + "/updates.upd";
    const std::string missing = dir / "missing";
    upd::StepControl control;
    using Job = std::function<void()>;
    const struct {
        const char* what;
        Job job;
        std::string message;
    } failures[] = {
        {"pack: no index", [&] { upd::PackIndexJob(missing, out, control); },
         missing + " не съществува!"},
        {"pack: index is a folder", [&] { upd::PackIndexJob(out, out, control); },
         out + " не съществува!"},
        {"pack: no folder", [&] { upd::PackIndexJob(index, missing, control); },
         missing + " не съществува!"},
        {"pack: empty folder", [&] { upd::PackIndexJob(index, "", control); }, " не съществува!"},
        {"restore: no folder", [&] { upd::UnpackIndexJob(package, missing, control); },
         missing + " не съществува!"},
        {"restore: empty folder", [&] { upd::UnpackIndexJob(package, "", control); },
         " не съществува!"},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(FailureOf(f.job), f.message) << f.what;
    }
    EXPECT_EQ(FolderEntries(upd::ToPath(out)), Calls{});

    upd::PackIndexJob(index, out, control);
    const std::string restored = dir / "restored";
    fs::create_directory(upd::ToPath(restored));
    upd::UnpackIndexJob(package, restored, control);
    EXPECT_EQ(ReadBytes(restored + "/updates.xml"), ReadBytes(index));
}

// A cancel in the middle of a large pack or restore: the step ends at once, reports of its
// phase came before, and the old output is kept byte for byte with no temporary file left.
TEST_F(IndexCommands, CancelledPackAndRestoreKeepTheOldOutput) {
    const std::string big = dir / "big/updates.xml";
    fs::create_directory(upd::ToPath(dir / "big"));
    WriteBytes(big, updtest::RandomBytes(8 << 20, 5));  // incompressible: many reports
    upd::PackFiles({big}, dir / "big.upd");
    const struct {
        upd::Step step;
        upd::WorkPhase phase;
    } cases[] = {{upd::PackStep({big}, out + "/updates.upd"), upd::WorkPhase::Packing},
                 {upd::UnpackStep(dir / "big.upd", out), upd::WorkPhase::Restoring}};
    for (const auto& c : cases) {
        WriteBytes(out + "/updates.upd", "old package");
        WriteBytes(out + "/updates.xml", "old index");
        std::vector<upd::WorkProgress> reports;
        upd::StepControl control([&](const upd::WorkProgress& progress) {
            reports.push_back(progress);
            if (progress.percent >= 10) {
                control.Cancel();
            }
        });
        ASSERT_EQ(c.step(control), upd::StepResult::Cancelled);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().phase, c.phase);
        EXPECT_LT(reports.back().percent, 20);
        EXPECT_GT(reports.back().outputBytes, 0);
        EXPECT_EQ(ReadBytes(out + "/updates.upd"), "old package");
        EXPECT_EQ(ReadBytes(out + "/updates.xml"), "old index");
        EXPECT_EQ(FolderEntries(upd::ToPath(out)), (Calls{"updates.upd", "updates.xml"}));
    }
}

// A NUL would cut a path short in every system call, which would then work on another file:
// each command refuses it, naming the path up to the NUL, before anything is asked or written.
TEST_F(IndexCommands, PathsWithANulAreRefusedBeforeAnySystemCall) {
    const std::string withNul = index + std::string("\0.bak", 5);  // cut: the existing index
    const std::function<void()> calls[] = {
        [&] { upd::GenerateIndexPackage(withNul, services); },
        [&] { upd::RestoreIndex(withNul, services); },
        [&] { upd::PackFiles({index}, withNul); },
    };
    for (const auto& call : calls) {
        EXPECT_EQ(FailureOf(call), "Пътят съдържа нулев знак (NUL) след \"" + index +
                                       "\" и не може да бъде използван.");
    }
    EXPECT_TRUE(services.calls.empty());
    EXPECT_EQ(FolderEntries(dir.Path()), (Calls{"updates.xml", "изход"}));
    EXPECT_EQ(ReadBytes(index), "<updates><update name=\"u1.upd\"/></updates>");
}

#ifndef _WIN32
// A user changes an input while the folder chooser is open, after the command's first check.
struct ChangingServices : FakeServices {
    std::function<void()> change;
    std::string ChooseFolder(const std::string& caption) override {
        change();
        return FakeServices::ChooseFolder(caption);
    }
};

// Runs unprivileged, as file permissions do not hold back root.
TEST_F(IndexCommands, InputLostDuringTheChooserFailsAndKeepsTheOutputs) {
    const std::string package = dir / "updates.upd";
    const auto lock = [](const std::string& path) {
        return [path] { fs::permissions(upd::ToPath(path), fs::perms::none); };
    };
    using Command = std::function<void(upd::InteractionServices&)>;
    const Command generate = [&](auto& s) { upd::GenerateIndexPackage(index, s); };
    const Command restore = [&](auto& s) { upd::RestoreIndex(package, s); };
    const struct {
        const char* what;
        std::function<void()> change;
        Command command;
        std::string message;
    } cases[] = {
        {"index made unreadable", lock(index), generate,
         upd::CannotOpenMessage(upd::ToPath(index), EACCES)},
        {"package made unreadable", lock(package), restore,
         upd::CannotOpenMessage(upd::ToPath(package), EACCES)},
        {"package removed", [&] { fs::remove(upd::ToPath(package)); }, restore,
         upd::CannotOpenMessage(upd::ToPath(package), ENOENT)},
    };
    for (const fs::path& folder : {dir.Path(), upd::ToPath(out)}) {
        fs::permissions(folder, fs::perms(0755));
        updtest::HandToUnprivilegedUser(folder);  // to remove the package, to write a temporary
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(out + "/updates.upd", "previous package");
        WriteBytes(out + "/updates.xml", "user's index");
        fs::permissions(upd::ToPath(index), fs::perms(0644));  // the last case may have locked it
        upd::PackFiles({index}, package);
        for (const std::string& input : {index, package}) {
            fs::permissions(upd::ToPath(input), fs::perms(0644));
            updtest::HandToUnprivilegedUser(upd::ToPath(input));  // so that it may lock them
        }
        for (const char* output : {"/updates.upd", "/updates.xml"}) {
            updtest::HandToUnprivilegedUser(upd::ToPath(out + output));  // it may replace them
        }
        ChangingServices changing;
        changing.change = c.change;
        changing.folders = {out};
        EXPECT_EQ(updtest::RunUnprivileged([&] { c.command(changing); }), c.message);
        EXPECT_EQ(ReadBytes(out + "/updates.upd"), "previous package");
        EXPECT_EQ(ReadBytes(out + "/updates.xml"), "user's index");
        EXPECT_EQ(FolderEntries(upd::ToPath(out)), (Calls{"updates.upd", "updates.xml"}));
    }
}

#endif

}  // namespace
