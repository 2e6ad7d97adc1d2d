#include "ops/UpdateArchive.h"
#include "util/Texts.h"

namespace upd {

std::string_view ArchiverFileName() {
    return "SEVENZIP";
}

std::string_view ArchiverFilter() {
    return text::kPosixArchiverFilter;
}

// Run inside the folder with the pattern "*": nothing in the folder's path can then be read
// as a wildcard.
FolderFiles FolderFilesOf(const std::string& patchFolder) {
    return {"*", patchFolder};
}

PasswordRoute ArchiverPasswordRoute() {
    return PasswordRoute::StandardInput;
}

}  // namespace upd
