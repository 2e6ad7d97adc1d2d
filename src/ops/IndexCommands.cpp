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

// The container's work, its cancel turned into the step's result.
template <typename Work>
StepResult UntilCancelled(const Work& work) {
    try {
        work();
        return StepResult::Done;
    } catch (const WorkCancelled&) {
        return StepResult::Cancelled;
    }
}

}  // namespace

Step PackStep(std::vector<std::string> sources, std::string destination) {
    return
        [sources = std::move(sources), destination = std::move(destination)](StepControl& control) {
            return UntilCancelled([&] {
                control.BeginPhase(WorkPhase::Packing);
                PackFiles(sources, destination, StepProgress(control));
            });
        };
}

Step UnpackStep(std::string container, std::string targetFolder) {
    return
        [container = std::move(container), folder = std::move(targetFolder)](StepControl& control) {
            return UntilCancelled([&] {
                control.BeginPhase(WorkPhase::Restoring);
                UnpackFiles(container, folder, StepProgress(control));
            });
        };
}

StepResult PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder,
                        StepControl& control) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError(updateIndexPath + std::string(text::kDoesNotExist));
    }
    RequireDirectory(targetFolder);
    return PackStep({updateIndexPath},
                    WithTrailingSeparator(targetFolder) + "updates.upd")(control);
}

StepResult RestoreIndexJob(const std::string& indexPackagePath, const std::string& targetFolder,
                           StepControl& control) {
    RequireDirectory(targetFolder);
    return UnpackStep(indexPackagePath, targetFolder)(control);
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
        [updateIndexPath, folder](StepControl& control) {
            return PackIndexJob(updateIndexPath, folder, control);
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
        [indexPackagePath, folder](StepControl& control) {
            return RestoreIndexJob(indexPackagePath, folder, control);
        },
        SayDoneUnlessCancelled(services));
}

}  // namespace upd
