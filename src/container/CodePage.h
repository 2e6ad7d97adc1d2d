#pragma once

#include <string>
#include <string_view>

namespace upd {

// The characters that end a folder in a source path.
extern const std::string_view kPathSeparators;

// Between UTF-8 and the Windows ANSI code page of stored names (encode: UTF-8 to the code
// page). Returns an empty text when a character has no counterpart.
std::string ConvertCodePage(const std::string& text, bool encode);

}  // namespace upd
