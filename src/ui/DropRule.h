#pragma once

// What a file or folder dragged onto the window may do. On each command page one path field
// takes one existing file or one existing folder, as that page's chooser would give it; the
// help page takes nothing. Both windows ask while the drag passes over them and again at the
// drop, which only fills the field: no command starts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FormDescription.h"

namespace upd::form {

// The path field a drop on that page fills, or nothing for a page that takes no drop.
std::optional<Control> DropFieldOf(std::string_view page);

// What a drag carries, as the toolkit hands it over: each item's local path (UTF-8), or
// nothing for an item that is not a local file or folder (a web address, a piece of text).
using DraggedItems = std::vector<std::optional<std::string>>;

struct AcceptedDrop {
    Field field;
    std::string path;
};

// The field and its new text, or nothing when the page refuses the drag: any drag while a
// step runs (the form takes no input then), a folder where a file is expected or the other way
// round, a file its chooser's filter would not show, several items, anything not a local path,
// a path that does not exist (any more), and one the system cannot spell (PathFitsCodePage).
std::optional<AcceptedDrop> JudgeDrop(std::string_view page, const DraggedItems& items,
                                      bool stepRunning);

// Whether the path field (or list) would take the path as its chooser would give it: of its
// kind (file or folder), shown by its chooser's filter, and one the system can spell.
bool TakesPath(const Control& field, const std::string& path);

// Whether a file name (no folder) matches a chooser filter's pattern, as the platform's file
// dialog matches it.
bool FileNameMatches(const std::string& name, const std::string& pattern);

// On Windows the tool keeps to paths the ANSI code page can spell, the code page of the
// pharmacy application and of the stored names; elsewhere every path fits.
bool PathFitsCodePage(const std::string& path);

}  // namespace upd::form
