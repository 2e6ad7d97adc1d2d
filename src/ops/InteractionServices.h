#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/ProcessRunner.h"

namespace upd {

// The parts of a long step, in their order.
enum class WorkPhase { Archiving, Checking, Publishing };

// How far a long step (the archiver and the check of its archive) has come.
struct WorkProgress {
    std::chrono::milliseconds elapsed{0};  // since the step began
    std::int64_t outputBytes = 0;          // the size the new archive has reached so far
    WorkPhase phase = WorkPhase::Archiving;
    std::optional<int> percent{};  // of the phase, 0-100, never going back; absent: unknown
    std::chrono::milliseconds phaseElapsed{0};  // since the phase began
};

// A file chooser's filter: one display name and its wildcard patterns.
struct ChooserFilter {
    std::string name;
    std::vector<std::string> patterns;

    // From "Display name|*.a;*.b", the platforms' way of writing one filter.
    static ChooserFilter Parse(std::string_view text);
    // Back to "Display name|*.a;*.b".
    std::string Text() const;
    bool operator==(const ChooserFilter&) const = default;
};

// What the step between the choosers and the result sees while it runs: it reports how far
// it has come, and learns of a cancel, which may come from another thread and also ends the
// archiver the step is waiting for.
class StepControl {
  public:
    using Reporter = std::function<void(const WorkProgress&)>;
    explicit StepControl(Reporter reporter = {}) : reporter_(std::move(reporter)) {}

    void Report(const WorkProgress& progress) const {
        if (reporter_) {
            reporter_(progress);
        }
    }
    void Cancel() { cancel_.Cancel(); }
    bool Cancelled() const { return cancel_.Requested(); }
    ProcessCancel& Process() { return cancel_; }

  private:
    Reporter reporter_;
    ProcessCancel cancel_;
};

enum class StepResult { Done, Cancelled };
using Step = std::function<StepResult(StepControl&)>;
using AfterStep = std::function<void(StepResult)>;

// Runs the step here and now, asking keepGoing about every report (a false cancels); then
// afterStep. An exception of the step passes to the caller and afterStep is not called.
void RunStepHere(const Step& step, const AfterStep& afterStep,
                 const std::function<bool(const WorkProgress&)>& keepGoing = {});

// How a command talks to the user. Every chooser is modal; an empty result means "cancelled".
class InteractionServices {
  public:
    virtual ~InteractionServices() = default;
    virtual std::string ChooseFolder(const std::string& caption) = 0;
    virtual std::string ChooseFile(const ChooserFilter& filter, const std::string& title) = 0;
    virtual void ShowInfo(const std::string& text) = 0;

    // Runs the command's work (the step between its choosers and its result). A window runs
    // it on a worker, shows its progress, and calls afterStep on its own thread when the step
    // has ended, handing an exception to the application's handler instead. By default the
    // step runs here (RunStepHere).
    virtual void RunStep(Step step, AfterStep afterStep) { RunStepHere(step, afterStep); }
};

// The end of every command: "Готово!" when its step is done, nothing after a cancel.
AfterStep SayDoneUnlessCancelled(InteractionServices& services);

}  // namespace upd
