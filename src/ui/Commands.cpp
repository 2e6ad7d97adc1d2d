#include "ui/Commands.h"

#include <string_view>

#include "ops/IndexCommands.h"
#include "ops/UpdateArchive.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {

using IndexJob = StepResult (*)(const std::string& path, const std::string& folder,
                                StepControl& control);

// Both index commands: the file checked, the folder asked for, the job run there.
void RunIndexCommand(const std::string& path, std::string_view invalidPath,
                     std::string_view folderCaption, IndexJob job, InteractionServices& services) {
    if (!FileExists(path)) {
        throw OperationError(std::string(invalidPath));
    }
    const std::string folder = services.ChooseFolder(std::string(folderCaption));
    if (folder.empty()) {
        return;
    }
    services.RunStep(
        [path, folder, job](StepControl& control) { return job(path, folder, control); },
        SayDoneUnlessCancelled(services));
}

std::string LocateArchiver(const std::string& archiverPath, InteractionServices& services) {
    if (FileExists(archiverPath)) {
        return archiverPath;
    }
    const std::string chosen = services.ChooseFile(ChooserFilter::Parse(ArchiverFilter()),
                                                   std::string(text::kArchiverChooserTitle));
    if (!FileExists(chosen)) {
        throw OperationError(chosen + std::string(text::kDoesNotExist));
    }
    return chosen;
}

}  // namespace

void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services) {
    RunIndexCommand(updateIndexPath, text::kInvalidUpdatesXmlPath, text::kUpdatesUpdFolderCaption,
                    &PackIndexJob, services);
}

void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services) {
    RunIndexCommand(indexPackagePath, text::kInvalidUpdatesUpdPath, text::kUpdatesXmlFolderCaption,
                    &UnpackIndexJob, services);
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services) {
    GenerateUpdateArchive(patchFolder, password, services, DefaultArchiverPath());
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath) {
    CheckArchiveInputs(patchFolder, password);
    const std::string archiver = LocateArchiver(archiverPath, services);
    const std::string chosen = services.ChooseFile(ChooserFilter::Parse(text::kArchiveOutputFilter),
                                                   std::string(text::kArchiveOutputTitle));
    if (chosen.empty()) {
        return;
    }
    const ArchiveJob job{archiver, password, WithUpdExtension(chosen), patchFolder};
    services.RunStep(ArchiveStep(job), SayDoneUnlessCancelled(services));
}

}  // namespace upd
