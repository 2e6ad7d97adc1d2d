// The life of a window's command step, over a fake window: what the window is asked to do,
// in order, and how the step's end comes back.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ui/ExceptionRouting.h"
#include "ui/StepSession.h"

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using upd::StepEvent;
using upd::StepResult;

// Records the session's requests; the test's thread delivers the posted events as the
// window's loop would. The clock stands still at the dialog's showing; the step's end
// arrives `shownFor` later, and a delayed event after its delay.
class FakeWindow : public upd::StepHost {
  public:
    // "off, show 600, hide, on, done": the form disabled, the dialog shown, ..., the end.
    std::string calls;
    bool cancelWhenShown = false;  // as the dialog's "Отказ"
    upd::StepSession session{*this, [this] { return now_; }};

    void Post(StepEvent event, milliseconds delay) override {
        const std::lock_guard lock(mutex_);
        posted_.emplace_back(event, delay);
        changed_.notify_all();
    }
    void ShowProgress(const upd::WorkProgress& progress) override {
        const std::string shown = "show " + std::to_string(progress.elapsed.count());
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

    bool DeliverUntilEnded(milliseconds shownFor) {
        while (session.Running()) {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, 10s, [this] { return !posted_.empty(); })) {
                return false;
            }
            const auto [event, delay] = posted_.front();
            posted_.pop_front();
            lock.unlock();
            if (delay > 0ms) {
                Record("wait " + std::to_string(delay.count()));
            }
            now_ += event == StepEvent::Ended && delay == 0ms ? shownFor : delay;
            session.Deliver(event);
        }
        return true;
    }

  private:
    std::chrono::steady_clock::time_point now_{};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<StepEvent, milliseconds>> posted_;
};

// Reports these elapsed times, then runs until cancelled if asked to, or throws.
struct Script {
    std::vector<milliseconds> reports;
    bool untilCancelled = false;
    bool throws = false;
};

upd::Step StepOf(const Script& script) {
    return [script](upd::StepControl& control) {
        for (const milliseconds elapsed : script.reports) {
            control.Report({elapsed, 0});
        }
        while (script.untilCancelled && !control.Cancelled()) {
            std::this_thread::sleep_for(5ms);
        }
        if (script.throws) {
            throw std::runtime_error("счупено");
        }
        return control.Cancelled() ? StepResult::Cancelled : StepResult::Done;
    };
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
    milliseconds shownFor;
    const char* calls;
};

TEST(StepSession, RunsOneStepAtATimeWithItsDialogCancelCloseAndError) {
    const Row rows[] = {
        {"quick: no dialog", {{100ms}}, kNone, 0ms, "off, on, done"},
        {"dialog after the delay", {{100ms, 600ms}}, kNone, 700ms, "off, show 600, hide, on, done"},
        {"dialog kept up", {{600ms}}, kNone, 100ms, "off, show 600, wait 400, hide, on, done"},
        {"cancel", {{600ms}, true}, kCancelShown, 500ms, "off, show 600, hide, on, cancelled"},
        {"cancel before the delay", {{600ms}, true}, kCancel, 0ms, "off, on, cancelled"},
        {"close", {{}, true}, kClose, 0ms, "off, on, cancelled, close"},
        {"exception", {{}, false, true}, kNone, 0ms, "off, on, Exception: счупено"},
        {"second step", {{}}, kSecond, 0ms, "off, second refused, on, done"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeWindow window;
        upd::SetErrorDialog([&window](const std::string& text) { window.Record(text); });
        ASSERT_TRUE(window.session.Start(StepOf(row.step), [&window](StepResult r) {
            window.Record(r == StepResult::Done ? "done" : "cancelled");
        }));
        row.act(window);
        ASSERT_TRUE(window.DeliverUntilEnded(row.shownFor));
        EXPECT_EQ(window.calls, row.calls);
        bool ran = false;  // once the end is handled, the next command runs
        window.session.RunCommand([&ran] { ran = true; });
        EXPECT_TRUE(ran);
        EXPECT_TRUE(window.session.RequestClose());
        upd::SetApplicationExceptionHandler({});
    }
}

}  // namespace
