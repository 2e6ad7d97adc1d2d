#include "ui/win32/StepWindow.h"

namespace upd::win32 {

namespace {

constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT_PTR kFirstStepTimer = 1;  // + the StepEvent

}  // namespace

void StepWindow::EndSteps() {
    steps_.Stop();
    progress_.reset();
}

// The worker's events go without delay: only a posted message is safe from its thread.
void StepWindow::Post(StepEvent event, std::chrono::milliseconds delay) {
    if (delay.count() == 0) {
        PostMessageW(window_, kStepMessage, WPARAM(event), 0);
    } else {
        SetTimer(window_, kFirstStepTimer + UINT_PTR(event), UINT(delay.count()), nullptr);
    }
}

bool StepWindow::DeliverStepEvent(UINT message, WPARAM wParam) {
    if (message == kStepMessage) {
        steps_.Deliver(StepEvent(wParam));
        return true;
    }
    const bool stepTimer =
        message == WM_TIMER && (wParam == kFirstStepTimer + UINT_PTR(StepEvent::Progressed) ||
                                wParam == kFirstStepTimer + UINT_PTR(StepEvent::Ended));
    if (stepTimer) {
        KillTimer(window_, wParam);
        steps_.Deliver(StepEvent(wParam - kFirstStepTimer));
    }
    return stepTimer;
}

bool StepWindow::IsProgressDialogMessage(MSG& message) {
    return progress_ && IsDialogMessageW(progress_->Handle(), &message);
}

void StepWindow::ShowProgress(const WorkProgress& progress) {
    if (!progress_) {
        progress_ = std::make_unique<ProgressDialog>(window_, [this] { steps_.Cancel(); });
    }
    progress_->Show(progress);
}

void StepWindow::HideProgress() {
    progress_.reset();
    if (IsWindowVisible(window_)) {
        SetForegroundWindow(window_);
    }
}

// The focus leaves the disabled controls; it comes back to where it was.
void StepWindow::EnableForm(bool enabled) {
    if (!enabled) {
        focusBeforeStep_ = GetFocus();
    }
    EnableControls(enabled);
    if (enabled && focusBeforeStep_ != nullptr && IsChild(window_, focusBeforeStep_)) {
        SetFocus(focusBeforeStep_);
    }
}

}  // namespace upd::win32
