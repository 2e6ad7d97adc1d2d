#pragma once

#include <string>
#include <string_view>

namespace upd::win32 {

// The core speaks UTF-8; the W functions of Windows speak UTF-16.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace upd::win32
