#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ops/Step.h"

namespace upd {

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

// How a command talks to the user. Every chooser is modal; an empty result means "cancelled".
class InteractionServices {
  public:
    virtual ~InteractionServices() = default;
    virtual std::string ChooseFolder(const std::string& caption) = 0;
    virtual std::string ChooseFile(const ChooserFilter& filter, const std::string& title) = 0;
    virtual void ShowInfo(const std::string& text) = 0;

    // Runs the command's work (the step between its choosers and its result). A window runs
    // it on a worker, shows its progress, and calls afterStep on its own thread when the step
    // has ended, handing an exception to the application's handler instead.
    virtual void RunStep(Step step, AfterStep afterStep) = 0;
};

// The end of every command: "Готово!" when its step is done, nothing after a cancel.
AfterStep SayDoneUnlessCancelled(InteractionServices& services);

}  // namespace upd
