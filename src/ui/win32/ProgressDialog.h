#pragma once

#include <windows.h>

#include <functional>

#include "ops/InteractionServices.h"
#include "ui/win32/Fonts.h"

namespace upd::win32 {

// The modal "Архивиране" window of a long step: elapsed time, the archive's size so far (or
// that the archive is being checked) and "Отказ". Its owner is disabled while it lives.
// "Отказ", Escape (through IsDialogMessage) and the close box mark the step cancelled and
// call onCancel once. Laid out as the shared description's progress dialog.
class ProgressDialog {
  public:
    ProgressDialog(HWND owner, std::function<void()> onCancel);
    ~ProgressDialog();
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    void Show(const WorkProgress& progress);
    bool Cancelled() const { return cancelled_; }
    HWND Handle() const { return window_; }

    static constexpr int kElapsedId = 101;
    static constexpr int kDetailId = 102;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();

    HWND owner_;
    std::function<void()> onCancel_;
    HWND window_ = nullptr;
    UINT dpi_;
    FontHandle font_;
    bool cancelled_ = false;
};

}  // namespace upd::win32
