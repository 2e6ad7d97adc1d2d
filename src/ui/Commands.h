#pragma once

// The window's three commands: each checks its input, asks the user what it needs through
// InteractionServices, hands its step (ops/) to services.RunStep and ends with "Готово!"
// unless the user cancelled.

#include <string>

#include "ui/InteractionServices.h"

namespace upd {

// "Генерирай updates.upd": checks the index, asks for the folder, packs it there.
void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services);

// "Възстанови updates.xml": checks the package, asks for the folder, unpacks it there.
void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services);

// "Генерирай upd с update файловете": checks the inputs, asks for the archiver (when there
// is none at archiverPath, DefaultArchiverPath() if not given) and for the output, archives.
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services);
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath);

}  // namespace upd
