#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "ops/InteractionServices.h"
#include "ui/StepThread.h"

namespace upd {

// A window's command step, the same in both windows: one step at a time on a worker, the
// progress display once the step has run for the form's delay, the cancel, and a close asked
// for during a step (the step is cancelled first; the window closes once it has ended).
class StepSession {
  public:
    using RunGuarded = std::function<void(const std::function<void()>&)>;

    // From Start until the step's end has been handled ("Готово!" closed).
    bool Running() const { return running_; }
    // A step whose end has not been handled yet (stale notifications find none).
    bool HasStep() const { return step_ != nullptr; }

    // progressed and ended are called on the worker: each should only post to the window's
    // thread, which then calls Latest() or End().
    void Start(Step step, AfterStep afterStep, StepThread::Notify progressed,
               StepThread::Notify ended);

    std::optional<WorkProgress> Latest() const;
    // Whether this progress calls for the progress display: the delay has passed, no cancel.
    bool WantsDisplay(const WorkProgress& progress) const;
    void Cancel();

    // After the end notification: the step's result (or its exception) goes to afterStep inside
    // runGuarded. Returns whether the window was asked to close meanwhile.
    bool End(const RunGuarded& runGuarded);

    // A close asked for: true when the window may close now; during a step, cancels it and
    // returns false (End then returns true).
    bool RequestClose();

    // Cancels a step still running and waits for its worker.
    void Stop() { step_.reset(); }

  private:
    std::unique_ptr<StepThread> step_;
    AfterStep afterStep_;
    bool running_ = false;
    bool closeAfterStep_ = false;
};

}  // namespace upd
