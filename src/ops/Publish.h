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

// The step of publishing. Unless dryRun, it first takes the folder's lock (a file
// ".publish.lock" in it, see FileLock), waiting a few seconds for another publication to end
// and refused when it does not; the lock is held to the end. Then every check, with nothing
// written: the folder, the sources (regular files, none twice, none the folder's own file, no
// empty archive), the index package and its well-formed updates.xml, that the index names every
// archive and every archive it names is in the folder (not empty) or among the sources, that no
// published archive gets other contents (unless replace), and with a password the 7-Zip test
// of each archive (its bytes hashed again after it). Then, unless dryRun, the copies: the
// archives, then the index package, each through a temporary name, hashed while copied, read
// back and renamed into place only when every hash equals the check's, and (unless replace)
// never over an archive that appeared meanwhile (DurableCopy). Each file is handed to done once
// it is in place (for a dry run, once checked). Cancelled, also while hashing, leaves the old
// index package as it was.
StepResult PublishStep(const PublishJob& job, StepControl& control,
                       const std::function<void(const PublishedFile&)>& done);

// The archive names the texts (attribute values and text of updates.xml) give: each text that
// is as a whole, blanks around it aside, a file name ending in ".upd" (in any case), blanks and
// any letters inside it included. Throws naming such a text when it has a folder part or is an
// address ('/', '\' or ':' in it): archives are published at the folder's root only.
std::vector<std::string> ArchiveNamesIn(const std::vector<std::string>& texts);

}  // namespace upd
