#include "ops/Step.h"

#include <algorithm>

namespace upd {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

StepControl::StepControl(Reporter reporter, Clock clock)
    : reporter_(std::move(reporter)),
      clock_(std::move(clock)),
      started_(clock_()),
      phaseStarted_(started_) {}

void StepControl::BeginPhase(WorkPhase phase, const PhaseAmounts& start) {
    phase_ = phase;
    phaseStarted_ = clock_();
    Report(start);
}

std::chrono::milliseconds StepControl::Elapsed() const {
    return duration_cast<milliseconds>(clock_() - started_);
}

WorkProgress StepControl::Now() const {
    const auto now = clock_();  // one reading: the phase never outlasts the step
    WorkProgress progress;
    progress.elapsed = duration_cast<milliseconds>(now - started_);
    progress.phaseElapsed = duration_cast<milliseconds>(now - phaseStarted_);
    progress.phase = phase_;
    return progress;
}

void StepControl::Report(const PhaseAmounts& amounts) const {
    if (!reporter_) {
        return;
    }
    WorkProgress progress = Now();
    progress.percent = amounts.percent;
    progress.outputBytes = amounts.outputBytes;
    progress.work = amounts.work;
    reporter_(progress);
}

ByteProgress StepProgress(StepControl& control) {
    return [&control, lastShown = milliseconds(-1000),
            lastPercent = -1](const ByteCount& count) mutable {
        const int percent = count.total > 0 ? int(count.done * 100 / count.total) : 0;
        const milliseconds now = control.Now().elapsed;
        if (percent != lastPercent || now - lastShown >= milliseconds(100)) {
            lastPercent = percent;
            lastShown = now;
            control.Report({std::min(percent, 100), count.written});
        }
        return !control.Cancelled();
    };
}

}  // namespace upd
