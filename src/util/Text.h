#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace upd {

// The platform's path separator: '\\' on Windows, '/' elsewhere.
extern const char kPathSeparator;

// Appends the platform's path separator unless the text is empty or already ends with one.
std::string WithTrailingSeparator(const std::string& text);

// True when text ends with suffix (case-sensitive); false for an empty or longer suffix.
bool EndsWithCaseSensitive(std::string_view suffix, std::string_view text);

// A size as the tool shows it: "12,3 MB" (megabytes to one decimal, with the decimal comma),
// or whole kilobytes, rounded up, below one megabyte ("5 KB").
std::string SizeText(std::int64_t bytes);

}  // namespace upd
