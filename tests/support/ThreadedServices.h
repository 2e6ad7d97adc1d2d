#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include "support/FakeServices.h"
#include "ui/StepThread.h"

namespace updtest {

// Runs the command's step on a worker as the windows do, with this (test) thread in the
// window's place: the worker's notifications wake it instead of posting a message.
class ThreadedServices : public FakeServices {
  public:
    void RunStep(upd::Step step, upd::AfterStep afterStep) override {
        afterStep_ = std::move(afterStep);
        step_ = std::make_unique<upd::StepThread>(
            std::move(step), [this] { Notify(progressed_); }, [this] { Notify(ended_); });
    }

    bool WaitForProgress(std::chrono::milliseconds timeout) { return Wait(progressed_, timeout); }
    void Cancel() { step_->Cancel(); }

    // Waits for the end, then as the window: the result to afterStep, or the exception.
    std::optional<upd::StepResult> Finish(std::chrono::milliseconds timeout) {
        if (!Wait(ended_, timeout)) {
            return std::nullopt;
        }
        const upd::StepResult result = step_->Result();  // rethrows the step's exception
        afterStep_(result);
        return result;
    }

  private:
    void Notify(bool& flag) {
        const std::lock_guard lock(mutex_);
        flag = true;
        changed_.notify_all();
    }
    bool Wait(bool& flag, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&flag] { return flag; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool progressed_ = false;
    bool ended_ = false;
    upd::AfterStep afterStep_;
    std::unique_ptr<upd::StepThread> step_;
};

}  // namespace updtest
