#include "ui/win32/StepEvents.h"

namespace upd::win32 {

namespace {

constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT_PTR kFirstStepTimer = 1;  // + the StepEvent

}  // namespace

void PostStepEvent(HWND window, StepEvent event, std::chrono::milliseconds delay) {
    if (delay.count() == 0) {
        PostMessageW(window, kStepMessage, WPARAM(event), 0);
    } else {
        SetTimer(window, kFirstStepTimer + UINT_PTR(event), UINT(delay.count()), nullptr);
    }
}

bool DeliverStepEvent(HWND window, UINT message, WPARAM wParam, StepSession& session) {
    if (message == kStepMessage) {
        session.Deliver(StepEvent(wParam));
        return true;
    }
    const bool stepTimer =
        message == WM_TIMER && (wParam == kFirstStepTimer + UINT_PTR(StepEvent::Progressed) ||
                                wParam == kFirstStepTimer + UINT_PTR(StepEvent::Ended));
    if (stepTimer) {
        KillTimer(window, wParam);
        session.Deliver(StepEvent(wParam - kFirstStepTimer));
    }
    return stepTimer;
}

}  // namespace upd::win32
