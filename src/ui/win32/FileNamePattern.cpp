#include <windows.h>
// after windows.h, which it needs
#include <shlwapi.h>

#include "ui/DropRule.h"
#include "util/FileSystem.h"

namespace upd::form {

// As the open-file dialog filters (which takes "*.*" for every name, also one without a dot).
bool FileNameMatches(const std::string& name, const std::string& pattern) {
    return PathMatchSpecW(ToPath(name).c_str(), ToPath(pattern).c_str()) != FALSE;
}

}  // namespace upd::form
