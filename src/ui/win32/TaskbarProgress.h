#pragma once

#include <windows.h>

#include "ops/Step.h"

struct ITaskbarList3;

namespace upd::win32 {

// The progress of a long step on the window's taskbar button: the percentage, or a busy
// button while it is unknown; cleared when this object ends, however the step ended. Where
// the system offers no taskbar list (wine may not), it quietly does nothing.
class TaskbarProgress {
  public:
    explicit TaskbarProgress(HWND window);
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // False only when the taskbar was there and refused the change.
    bool Show(const WorkProgress& progress);
    bool Available() const { return taskbar_ != nullptr; }

  private:
    HWND window_;
    ITaskbarList3* taskbar_ = nullptr;
    bool busy_ = false;  // the button shows the indeterminate state
};

}  // namespace upd::win32
