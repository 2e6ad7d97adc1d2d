#pragma once

// What both windows must do with a command's step, checked once over a small probe per
// window (mainfrm_test.cpp for Qt, win32_window_test.cpp for Win32). A probe offers:
//   TMainForm& Form();                    the window (RunStep, StepRunning)
//   bool DeliverUntil(std::function<bool()> done, std::chrono::milliseconds timeout);
//                                         runs the window's events as its loop would
//   bool ProgressShown();                 the progress dialog is visible and modal
//   std::string ProgressPhase();          its first line
//   std::optional<int> ProgressBar();     its bar's value; absent while the bar is busy
//   void CancelProgress(CancelWay way);   as a user cancels it
//   void CloseWindow();                   the main window's close box
//   bool WindowOpen();
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ops/InteractionServices.h"

namespace updtest {

enum class CancelWay { Button, Escape, CloseBox };

// A step in progress's phase that reports its amounts every 20 ms until it is cancelled;
// a silent one reports nothing.
inline upd::Step ReportingStep(upd::WorkProgress progress, bool silent = false) {
    return [progress, silent](upd::StepControl& control) {
        if (!silent) {
            control.BeginPhase(progress.phase);
        }
        while (!control.Cancelled()) {
            if (!silent) {
                control.Report({progress.percent, progress.outputBytes});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return upd::StepResult::Cancelled;
    };
}

template <typename Probe>
void StartReportingStep(Probe& probe, upd::WorkProgress progress,
                        std::optional<upd::StepResult>& result, bool silent = false) {
    probe.Form().RunStep(ReportingStep(progress, silent),
                         [&result](upd::StepResult r) { result = r; });
}

// The dialog comes once the step has run half a second, whether it has reported or not,
// shows its state, and each way of cancelling it ends the step (the window's thread ends the
// archiver) without a message.
template <typename Probe>
void CheckProgressDialogAndItsCancel(Probe& probe) {
    using namespace std::chrono_literals;
    const struct {
        upd::WorkProgress progress;
        const char* phase;
        bool silent = false;
    } states[] = {{{600ms, 5 * 1024 * 1024, upd::WorkPhase::Archiving}, "Архивиране"},
                  {{7'200ms, 0, upd::WorkPhase::Checking}, "Проверка на архива"},
                  {{}, "Архивиране", true}};
    for (const CancelWay way : {CancelWay::Button, CancelWay::Escape, CancelWay::CloseBox}) {
        for (const auto& state : states) {
            SCOPED_TRACE(std::to_string(int(way)) + " " + state.phase);
            std::optional<upd::StepResult> result;
            StartReportingStep(probe, state.progress, result, state.silent);
            ASSERT_TRUE(probe.DeliverUntil([&] { return probe.ProgressShown(); }, 5s));
            EXPECT_EQ(probe.ProgressPhase(), state.phase);
            probe.CancelProgress(way);
            ASSERT_TRUE(probe.DeliverUntil([&] { return !probe.Form().StepRunning(); }, 5s));
            EXPECT_EQ(result, upd::StepResult::Cancelled);
            EXPECT_FALSE(probe.ProgressShown());
            EXPECT_TRUE(probe.WindowOpen());
        }
    }
    // Last, a close of the window itself: the step is cancelled first, the window closes once
    // the step has ended.
    std::optional<upd::StepResult> result;
    StartReportingStep(probe, states[0].progress, result);
    probe.CloseWindow();
    ASSERT_TRUE(probe.DeliverUntil([&] { return !probe.WindowOpen(); }, 5s));
    EXPECT_EQ(result, upd::StepResult::Cancelled);
}

// The bar shows the percentage while there is one and is busy while there is none, in
// either order within one dialog (an archiver may stop printing its percentage).
template <typename Probe>
void CheckTheBarFollowsThePercentage(Probe& probe) {
    using namespace std::chrono_literals;
    constexpr int kUnknown = -1;
    const auto percent = std::make_shared<std::atomic<int>>(kUnknown);
    std::optional<upd::StepResult> result;
    probe.Form().RunStep(
        [percent](upd::StepControl& control) {
            while (!control.Cancelled()) {
                const int now = *percent;
                control.Report({now == kUnknown ? std::nullopt : std::optional<int>(now)});
                std::this_thread::sleep_for(20ms);
            }
            return upd::StepResult::Cancelled;
        },
        [&result](upd::StepResult r) { result = r; });
    ASSERT_TRUE(probe.DeliverUntil([&] { return probe.ProgressShown(); }, 5s));
    for (const int shown : {kUnknown, 42, kUnknown, 0, 100}) {
        SCOPED_TRACE(shown);
        *percent = shown;
        const std::optional<int> expected =
            shown == kUnknown ? std::nullopt : std::optional<int>(shown);
        EXPECT_TRUE(probe.DeliverUntil([&] { return probe.ProgressBar() == expected; }, 5s))
            << (probe.ProgressBar() ? std::to_string(*probe.ProgressBar()) : "busy");
    }
    probe.CancelProgress(CancelWay::Button);
    ASSERT_TRUE(probe.DeliverUntil([&] { return result.has_value(); }, 5s));
}

}  // namespace updtest
