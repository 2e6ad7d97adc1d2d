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

void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError("Невалиден път до updates.xml!");
    }
    const std::string folder =
        services.ChooseFolder("Директория, в която да се запише updates.upd");
    if (folder.empty()) {
        return;
    }
    if (!FileExists(updateIndexPath)) {
        throw OperationError(updateIndexPath + kDoesNotExist);
    }
    RequireDirectory(folder);
    PackFile(updateIndexPath, EnsureTrailingBackslash(folder) + "updates.upd");
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
    RequireDirectory(folder);
    UnpackFiles(indexPackagePath, folder);
    services.ShowInfo(kDone);
}

}  // namespace upd
