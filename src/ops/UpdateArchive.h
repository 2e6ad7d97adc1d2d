#pragma once

#include <string>

#include "ops/InteractionServices.h"

namespace upd {

// "Генерирай upd с update файловете": archives a patch folder holding descriptor.xml into
// a password-protected ".upd" through the external archiver found next to the executable.
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services);

// The same, looking for the archiver at archiverPath before asking for it.
void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath);

// Where the archiver is expected: "SEVENZIP.exe" (Windows) or "SEVENZIP" next to the executable.
std::string DefaultArchiverPath();

// The output path with ".upd" appended unless it already ends in ".upd" (case-sensitive).
std::string WithUpdExtension(const std::string& path);

// "<archiver>" a -p<password> "<archive>" "<folder>\*"; the -p switch is quoted as a whole
// when the password holds a blank, so that it stays one argument.
std::string ArchiverCommandLine(const std::string& archiver, const std::string& password,
                                const std::string& archive, const std::string& patchFolder);

}  // namespace upd
