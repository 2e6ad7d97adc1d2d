#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ops/Step.h"

namespace upd {

// One publication: the index package and the update archives it names, for the shared
// update folder the pharmacies read.
struct PublishJob {
    std::string folder;
    std::string indexPackage;
    std::vector<std::string> archives;
    bool replace = false;  // an archive already published with other contents may be replaced
    bool dryRun = false;   // every check, no copy
    std::string password;  // when not empty, 7-Zip tests each archive with it
    std::string archiver;  // the 7-Zip program for that test
    // Told the path of each temporary a killed run left in the folder as it is removed (for a
    // dry run, as it is found).
    std::function<void(const std::string&)> leftover{};
};

// One file of the publication as it lands in the folder.
struct PublishedFile {
    std::string name;  // its name in the folder
    std::int64_t size = 0;
    std::string sha256;
    bool alreadyThere = false;  // the same bytes were there: not copied
};

// The file name the index package gets in the folder.
inline constexpr const char* kIndexPackageName = "updates.upd";

// The step of publishing. First every check, with nothing written: the folder, the sources
// (regular files, none twice, none the folder's own file), the index package and its
// well-formed updates.xml, that the index names every archive and every archive it names is
// in the folder or among the sources, that no published archive gets other contents (unless
// replace), and with a password the 7-Zip test of each archive. Then, unless dryRun, the
// copies: the archives, then the index package, each through a temporary name, checked
// and renamed into place (DurableCopy). Each file is handed to done once it is in place (for
// a dry run, once checked). Cancelled leaves the old index package as it was.
StepResult PublishStep(const PublishJob& job, StepControl& control,
                       const std::function<void(const PublishedFile&)>& done);

// The file names ending in ".upd" (in any case) that the texts name: the last part of each
// word, after any '/' or '\'.
std::vector<std::string> ArchiveNamesIn(const std::vector<std::string>& texts);

}  // namespace upd
