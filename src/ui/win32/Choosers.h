#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace upd::win32 {

// "XML Файлове|*.xml" (display name and pattern pairs separated by '|') in the form of the
// open-file dialog: each part ended by a NUL, the whole by a second one.
std::wstring DialogFilter(std::string_view filter);

// The open-file dialog, modal over owner: the file need not exist, nothing is asked about
// overwriting it, no read-only box, resizable. The chosen path (UTF-8), or empty if cancelled.
std::string ChooseFileWithDialog(HWND owner, std::string_view filter, std::string_view title);

// The shell's folder browser with the caption above the tree, file-system folders only. The
// chosen folder (UTF-8, no trailing backslash except for a drive root), or empty if cancelled.
std::string ChooseFolderWithDialog(HWND owner, std::string_view caption);

}  // namespace upd::win32
