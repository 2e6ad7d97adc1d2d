#pragma once

#include <string>

#include "ops/InteractionServices.h"

namespace upd {

// "Генерирай updates.upd": packs the update index into "updates.upd" in a chosen folder.
void GenerateIndexPackage(const std::string& updateIndexPath, InteractionServices& services);

// "Възстанови updates.xml": unpacks an index package into a chosen folder.
void RestoreIndex(const std::string& indexPackagePath, InteractionServices& services);

}  // namespace upd
