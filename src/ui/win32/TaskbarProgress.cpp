#include "ui/win32/TaskbarProgress.h"

// after windows.h
#include <shobjidl.h>

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

bool TaskbarProgress::Show(const WorkProgress& progress) {
    if (taskbar_ == nullptr) {
        return true;
    }
    if (!progress.percent) {
        return SUCCEEDED(taskbar_->SetProgressState(window_, TBPF_INDETERMINATE));
    }
    // A value after the indeterminate state turns the button back to a normal bar.
    return SUCCEEDED(taskbar_->SetProgressState(window_, TBPF_NORMAL)) &&
           SUCCEEDED(taskbar_->SetProgressValue(window_, ULONGLONG(*progress.percent), 100));
}

}  // namespace upd::win32
