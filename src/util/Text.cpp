#include "util/Text.h"

#include <cstdio>

namespace upd {

std::string WithTrailingSeparator(const std::string& text) {
    if (text.empty() || text.back() == kPathSeparator) {
        return text;
    }
    return text + kPathSeparator;
}

bool EndsWithCaseSensitive(std::string_view suffix, std::string_view text) {
    return !suffix.empty() && suffix.size() <= text.size() && text.ends_with(suffix);
}

std::string SizeText(std::int64_t bytes) {
    constexpr std::int64_t kKilobyte = 1024;
    constexpr std::int64_t kMegabyte = 1024 * kKilobyte;
    char size[32];
    if (bytes < kMegabyte) {
        std::snprintf(size, sizeof size, "%lld KB",
                      static_cast<long long>((bytes + kKilobyte - 1) / kKilobyte));
    } else {
        const auto tenths = static_cast<long long>((bytes * 10 + kMegabyte / 2) / kMegabyte);
        std::snprintf(size, sizeof size, "%lld,%lld MB", tenths / 10, tenths % 10);
    }
    return size;
}

}  // namespace upd
