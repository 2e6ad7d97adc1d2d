#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "ops/Step.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/TaskbarProgress.h"

namespace upd::win32 {

// The modal "Архивиране" window of a long step: the phase, its percentage on a bar (a marquee
// while unknown, as on the owner's taskbar button), the time taken and left, the archive's
// size so far and "Отказ". Its owner is disabled while it lives. "Отказ", Escape (through
// IsDialogMessage) and the close box mark the step cancelled and call onCancel once. Laid
// out as the shared description's progress dialog.
class ProgressDialog {
  public:
    ProgressDialog(HWND owner, std::function<void()> onCancel);
    ~ProgressDialog();
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    void Show(const WorkProgress& progress);
    HWND Handle() const { return window_; }

    static constexpr int kPhaseId = 101;
    static constexpr int kPercentId = 102;
    static constexpr int kBarId = 103;
    static constexpr int kElapsedId = 104;
    static constexpr int kTimeLeftId = 105;
    static constexpr int kSizeId = 106;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    void ShowOnBar(std::optional<int> percent);

    HWND owner_;
    std::function<void()> onCancel_;
    HWND window_ = nullptr;
    UINT dpi_;
    FontHandle font_;
    TaskbarProgress taskbar_;
    bool cancelled_ = false;
};

}  // namespace upd::win32
