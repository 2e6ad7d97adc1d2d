#include "ui/FormActions.h"

#include "ops/IndexCommands.h"
#include "ops/UpdateArchive.h"
#include "util/Texts.h"

namespace upd::form {

std::string_view FieldName(Field field) {
    switch (field) {
        case Field::UpdatesXmlPath:
            return "edUpdatesXMLPath";
        case Field::UpdateFilesPath:
            return "edUpdateFilesPath";
        case Field::Password:
            return "edPassField";
        case Field::UpdFilePath:
            return "edUpdFilePath";
    }
    return {};
}

namespace {

// A cancel empties the field as well.
void ChooseFileInto(Field field, std::string_view filter, Fields& fields,
                    InteractionServices& services) {
    fields.Set(field, services.ChooseFile(ChooserFilter::Parse(filter),
                                          std::string(text::kChooseFileTitle)));
}

// After a cancel the field keeps its text.
void ChooseFolderInto(Field field, Fields& fields, InteractionServices& services) {
    const std::string folder = services.ChooseFolder(std::string(text::kPatchFolderCaption));
    if (!folder.empty()) {
        fields.Set(field, folder);
    }
}

}  // namespace

void RunHandler(Handler handler, Fields& fields, InteractionServices& services) {
    switch (handler) {
        case Handler::SelectUpdatesXml:
            return ChooseFileInto(Field::UpdatesXmlPath, text::kUpdatesXmlFilter, fields, services);
        case Handler::GenerateUpdates:
            return GenerateIndexPackage(fields.Read(Field::UpdatesXmlPath), services);
        case Handler::SelectUpdateFiles:
            return ChooseFolderInto(Field::UpdateFilesPath, fields, services);
        case Handler::GenerateUpdateArchive:
            return GenerateUpdateArchive(fields.Read(Field::UpdateFilesPath),
                                         fields.Read(Field::Password), services);
        case Handler::SelectUpdFile:
            return ChooseFileInto(Field::UpdFilePath, text::kUpdFileFilter, fields, services);
        case Handler::RestoreUpdatesXml:
            return RestoreIndex(fields.Read(Field::UpdFilePath), services);
        case Handler::None:
            return;
    }
}

}  // namespace upd::form
