#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace upd {

// The parts of a long step, in their order.
enum class WorkPhase { Archiving, Checking };

// How far a long step (the archiver and the check of its archive) has come.
struct WorkProgress {
    std::chrono::milliseconds elapsed{0};  // since the step began
    std::int64_t outputBytes = 0;          // the size the new archive has reached so far
    // The same as phase == Checking; the windows read it until they show a ProgressView.
    bool checking = false;
    WorkPhase phase = WorkPhase::Archiving;
    std::optional<int> percent{};  // of the phase, 0-100, never going back; absent: unknown
    std::chrono::milliseconds phaseElapsed{0};  // since the phase began
};

// How a command talks to the user. Every call is modal; an empty result means "cancelled".
class InteractionServices {
  public:
    virtual ~InteractionServices() = default;
    virtual std::string ChooseFolder(const std::string& caption) = 0;
    // filter is "Display name|*.ext".
    virtual std::string ChooseFile(const std::string& filter, const std::string& title) = 0;
    virtual void ShowInfo(const std::string& text) = 0;

    // Called about every 100 ms while a long step runs, so that a window can stay alive and
    // show progress. Returns false when the user cancels the step.
    virtual bool ContinueWork(const WorkProgress& /*progress*/) { return true; }
    // The long step has ended (done, failed or cancelled): close any progress display.
    virtual void WorkEnded() {}
};

}  // namespace upd
