#include <fnmatch.h>

#include "ui/DropRule.h"

namespace upd::form {

// As the file dialog filters: wildcards, letters of either case.
bool FileNameMatches(const std::string& name, const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

}  // namespace upd::form
