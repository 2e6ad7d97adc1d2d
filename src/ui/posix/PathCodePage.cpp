#include "ui/DropRule.h"

namespace upd::form {

// File names here are bytes the file system takes as they are.
bool PathFitsCodePage(const std::string&) {
    return true;
}

}  // namespace upd::form
