// The life of a window's command step, over a fake window: what the window is asked to do,
// in order, and how the step's end comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/ExceptionRouting.h"
#include "ui/StepSession.h"

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using upd::StepEvent;
using upd::StepResult;

// Records the session's requests and runs the window's loop in a time of its own: the posted
// events come in the order they are due, and the time moves on only while the step sleeps in
// it or has ended, to the next event due or the step's waking.
class FakeWindow : public upd::StepHost {
  public:
    // "off, show 600, hide, on, done": the form disabled, the dialog shown (with the bytes
    // last reported), ..., the end.
    std::string calls;
    bool cancelWhenShown = false;  // as the dialog's "Отказ"
    upd::StepSession session;

    explicit FakeWindow(upd::StepSession::Launcher launcher)
        : session(
              *this, [this] { return Now(); }, std::move(launcher)) {}

    void Post(StepEvent event, milliseconds delay) override {
        const std::lock_guard lock(mutex_);
        posted_.emplace_back(now_ + delay, event);
        stepEnded_ |= event == StepEvent::Ended && delay == 0ms;  // the worker's own
        if (event == StepEvent::Ended && delay > 0ms) {
            Record("wait " + std::to_string(delay.count()));
        }
        changed_.notify_all();
    }
    void ShowProgress(const upd::WorkProgress& progress) override {
        const std::string shown = "show " + std::to_string(progress.outputBytes);
        if (!calls.ends_with(shown)) {  // the same report read twice
            Record(shown);
        }
        if (std::exchange(cancelWhenShown, false)) {
            session.Cancel();
        }
    }
    void HideProgress() override { Record("hide"); }
    void EnableForm(bool enabled) override { Record(enabled ? "on" : "off"); }
    void Close() override { Record("close"); }
    void Record(const std::string& call) { calls += (calls.empty() ? "" : ", ") + call; }

    // The step's: sleeps until the window's time reaches `at`, or a cancel.
    void SleepUntil(milliseconds at, const upd::StepControl& control) {
        std::unique_lock lock(mutex_);
        wakeAt_ = at;
        sleeper_ = &control;
        changed_.notify_all();
        while (now_ < at && !control.Cancelled()) {
            changed_.wait_for(lock, 5ms);
        }
        wakeAt_.reset();
    }

    bool DeliverUntilEnded() {
        std::unique_lock lock(mutex_);
        while (session.Running()) {
            const auto next = std::min_element(posted_.begin(), posted_.end(),
                                               [](auto& a, auto& b) { return a.first < b.first; });
            const milliseconds due = next == posted_.end() ? milliseconds::max() : next->first;
            if (due <= now_) {
                const StepEvent event = next->second;
                posted_.erase(next);
                lock.unlock();
                session.Deliver(event);
                lock.lock();
            } else if (stepEnded_ || (wakeAt_ && *wakeAt_ > now_ && !sleeper_->Cancelled())) {
                now_ = std::min(due, wakeAt_.value_or(milliseconds::max()));
                changed_.notify_all();
            } else if (changed_.wait_for(lock, 10s) == std::cv_status::timeout) {
                return false;
            }
        }
        return true;
    }

  private:
    std::chrono::steady_clock::time_point Now() {
        const std::lock_guard lock(mutex_);
        return std::chrono::steady_clock::time_point(now_);
    }

    milliseconds now_{0};
    std::optional<milliseconds> wakeAt_;
    const upd::StepControl* sleeper_ = nullptr;
    bool stepEnded_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<milliseconds, StepEvent>> posted_;
};

constexpr milliseconds kForever = milliseconds::max();

// Reports its bytes at these times of the window, ends at `end` or at a cancel, or throws.
struct Script {
    std::vector<milliseconds> reports;
    milliseconds end{0};
    bool throws = false;
};

upd::Step StepOf(FakeWindow& window, const Script& script) {
    return [&window, script](upd::StepControl& control) {
        for (const milliseconds at : script.reports) {
            window.SleepUntil(at, control);
            control.Report({std::nullopt, at.count()});
        }
        window.SleepUntil(script.end, control);
        if (script.throws) {
            throw std::runtime_error("счупено");
        }
        return control.Cancelled() ? StepResult::Cancelled : StepResult::Done;
    };
}

// As std::thread when the system has no thread to give.
std::unique_ptr<upd::StepThread> NoThread(upd::Step, upd::StepThread::Notify,
                                          upd::StepThread::Notify) {
    throw std::runtime_error("няма нишка");
}

// Done by the window's thread right after the start.
using Act = std::function<void(FakeWindow&)>;
const Act kNone = [](FakeWindow&) {};
const Act kCancelShown = [](FakeWindow& w) { w.cancelWhenShown = true; };
const Act kCancel = [](FakeWindow& w) { w.session.Cancel(); };
const Act kClose = [](FakeWindow& w) { EXPECT_FALSE(w.session.RequestClose()); };
const Act kSecond = [](FakeWindow& w) {
    bool ran = false;
    const bool started = w.session.Start([&ran](auto&) { return ran = true, StepResult::Done; },
                                         [&ran](StepResult) { ran = true; });
    w.session.RunCommand([&ran] { ran = true; });
    w.Record(started || ran ? "second ran" : "second refused");
};

struct Row {
    const char* name;
    Script step;
    Act act;
    const char* calls;
    bool noThread = false;
};

TEST(StepSession, RunsOneStepAtATimeWithItsDialogOnTimeCancelCloseAndError) {
    const Row rows[] = {
        {"quick: no dialog", {{100ms}, 100ms}, kNone, "off, on, done"},
        {"dialog after the delay",
         {{100ms, 600ms}, 1300ms},
         kNone,
         "off, show 100, show 600, hide, on, done"},
        {"dialog kept up",
         {{600ms}, 600ms},
         kNone,
         "off, show 0, show 600, wait 400, hide, on, done"},
        {"silent step: dialog and cancel on time",
         {{}, 5000ms},
         kCancelShown,
         "off, show 0, wait 500, hide, on, cancelled"},
        {"cancel before the delay", {{}, kForever}, kCancel, "off, on, cancelled"},
        {"close", {{}, kForever}, kClose, "off, on, cancelled, close"},
        {"exception", {{}, 0ms, true}, kNone, "off, on, Exception: счупено"},
        {"second step", {}, kSecond, "off, second refused, on, done"},
        {"no thread for the worker", {}, kNone, "off, on, Exception: няма нишка", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeWindow window(row.noThread ? &NoThread : &upd::StartStepThread);
        upd::SetErrorDialog([&window](const std::string& text) { window.Record(text); });
        const bool started = window.session.Start(StepOf(window, row.step), [&](StepResult r) {
            window.Record(r == StepResult::Done ? "done" : "cancelled");
        });
        EXPECT_EQ(started, !row.noThread);
        row.act(window);
        ASSERT_TRUE(window.DeliverUntilEnded());
        EXPECT_EQ(window.calls, row.calls);
        bool ran = false;  // once the end is handled, the next command runs
        window.session.RunCommand([&ran] { ran = true; });
        EXPECT_TRUE(ran);
        EXPECT_TRUE(window.session.RequestClose());
        upd::SetApplicationExceptionHandler({});
    }
}

}  // namespace
