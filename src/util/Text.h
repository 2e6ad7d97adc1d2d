#pragma once

#include <string>
#include <string_view>

namespace upd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Appends the path separator unless the text is empty or already ends with one.
// The name is kept from the Windows tool; elsewhere the separator is '/'.
std::string EnsureTrailingBackslash(const std::string& text);

// True when text ends with suffix (case-sensitive); false for an empty or longer suffix.
bool EndsWithCaseSensitive(std::string_view suffix, std::string_view text);

}  // namespace upd
