#include "util/Text.h"

namespace upd {

std::string EnsureTrailingBackslash(const std::string& text) {
    if (text.empty() || text.back() == kPathSeparator) {
        return text;
    }
    return text + kPathSeparator;
}

bool EndsWithCaseSensitive(std::string_view suffix, std::string_view text) {
    return !suffix.empty() && suffix.size() <= text.size() && text.ends_with(suffix);
}

}  // namespace upd
