#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "ui/InteractionServices.h"

namespace upd::win32 {

// The filter in the form of the open-file dialog: the display name and the patterns
// (separated by ';'), each ended by a NUL, the whole by a second one.
std::wstring DialogFilter(const ChooserFilter& filter);

// The open-file dialog, modal over owner: the file need not exist, nothing is asked about
// overwriting it, no read-only box, resizable. The chosen path (UTF-8), or empty if cancelled.
std::string ChooseFileWithDialog(HWND owner, const ChooserFilter& filter, std::string_view title);
// The same with several files to choose (all must exist); none when cancelled.
std::vector<std::string> ChooseFilesWithDialog(HWND owner, const ChooserFilter& filter,
                                               std::string_view title);

// The shell's folder browser with the caption above the tree, file-system folders only. The
// chosen folder (UTF-8, no trailing backslash except for a drive root), or empty if cancelled.
std::string ChooseFolderWithDialog(HWND owner, std::string_view caption);

}  // namespace upd::win32
