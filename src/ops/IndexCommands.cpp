#include "ops/IndexCommands.h"

#include "container/UpdContainer.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd {

namespace {
void RequireDirectory(const std::string& folder) {
    if (!DirectoryExists(folder)) {
        throw OperationError(folder + std::string(text::kDoesNotExist));
    }
}
}  // namespace

void PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError(updateIndexPath + std::string(text::kDoesNotExist));
    }
    RequireDirectory(targetFolder);
    PackFile(updateIndexPath, WithTrailingSeparator(targetFolder) + "updates.upd");
}

void RestoreIndexJob(const std::string& indexPackagePath, const std::string& targetFolder) {
    RequireDirectory(targetFolder);
    UnpackFiles(indexPackagePath, targetFolder);
}

void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError(std::string(text::kInvalidUpdatesXmlPath));
    }
    const std::string folder = services.ChooseFolder(std::string(text::kUpdatesUpdFolderCaption));
    if (folder.empty()) {
        return;
    }
    services.RunStep(
        [updateIndexPath, folder](StepControl&) {
            PackIndexJob(updateIndexPath, folder);
            return StepResult::Done;
        },
        SayDoneUnlessCancelled(services));
}

void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services) {
    if (!FileExists(indexPackagePath)) {
        throw OperationError(std::string(text::kInvalidUpdatesUpdPath));
    }
    const std::string folder = services.ChooseFolder(std::string(text::kUpdatesXmlFolderCaption));
    if (folder.empty()) {
        return;
    }
    services.RunStep(
        [indexPackagePath, folder](StepControl&) {
            RestoreIndexJob(indexPackagePath, folder);
            return StepResult::Done;
        },
        SayDoneUnlessCancelled(services));
}

}  // namespace upd
