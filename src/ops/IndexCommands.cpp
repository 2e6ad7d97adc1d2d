#include "ops/IndexCommands.h"

#include "container/UpdContainer.h"
#include "ops/Messages.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Text.h"

namespace upd {

namespace {
void RequireDirectory(const std::string& folder) {
    if (!DirectoryExists(folder)) {
        throw OperationError(folder + kDoesNotExist);
    }
}
}  // namespace

void PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError(updateIndexPath + kDoesNotExist);
    }
    RequireDirectory(targetFolder);
    PackFile(updateIndexPath, EnsureTrailingBackslash(targetFolder) + "updates.upd");
}

void RestoreIndexJob(const std::string& indexPackagePath, const std::string& targetFolder) {
    RequireDirectory(targetFolder);
    UnpackFiles(indexPackagePath, targetFolder);
}

void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError("Невалиден път до updates.xml!");
    }
    const std::string folder =
        services.ChooseFolder("Директория, в която да се запише updates.upd");
    if (folder.empty()) {
        return;
    }
    PackIndexJob(updateIndexPath, folder);
    services.ShowInfo(kDone);
}

void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services) {
    if (!FileExists(indexPackagePath)) {
        throw OperationError("Невалиден път до updates.upd!");
    }
    const std::string folder =
        services.ChooseFolder("Директория, в която да се запише updates.xml");
    if (folder.empty()) {
        return;
    }
    RestoreIndexJob(indexPackagePath, folder);
    services.ShowInfo(kDone);
}

}  // namespace upd
