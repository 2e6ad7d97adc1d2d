#pragma once

// Drops onto each page, run the same way against the Qt and the Win32 window: what is
// dragged, whether the page takes it while it is dragged, and whether the drop fills the field.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestFiles.h"
#include "ui/DropRule.h"

namespace updtest {

enum class Dragged {
    File,
    Folder,
    TwoFiles,
    WebAddress,   // not a local path
    Unspellable,  // a file named in letters the ANSI code page (1251 here) has not
    MoveOnly,     // a file its source offers for moving only, and would delete after the drop
    GoneAtDrop,   // a file deleted after the drag entered the window
};

inline constexpr std::string_view kDraggedNames[] = {"a file",
                                                     "a folder",
                                                     "two files",
                                                     "a web address",
                                                     "an unspellable name",
                                                     "a move only",
                                                     "a file gone at the drop"};

struct DropCase {
    std::string_view page;
    Dragged dragged;
    bool takenWhileDragged;
    bool fills;
};

// On Windows the tool keeps to paths the ANSI code page can spell.
#ifdef _WIN32
inline constexpr bool kAnyNameFits = false;
#else
inline constexpr bool kAnyNameFits = true;
#endif

inline constexpr DropCase kDropCases[] = {
    {"ts1", Dragged::File, true, true},
    {"ts1", Dragged::Folder, false, false},
    {"ts1", Dragged::TwoFiles, false, false},
    {"ts1", Dragged::WebAddress, false, false},
    {"ts1", Dragged::Unspellable, kAnyNameFits, kAnyNameFits},
    {"ts1", Dragged::MoveOnly, false, false},
    {"ts2", Dragged::Folder, true, true},
    {"ts2", Dragged::File, false, false},
    {"ts3", Dragged::File, true, true},
    {"ts3", Dragged::Folder, false, false},
    {"ts3", Dragged::GoneAtDrop, true, false},
    {"ts4", Dragged::File, false, false},
};

// What a window's test hands its window: local paths, or one web address; the actions the
// drag's source allows are copy and move, or move alone.
struct Drag {
    std::vector<std::string> items;
    bool local = true;
    bool moveOnly = false;
};

inline Drag DragFor(const TempDir& dir, Dragged dragged) {
    const std::string file = dir / "updates.xml";
    WriteBytes(file, "<updates/>");
    const std::string folder = dir / "пач";
    std::filesystem::create_directory(upd::ToPath(folder));
    switch (dragged) {
        case Dragged::Folder:
            return {{folder}};
        case Dragged::TwoFiles:
            WriteBytes(dir / "second.xml", "<updates/>");
            return {{file, dir / "second.xml"}};
        case Dragged::WebAddress:
            return {{"https://example.org/updates.xml"}, false};
        case Dragged::Unspellable:
            WriteBytes(dir / "更新.xml", "<updates/>");
            return {{dir / "更新.xml"}};
        case Dragged::MoveOnly:
            return {{file}, true, true};
        default:
            return {{file}};
    }
}

// Drags each case onto its page of `window`, which offers ShowPage(page), Text(field),
// SetText(field, text), Enter(drag) (taken while passing over: enter and move both) and
// Drop() (taken at the drop).
template <typename Window>
void CheckDropCases(Window& window) {
    for (const DropCase& c : kDropCases) {
        SCOPED_TRACE(std::string(kDraggedNames[int(c.dragged)]) + " on " + std::string(c.page));
        const TempDir dir;
        const Drag drag = DragFor(dir, c.dragged);
        window.ShowPage(c.page);
        const auto field = upd::form::DropFieldOf(c.page);
        if (field) {
            window.SetText(field->field, "earlier text");
        }
        EXPECT_EQ(window.Enter(drag), c.takenWhileDragged);
        if (c.dragged == Dragged::GoneAtDrop) {
            std::filesystem::remove(upd::ToPath(drag.items.front()));
        }
        EXPECT_EQ(window.Drop(), c.fills);
        if (field) {
            EXPECT_EQ(window.Text(field->field), c.fills ? drag.items.front() : "earlier text");
        }
    }
}

}  // namespace updtest
