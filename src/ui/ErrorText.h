#pragma once

// The rules both windows share for errors and the application's title, without a toolkit.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace upd {

// what() of a std::exception, a fixed text for anything else.
std::string ExceptionMessage(const std::exception_ptr& error);

// The error dialog's text for a message: "Exception: " and the message.
std::string ErrorDialogText(std::string_view message);

// The title for an executable's file name (UTF-8): the name up to its first dot, every letter
// after the first in lower case ("MyTool.exe" -> "Mytool"); lower maps a text to lower case
// the way the platform does, for every alphabet.
std::string ApplicationTitleFor(std::string_view executableFileName,
                                const std::function<std::string(std::string_view)>& lower);

}  // namespace upd
