#include "ui/StepSession.h"

#include <utility>

#include "ui/FormDescription.h"

namespace upd {

void StepSession::Start(Step step, AfterStep afterStep, StepThread::Notify progressed,
                        StepThread::Notify ended) {
    afterStep_ = std::move(afterStep);
    running_ = true;
    step_ = std::make_unique<StepThread>(std::move(step), std::move(progressed), std::move(ended));
}

std::optional<WorkProgress> StepSession::Latest() const {
    if (!step_) {
        return std::nullopt;
    }
    return step_->Latest();
}

bool StepSession::WantsDisplay(const WorkProgress& progress) const {
    return step_ && !step_->Cancelled() && progress.elapsed >= form::kProgressDelay;
}

void StepSession::Cancel() {
    if (step_) {
        step_->Cancel();
    }
}

bool StepSession::End(const RunGuarded& runGuarded) {
    if (!step_) {
        return false;
    }
    const std::unique_ptr<StepThread> ended = std::move(step_);
    const AfterStep afterStep = std::exchange(afterStep_, {});
    runGuarded([&] {
        const StepResult result = ended->Result();
        if (afterStep) {
            afterStep(result);
        }
    });
    running_ = false;
    return std::exchange(closeAfterStep_, false);
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
