#pragma once

#include <string>

#include "ops/InteractionServices.h"

namespace upd {

// The work of the two index commands, asking nothing: for scripts and for the commands below.

// Packs the update index into "updates.upd" in targetFolder, replacing an older package.
// Fails with "<path> не съществува!" when the index or the folder is missing.
void PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder);

// Unpacks every entry of the index package into targetFolder.
// Fails with "<folder> не съществува!" when the folder is missing.
void RestoreIndexJob(const std::string& indexPackagePath, const std::string& targetFolder);

// "Генерирай updates.upd": checks the index, asks for the folder, hands PackIndexJob to
// services.RunStep, says done.
void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services);

// "Възстанови updates.xml": checks the package, asks for the folder, hands RestoreIndexJob to
// services.RunStep, says done.
void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services);

}  // namespace upd
