#pragma once

// What the publication dialog "Публикуване" does, written once for both windows: it gathers
// the publication from its fields and runs the very step updtool's publish runs
// (ops/Publish.h) through the window's InteractionServices::RunStep, then shows the plan or
// the report. Each window only draws the dialog (ui/FormDescription.h) and implements
// PublishForm.

#include <optional>
#include <string>
#include <vector>

#include "ops/Publish.h"
#include "ui/DropRule.h"
#include "ui/FormActions.h"
#include "ui/FormDescription.h"
#include "ui/InteractionServices.h"

namespace upd::form {

// The dialog as its window holds it: the edits through Fields, the archives' list, and the
// two things only the dialog shows.
class PublishForm : public Fields {
  public:
    virtual std::vector<std::string> Archives() const = 0;
    virtual void SetArchives(const std::vector<std::string>& paths) = 0;
    // The positions of the selected archives in the list.
    virtual std::vector<std::size_t> SelectedArchives() const = 0;
    // The multi-select file chooser; nothing when cancelled.
    virtual std::vector<std::string> ChooseFiles(const ChooserFilter& filter,
                                                 const std::string& title) = 0;
    // A modal dialog with text the user can select and copy.
    virtual void ShowText(const std::string& title, const std::string& text) = 0;
};

// The folder field's starting text: on Windows the publishers' folder when it exists, empty
// elsewhere (the platform's; nothing is remembered between runs).
std::string StartingPublishFolder();

// Runs the dialog's button's handler. Failures are thrown for the application's handler; the
// publication's step goes to services.RunStep, whose end shows the plan (a dry run) or
// "Готово!" and the report.
void RunPublishHandler(const Control& button, PublishForm& form, InteractionServices& services);

// The publication the fields describe; an empty folder or index field is refused
// (OperationError) before anything runs, and so is a password without 7-Zip beside the
// program, which tests each archive with it.
PublishJob GatherPublishJob(const PublishForm& form, bool dryRun);

// The list with the added paths at its end, each path once.
std::vector<std::string> WithArchivesAdded(std::vector<std::string> list,
                                           const std::vector<std::string>& added);

// One line a file: its name, what happens or happened to it, its size in bytes; the report
// adds the start of its SHA-256.
std::string PlanText(const std::vector<PublishedFile>& files);
std::string ReportText(const std::vector<PublishedFile>& files);

// The paths a drop onto the dialog's control gives it, or nothing when that control refuses
// the drag: the folder field takes one existing folder, the index field one existing file its
// chooser would show, the archives' list one or more such files; never a path the system
// cannot spell (PathFitsCodePage) nor anything that is not a local path.
std::optional<std::vector<std::string>> JudgePublishDrop(const Control& target,
                                                         const DraggedItems& items);
// Fills the field, or adds to the list, as the chooser would.
void TakePublishDrop(const Control& target, const std::vector<std::string>& paths,
                     PublishForm& form);

}  // namespace upd::form
