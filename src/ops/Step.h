#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "container/UpdContainer.h"
#include "util/ProcessRunner.h"

namespace upd {

// The parts of a long step: the archiver's two, the index package's one each way, and the
// publication's hashing and copy (the progress texts are listed in this order).
enum class WorkPhase { Archiving, Checking, Packing, Restoring, Hashing, Publishing };

// How far a long step has come.
struct WorkProgress {
    std::chrono::milliseconds elapsed{0};  // since the step began
    std::int64_t outputBytes = 0;          // what the step has written so far
    WorkPhase phase = WorkPhase::Archiving;
    std::optional<int> percent{};  // of the phase, 0-100, never going back; absent: unknown
    std::chrono::milliseconds phaseElapsed{0};  // since the phase began
    // The share of the phase's time already spent, 0-1, where the step knows it better than
    // the percentage does (an archiver's percentage counts input bytes, which do not all
    // take the same time); absent: the percentage.
    std::optional<double> work{};
};

// What a phase has done, as a step reports it; the control adds the times and the phase.
struct PhaseAmounts {
    std::optional<int> percent{};
    std::int64_t outputBytes = 0;
    std::optional<double> work{};
};

// What a step sees while it runs. The control keeps the step's clock: it starts when the
// control is made, and each BeginPhase starts the phase's. The step reports what it has done
// through Report, and polls Cancelled. Cancel may come from another thread or from a signal
// handler (it only touches lock-free atomics and the system's call that ends a process group
// or job), and also ends at once the archiver the step is waiting for.
class StepControl {
  public:
    using Reporter = std::function<void(const WorkProgress&)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit StepControl(Reporter reporter = {}, Clock clock = &std::chrono::steady_clock::now);

    // From the step's thread. BeginPhase reports the phase's start with `start`.
    void BeginPhase(WorkPhase phase, const PhaseAmounts& start = {});
    void Report(const PhaseAmounts& amounts) const;
    // The step's times and phase now, without amounts.
    WorkProgress Now() const;
    // From any thread: the time since the step began.
    std::chrono::milliseconds Elapsed() const;

    void Cancel() noexcept { cancel_.Cancel(); }
    bool Cancelled() const noexcept { return cancel_.Requested(); }
    CancelToken& Token() { return cancel_; }

  private:
    Reporter reporter_;
    Clock clock_;
    const std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point phaseStarted_;
    WorkPhase phase_ = WorkPhase::Archiving;
    CancelToken cancel_;
};

// Byte counts as the phase's progress: reported at each new percent and about every 100 ms,
// so that a window is not flooded; each count answers whether to go on (no cancel).
ByteProgress StepProgress(StepControl& control);

enum class StepResult { Done, Cancelled };
using Step = std::function<StepResult(StepControl&)>;
using AfterStep = std::function<void(StepResult)>;

}  // namespace upd
