#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ops/InteractionServices.h"

namespace upd {

// A command's step on a worker thread of its own, for a window that stays in its event loop.
// The worker reports through two notifications, called on the worker: each should only post
// a message to the window's thread, which then reads Latest() or Result().
class StepThread {
  public:
    using Notify = std::function<void()>;
    StepThread(Step step, Notify progressed, Notify ended);
    // Cancels a step that still runs and waits for the worker.
    ~StepThread();
    StepThread(const StepThread&) = delete;
    StepThread& operator=(const StepThread&) = delete;

    // From the window's thread: marks the step cancelled and ends its archiver at once.
    void Cancel();
    bool Cancelled() const { return control_.Cancelled(); }
    // The last progress reported, its elapsed time as of now (a step that has not reported
    // yet has run as well).
    WorkProgress Latest() const;

    // Once ended has been notified: how the step ended; rethrows the step's exception.
    StepResult Result();

  private:
    void Run(const Step& step, const Notify& ended);

    mutable std::mutex mutex_;
    WorkProgress latest_;
    StepResult result_ = StepResult::Cancelled;
    std::exception_ptr error_;
    StepControl control_;
    std::thread thread_;
};

std::unique_ptr<StepThread> StartStepThread(Step step, StepThread::Notify progressed,
                                            StepThread::Notify ended);

}  // namespace upd
