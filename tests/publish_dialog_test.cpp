// The publication dialog's handlers, free of any toolkit: a form held in memory, the choosers
// and the step answered by FakeServices, real files in temporary folders.
#include <gtest/gtest.h>

#include <map>

#include "container/UpdContainer.h"
#include "support/FakeServices.h"
#include "support/TestFiles.h"
#include "ui/PublishDialog.h"
#include "util/OperationError.h"

namespace {

using namespace upd::form;
using updtest::TempDir;
using updtest::WriteBytes;

class MemoryForm : public PublishForm {
  public:
    std::map<Field, std::string> fields;
    std::vector<std::string> archives;
    std::vector<std::size_t> selected;
    std::vector<std::string> chosenFiles;
    std::vector<std::pair<std::string, std::string>> shown;  // title, text

    std::string Read(Field field) const override {
        return fields.count(field) ? fields.at(field) : "";
    }
    void Set(Field field, const std::string& text) override { fields[field] = text; }
    std::vector<std::string> Archives() const override { return archives; }
    void SetArchives(const std::vector<std::string>& paths) override { archives = paths; }
    std::vector<std::size_t> SelectedArchives() const override { return selected; }
    std::vector<std::string> ChooseFiles(const upd::ChooserFilter&, const std::string&) override {
        return chosenFiles;
    }
    void ShowText(const std::string& title, const std::string& text) override {
        shown.emplace_back(title, text);
    }
};

// A release: updates.upd naming u1.upd, the archive, and an empty shared folder.
struct Release {
    TempDir dir;
    std::string folder = dir / "share";
    std::string index = dir / "updates.upd";
    std::string archive = dir / "u1.upd";
    Release() {
        std::filesystem::create_directory(upd::ToPath(folder));
        WriteBytes(dir / "updates.xml", "<updates><update name=\"u1.upd\"/></updates>\n");
        upd::PackFiles({dir / "updates.xml"}, index);
        WriteBytes(archive, updtest::RandomBytes(3000, 7));
    }
    void Fill(MemoryForm& form) const {
        form.Set(Field::PublishFolder, folder);
        form.Set(Field::PublishIndex, index);
        form.archives = {archive};
    }
};

void Click(Handler handler, MemoryForm& form, updtest::FakeServices& services) {
    RunPublishHandler(PublishButton(handler), form, services);
}

// An empty folder or index field is refused before anything runs; what publish refuses (here
// an index naming an archive neither given nor published) from its step. Nothing is copied.
TEST(PublishDialog, RefusalsReachTheCallerAndCopyNothing) {
    const Release release;
    for (const Field emptied :
         {Field::PublishFolder, Field::PublishIndex, Field::PublishArchives}) {
        MemoryForm form;
        release.Fill(form);
        form.Set(emptied, "");
        form.archives.resize(emptied == Field::PublishArchives ? 0 : 1);
        updtest::FakeServices services;
        EXPECT_THROW(Click(Handler::Publish, form, services), upd::OperationError);
        EXPECT_EQ(services.calls.empty(), emptied != Field::PublishArchives) << int(emptied);
        EXPECT_TRUE(form.shown.empty());
        const auto left = updtest::FolderEntries(release.folder);  // at most the folder's lock
        EXPECT_TRUE(left.empty() || left == std::vector<std::string>{".publish.lock"});
    }
}

TEST(PublishDialog, ArchivesAreListedOnceAndTheSelectedOnesRemoved) {
    MemoryForm form;
    form.archives = {"/a/x.upd"};
    form.chosenFiles = {"/a/./x.upd", "/b/x.upd", "/b/x.upd", "/c/y.upd"};
    updtest::FakeServices services;
    Click(Handler::AddPublishArchives, form, services);
    EXPECT_EQ(form.archives, (std::vector<std::string>{"/a/x.upd", "/b/x.upd", "/c/y.upd"}));
    form.selected = {2, 0};
    Click(Handler::RemovePublishArchives, form, services);
    EXPECT_EQ(form.archives, (std::vector<std::string>{"/b/x.upd"}));
}

// What each field takes; where a drop lands and what it fills, the windows' tests check.
TEST(PublishDialog, EachFieldTakesOnlyItsKindOfDrop) {
    const TempDir dir;
    std::filesystem::create_directory(dir.Path() / "share");
    for (const char* name : {"a.upd", "B.UPD", "updates.xml"}) {
        WriteBytes(dir / name, "x");
    }
    const auto folder = PublishFieldControl(Field::PublishFolder);
    const auto index = PublishFieldControl(Field::PublishIndex);
    const auto list = PublishFieldControl(Field::PublishArchives);
    const struct {
        Control target;
        DraggedItems items;
        bool taken;
    } cases[] = {
        {folder, {dir / "a.upd"}, false},
        {folder, {dir / "share", dir / "share"}, false},
        {index, {dir / "a.upd"}, true},
        {index, {dir / "B.UPD"}, true},
        {index, {dir / "updates.xml"}, false},
        {index, {dir / "missing.upd"}, false},
        {index, {dir / "a.upd", dir / "B.UPD"}, false},
        {index, {std::nullopt}, false},
        {list, {dir / "a.upd", dir / "B.UPD"}, true},
        {list, {dir / "a.upd", dir / "updates.xml"}, false},
        {list, {dir / "a.upd", std::nullopt}, false},
        {list, {}, false},
    };
    for (const auto& c : cases) {
        const auto paths = JudgePublishDrop(c.target, c.items);
        EXPECT_EQ(paths.has_value(), c.taken) << c.target.name << " " << c.items.size();
    }
}

}  // namespace
