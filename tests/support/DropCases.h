#pragma once

// Drops onto each page, run the same way against the Qt and the Win32 window.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ops/Step.h"
#include "support/TestFiles.h"
#include "ui/DropRule.h"
#include "ui/FormDescription.h"

namespace updtest {

// Paths or a web address; a source that offers them for moving only would delete them after.
struct Drag {
    std::vector<std::string> items;
    bool local = true;
    bool moveOnly = false;
};

// StepRunning: a command's step runs (just started) while the drag comes and drops.
enum class Twist { None, MoveOnly, GoneAtDrop, StepRunning };

struct DropCase {
    int page;
    std::vector<std::string> names;  // made in a fresh folder; "name/" is a folder
    bool takenWhileDragged;
    bool fills;
    Twist twist = Twist::None;
};

// On Windows the tool keeps to paths the ANSI code page (1251 in the tests) can spell.
#ifdef _WIN32
inline constexpr bool kAnyNameFits = false;
#else
inline constexpr bool kAnyNameFits = true;
#endif

// Pages: 0 index package, 1 update archive, 2 restore, 3 help.
inline const DropCase kDropCases[] = {
    {0, {"updates.xml"}, true, true},
    {0, {"пач/"}, false, false},
    {0, {"updates.xml", "second.xml"}, false, false},
    {0, {"https://example.org/updates.xml"}, false, false},
    {0, {"更新.xml"}, kAnyNameFits, kAnyNameFits},
    {0, {"updates.xml"}, false, false, Twist::MoveOnly},
    {0, {"updates.txt"}, false, false},  // the chooser's filter would not show it
    {0, {"updates.xml"}, false, false, Twist::StepRunning},
    {1, {"пач/"}, true, true},
    {1, {"updates.xml"}, false, false},
    {2, {"updates.upd"}, true, true},
    {2, {"пач/"}, false, false},
    {2, {"updates.xml"}, false, false},
    {2, {"updates.upd"}, true, false, Twist::GoneAtDrop},
    {3, {"updates.xml"}, false, false},
};

inline Drag MakeDrag(const TempDir& dir, const DropCase& c) {
    Drag drag{{}, true, c.twist == Twist::MoveOnly};
    for (const std::string& name : c.names) {
        drag.local = name.find("://") == std::string::npos;
        drag.items.push_back(drag.local ? dir / name : name);
        if (drag.local && name.back() == '/') {
            drag.items.back() = dir / name.substr(0, name.size() - 1);
            std::filesystem::create_directory(upd::ToPath(drag.items.back()));
        } else if (drag.local) {
            WriteBytes(drag.items.back(), "<updates/>");
        }
    }
    return drag;
}

// A silent step that runs while `runs` holds.
inline upd::Step StepWhile(const std::atomic<bool>& runs) {
    return [&runs](upd::StepControl&) {
        while (runs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return upd::StepResult::Cancelled;
    };
}

// `window` offers ShowPage(index), Text(field), Enter(drag) (taken while it enters and moves
// over the window), Drop() (taken at the drop), `form` (the TMainForm) and FinishStep() (runs
// the window's events until its step has ended). A page's first case fills its field, so that
// a refused drop after it has a text to keep.
template <typename Window>
void CheckDropCases(Window& window) {
    for (const DropCase& c : kDropCases) {
        SCOPED_TRACE(::testing::Message() << "drop case " << &c - kDropCases);
        const TempDir dir;
        const Drag drag = MakeDrag(dir, c);
        window.ShowPage(c.page);
        const auto field = upd::form::DropFieldOf(upd::form::MainForm().pages[c.page].name);
        const std::string before = field ? window.Text(field->name) : "";
        std::atomic<bool> stepRuns = c.twist == Twist::StepRunning;
        if (stepRuns) {  // until the case is over
            window.form.RunStep(updtest::StepWhile(stepRuns), {});
        }
        EXPECT_EQ(window.Enter(drag), c.takenWhileDragged);
        if (c.twist == Twist::GoneAtDrop) {
            std::filesystem::remove(upd::ToPath(drag.items.front()));
        }
        EXPECT_EQ(window.Drop(), c.fills);
        stepRuns = false;
        window.FinishStep();
        if (field) {
            EXPECT_EQ(window.Text(field->name), c.fills ? drag.items.front() : before);
        }
    }
}

}  // namespace updtest
