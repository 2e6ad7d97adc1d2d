#include "ui/FormActions.h"

#include "ops/IndexCommands.h"
#include "ops/UpdateArchive.h"
#include "util/Texts.h"

namespace upd::form {

namespace {

// The chooser of what the field takes. A cancel of the file chooser empties the field as
// well; after a cancel of the folder chooser the field keeps its text.
void ChoosePathInto(Field field, Fields& fields, InteractionServices& services) {
    const Control& edit = FieldControl(field);
    if (edit.takes == Takes::Folder) {
        const std::string folder = services.ChooseFolder(std::string(text::kPatchFolderCaption));
        if (!folder.empty()) {
            fields.Set(field, folder);
        }
        return;
    }
    fields.Set(field, services.ChooseFile(ChooserFilter::Parse(edit.filter),
                                          std::string(text::kChooseFileTitle)));
}

}  // namespace

void RunHandler(const Control& button, Fields& fields, InteractionServices& services) {
    switch (button.onClick) {
        case Handler::SelectUpdatesXml:
        case Handler::SelectUpdateFiles:
        case Handler::SelectUpdFile:
            return ChoosePathInto(button.field, fields, services);
        case Handler::GenerateUpdates:
            return GenerateIndexPackage(fields.Read(Field::UpdatesXmlPath), services);
        case Handler::GenerateUpdateArchive:
            return GenerateUpdateArchive(fields.Read(Field::UpdateFilesPath),
                                         fields.Read(Field::Password), services);
        case Handler::RestoreUpdatesXml:
            return RestoreIndex(fields.Read(Field::UpdFilePath), services);
        case Handler::None:
        default:  // the publication dialog's own (ui/PublishDialog.h)
            return;
    }
}

}  // namespace upd::form
