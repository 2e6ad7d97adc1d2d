#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "util/ProcessRunner.h"

namespace upd {

// The parts of a long step: the archiver's two, the index package's one each way, and the
// publication's copy (the progress texts are listed in this order).
enum class WorkPhase { Archiving, Checking, Packing, Restoring, Publishing };

// How far a long step has come.
struct WorkProgress {
    std::chrono::milliseconds elapsed{0};  // since the step began
    std::int64_t outputBytes = 0;          // what the step has written so far
    WorkPhase phase = WorkPhase::Archiving;
    std::optional<int> percent{};  // of the phase, 0-100, never going back; absent: unknown
    std::chrono::milliseconds phaseElapsed{0};  // since the phase began
};

// What a step sees while it runs: it reports how far it has come through Report, and polls
// Cancelled. Cancel may come from another thread or from a signal handler (it only touches
// lock-free atomics and the system's call that ends a process group or job), and also ends
// at once the archiver the step is waiting for.
class StepControl {
  public:
    using Reporter = std::function<void(const WorkProgress&)>;
    explicit StepControl(Reporter reporter = {}) : reporter_(std::move(reporter)) {}

    void Report(const WorkProgress& progress) const {
        if (reporter_) {
            reporter_(progress);
        }
    }
    void Cancel() noexcept { cancel_.Cancel(); }
    bool Cancelled() const noexcept { return cancel_.Requested(); }
    ProcessCancel& Process() { return cancel_; }

  private:
    Reporter reporter_;
    ProcessCancel cancel_;
};

enum class StepResult { Done, Cancelled };
using Step = std::function<StepResult(StepControl&)>;
using AfterStep = std::function<void(StepResult)>;

}  // namespace upd
