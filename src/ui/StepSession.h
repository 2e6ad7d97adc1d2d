#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "ops/InteractionServices.h"
#include "ui/StepThread.h"

namespace upd {

enum class StepEvent { Progressed, Ended };

// What a window offers the session of its command's step; all but Post are called on the
// window's thread.
class StepHost {
  public:
    virtual ~StepHost() = default;
    // Has the window's thread call StepSession::Deliver(event) once delay has passed. The
    // worker calls it with no delay: it must only queue. Events still queued when the window
    // goes are dropped with it.
    virtual void Post(StepEvent event, std::chrono::milliseconds delay) = 0;
    // Shows the modal progress dialog (made at the first call), whose cancel calls
    // StepSession::Cancel.
    virtual void ShowProgress(const WorkProgress& progress) = 0;
    virtual void HideProgress() = 0;
    // Takes the form's input away while a step runs, without changing its look.
    virtual void EnableForm(bool enabled) = 0;
    // Closes the window for good.
    virtual void Close() = 0;
};

// A window's command step, the same in both windows: one step at a time on a worker, the
// progress dialog once the step has run for the form's delay (reported or not) and then for at
// least kProgressShownAtLeast, the cancel, the step's exception to the application's handler, and
// a close asked for during a step (the step is cancelled first; the window closes once it
// has ended).
class StepSession {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Makes the step's worker, which throws as std::thread does when the system cannot start
    // one.
    using Launcher =
        std::function<std::unique_ptr<StepThread>(Step, StepThread::Notify, StepThread::Notify)>;
    explicit StepSession(StepHost& host, Clock clock = &std::chrono::steady_clock::now,
                         Launcher launcher = &StartStepThread);
    // Cancels a step still running and waits for its worker.
    ~StepSession() { Stop(); }
    StepSession(const StepSession&) = delete;
    StepSession& operator=(const StepSession&) = delete;

    // Runs a button's command inside RunGuarded; ignored while a step runs.
    void RunCommand(const std::function<void()>& command);
    // Starts the step on a worker; its dialog follows after the form's delay whether or not
    // the step has reported by then. Refused (false, nothing runs) while another step runs,
    // and when the worker cannot start: that error goes to the application's handler and the
    // form comes back.
    bool Start(Step step, AfterStep afterStep);
    // From Start until the step's end has been handled ("Готово!" closed).
    bool Running() const { return running_; }
    // Posted events reach the session here, on the window's thread.
    void Deliver(StepEvent event);
    void Cancel();
    // A close asked for: true when the window may close now; during a step, cancels it and
    // returns false (the host's Close follows once the step has ended).
    bool RequestClose();
    // Cancels a step still running and waits for its worker (before the host goes).
    void Stop() { step_.reset(); }

  private:
    void ShowProgress();
    void End();

    StepHost& host_;
    Clock clock_;
    Launcher launcher_;
    std::unique_ptr<StepThread> step_;
    AfterStep afterStep_;
    std::chrono::steady_clock::time_point startedAt_;
    std::optional<std::chrono::steady_clock::time_point> shownAt_;
    bool running_ = false;
    bool closeAfterStep_ = false;
};

}  // namespace upd
