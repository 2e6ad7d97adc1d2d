#include "ops/UpdateArchive.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd {

std::string_view ArchiverFileName() {
    return "SEVENZIP.exe";
}

std::string_view ArchiverFilter() {
    return text::kWindowsArchiverFilter;
}

// The archiver's Windows parser takes the folder's path whole: "<folder>\*".
FolderFiles FolderFilesOf(const std::string& patchFolder) {
    return {WithTrailingSeparator(patchFolder) + "*", patchFolder};
}

PasswordRoute ArchiverPasswordRoute() {
    return PasswordRoute::CommandLine;
}

}  // namespace upd
