#include "ui/win32/TaskbarProgress.h"

// after windows.h
#include <shobjidl.h>

#include <utility>

namespace upd::win32 {

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
    void* taskbar = nullptr;
    if (FAILED(CoCreateInstance(__uuidof(TaskbarList), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(ITaskbarList3), &taskbar))) {
        return;
    }
    taskbar_ = static_cast<ITaskbarList3*>(taskbar);
    if (FAILED(taskbar_->HrInit())) {
        taskbar_->Release();
        taskbar_ = nullptr;
    }
}

TaskbarProgress::~TaskbarProgress() {
    if (taskbar_ != nullptr) {
        taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
        taskbar_->Release();
    }
}

// The state is set only when it changes: setting it again restarts the button's animation.
bool TaskbarProgress::Show(const WorkProgress& progress) {
    if (taskbar_ == nullptr) {
        return true;
    }
    const bool busy = !progress.percent.has_value();
    const bool wasBusy = std::exchange(busy_, busy);
    if (busy) {
        return wasBusy || SUCCEEDED(taskbar_->SetProgressState(window_, TBPF_INDETERMINATE));
    }
    // A value turns the button into a normal bar, also after the indeterminate state.
    return SUCCEEDED(taskbar_->SetProgressValue(window_, ULONGLONG(*progress.percent), 100));
}

}  // namespace upd::win32
