#pragma once

#include <windows.h>

#include <chrono>
#include <memory>

#include "ui/StepSession.h"
#include "ui/win32/ProgressDialog.h"

namespace upd::win32 {

// What every Win32 window that runs steps does as their StepHost, written once: the session,
// its events (posted by the worker; a timer of their own for each delayed one), the progress
// dialog, and the focus kept across a step. The window attaches its handle once it has one,
// says how its form takes input (EnableControls) and how it closes, and calls EndSteps first
// in its destructor.
class StepWindow : protected StepHost {
  public:
    // From the step's start until its end has been handled ("Готово!" closed).
    bool StepRunning() const { return steps_.Running(); }

  protected:
    void AttachStepWindow(HWND window) { window_ = window; }
    // Cancels a step still running, waits for its worker and closes the progress dialog.
    void EndSteps();
    // Hands a step event's message (posted, or its timer) to the session; false for others.
    bool DeliverStepEvent(UINT message, WPARAM wParam);
    // The progress dialog's own keys (its Escape cancels the step, not the window).
    bool IsProgressDialogMessage(MSG& message);
    // Takes the form's input away while a step runs, without changing its look.
    virtual void EnableControls(bool enabled) = 0;

    void Post(StepEvent event, std::chrono::milliseconds delay) final;
    void ShowProgress(const WorkProgress& progress) final;
    void HideProgress() final;
    void EnableForm(bool enabled) final;

  private:
    HWND window_ = nullptr;
    std::unique_ptr<ProgressDialog> progress_;
    HWND focusBeforeStep_ = nullptr;

  protected:
    StepSession steps_{*this};  // last: its worker is gone before the rest
};

}  // namespace upd::win32
