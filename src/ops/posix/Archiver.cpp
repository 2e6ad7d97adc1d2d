#include "ops/UpdateArchive.h"
#include "util/Texts.h"

namespace upd {

std::string_view ArchiverFileName() {
    return "SEVENZIP";
}

std::string_view ArchiverFilter() {
    return text::kPosixArchiverFilter;
}

}  // namespace upd
