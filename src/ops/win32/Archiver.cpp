#include "ops/UpdateArchive.h"
#include "util/Texts.h"

namespace upd {

std::string_view ArchiverFileName() {
    return "SEVENZIP.exe";
}

std::string_view ArchiverFilter() {
    return text::kWindowsArchiverFilter;
}

}  // namespace upd
