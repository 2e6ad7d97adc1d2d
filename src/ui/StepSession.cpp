#include "ui/StepSession.h"

#include <utility>

#include "ui/ExceptionRouting.h"
#include "ui/FormDescription.h"

namespace upd {

using std::chrono::milliseconds;

StepSession::StepSession(StepHost& host, Clock clock, Launcher launcher)
    : host_(host), clock_(std::move(clock)), launcher_(std::move(launcher)) {}

void StepSession::RunCommand(const std::function<void()>& command) {
    if (!running_) {
        RunGuarded(command);
    }
}

bool StepSession::Start(Step step, AfterStep afterStep) {
    if (running_) {
        return false;
    }
    host_.EnableForm(false);
    shownAt_.reset();
    startedAt_ = clock_();
    const auto post = [this](StepEvent event) {
        return [this, event] { host_.Post(event, milliseconds(0)); };
    };
    try {
        step_ = launcher_(std::move(step), post(StepEvent::Progressed), post(StepEvent::Ended));
    } catch (...) {
        host_.EnableForm(true);
        HandleException(std::current_exception());
        return false;
    }
    afterStep_ = std::move(afterStep);
    running_ = true;
    // The dialog comes on time also for a step that has not reported yet.
    host_.Post(StepEvent::Progressed, form::kProgressDelay);
    return true;
}

void StepSession::Deliver(StepEvent event) {
    if (!step_) {
        return;  // an event of a step already handled
    }
    if (event == StepEvent::Progressed) {
        ShowProgress();
        return;
    }
    const auto shownFor = shownAt_ ? clock_() - *shownAt_ : form::kProgressShownAtLeast;
    if (shownFor < form::kProgressShownAtLeast) {
        // Kept up a little longer, so that it does not flash.
        host_.Post(StepEvent::Ended,
                   std::chrono::ceil<milliseconds>(form::kProgressShownAtLeast - shownFor));
        return;
    }
    End();
}

// Once the step has run for the delay, unless it is being cancelled.
void StepSession::ShowProgress() {
    const WorkProgress progress = step_->Latest();
    if (!shownAt_) {
        if (step_->Cancelled() || clock_() - startedAt_ < form::kProgressDelay) {
            return;
        }
        shownAt_ = clock_();
    }
    host_.ShowProgress(progress);
}

// The step's result on the window's thread: afterStep ("Готово!", or nothing after a
// cancel), or the step's exception to the application's handler.
void StepSession::End() {
    const std::unique_ptr<StepThread> ended = std::move(step_);
    const AfterStep afterStep = std::exchange(afterStep_, {});
    if (shownAt_) {
        host_.HideProgress();
    }
    host_.EnableForm(true);
    RunGuarded([&] {
        const StepResult result = ended->Result();
        if (afterStep) {
            afterStep(result);
        }
    });
    running_ = false;
    if (std::exchange(closeAfterStep_, false)) {
        host_.Close();
    }
}

void StepSession::Cancel() {
    if (step_) {
        step_->Cancel();
    }
}

bool StepSession::RequestClose() {
    if (!running_) {
        return true;
    }
    closeAfterStep_ = true;
    Cancel();
    return false;
}

}  // namespace upd
