#include "container/CodePage.h"
#include "ui/DropRule.h"

namespace upd::form {

bool PathFitsCodePage(const std::string& path) {
    return !ConvertCodePage(path, true).empty();
}

}  // namespace upd::form
