#pragma once

#include <string>
#include <vector>

#include "container/UpdContainer.h"
#include "ops/InteractionServices.h"

namespace upd {

// Pack and unpack of the index package as steps: each reports the bytes done of its total
// and stops at a cancel, all or nothing (see PackFiles and UnpackFiles).
Step PackStep(std::vector<std::string> sources, std::string destination);
Step UnpackStep(std::string container, std::string targetFolder);

// The work of the two index commands, asking nothing.

// Packs the update index into "updates.upd" in targetFolder, replacing an older package.
// Fails with "<path> не съществува!" when the index or the folder is missing.
StepResult PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder,
                        StepControl& control);

// Unpacks every entry of the index package into targetFolder.
// Fails with "<folder> не съществува!" when the folder is missing.
StepResult RestoreIndexJob(const std::string& indexPackagePath, const std::string& targetFolder,
                           StepControl& control);

// "Генерирай updates.upd": checks the index, asks for the folder, hands PackIndexJob to
// services.RunStep, says done.
void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services);

// "Възстанови updates.xml": checks the package, asks for the folder, hands RestoreIndexJob to
// services.RunStep, says done.
void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services);

}  // namespace upd
