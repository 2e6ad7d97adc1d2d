#include "ui/StepThread.h"

namespace upd {

StepThread::StepThread(Step step, Notify progressed, Notify ended)
    : control_([this, progressed = std::move(progressed)](const WorkProgress& progress) {
          {
              const std::lock_guard lock(mutex_);
              latest_ = progress;
          }
          progressed();
      }),
      thread_([this, step = std::move(step), ended = std::move(ended)] { Run(step, ended); }) {}

StepThread::~StepThread() {
    if (thread_.joinable()) {
        Cancel();
        thread_.join();
    }
}

void StepThread::Run(const Step& step, const Notify& ended) {
    StepResult result = StepResult::Cancelled;
    std::exception_ptr error;
    try {
        result = step(control_);
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        result_ = result;
        error_ = error;
    }
    ended();
}

void StepThread::Cancel() {
    control_.Cancel();
}

WorkProgress StepThread::Latest() const {
    const std::lock_guard lock(mutex_);
    WorkProgress latest = latest_;
    latest.elapsed = control_.Elapsed();
    return latest;
}

StepResult StepThread::Result() {
    if (thread_.joinable()) {
        thread_.join();
    }
    if (error_) {
        std::rethrow_exception(error_);
    }
    return result_;
}

}  // namespace upd

namespace upd {

std::unique_ptr<StepThread> StartStepThread(Step step, StepThread::Notify progressed,
                                            StepThread::Notify ended) {
    return std::make_unique<StepThread>(std::move(step), std::move(progressed), std::move(ended));
}

}  // namespace upd
