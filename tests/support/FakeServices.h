#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/InteractionServices.h"

namespace updtest {

// Answers the choosers from a script and records every call in order.
class FakeServices : public upd::InteractionServices {
  public:
    std::deque<std::string> folders;  // answers of ChooseFolder, in order
    std::deque<std::string> files;    // answers of ChooseFile, in order
    // "ChooseFolder: caption", "ShowInfo: text", "WorkEnded" (the step has ended, however)
    std::vector<std::string> calls;
    std::vector<upd::WorkProgress> progress;  // every report of the step, in order
    int continueFor = -1;  // the step goes on after this many reports, then cancels; -1: always
    std::function<bool(const upd::WorkProgress&)> answer;  // when set, answers each report

    std::string ChooseFolder(const std::string& caption) override {
        calls.push_back("ChooseFolder: " + caption);
        return Next(folders);
    }
    std::string ChooseFile(const upd::ChooserFilter& filter, const std::string& title) override {
        calls.push_back("ChooseFile: " + filter.Text() + " / " + title);
        return Next(files);
    }
    void ShowInfo(const std::string& text) override { calls.push_back("ShowInfo: " + text); }
    // Here and now, as updtool would; "WorkEnded" also when the step fails.
    void RunStep(upd::Step step, upd::AfterStep afterStep) override {
        upd::StepResult result{};
        {
            const EndedAtExit ended{calls};
            upd::StepControl control([this, &control](const upd::WorkProgress& report) {
                if (!GoOn(report)) {
                    control.Cancel();
                }
            });
            result = step(control);
        }
        afterStep(result);
    }

  private:
    struct EndedAtExit {
        std::vector<std::string>& calls;
        ~EndedAtExit() { calls.push_back("WorkEnded"); }
    };
    bool GoOn(const upd::WorkProgress& report) {
        progress.push_back(report);
        if (answer) {
            return answer(report);
        }
        return continueFor < 0 || int(progress.size()) <= continueFor;
    }
    static std::string Next(std::deque<std::string>& answers) {
        if (answers.empty()) {
            return {};  // an unscripted chooser behaves as a cancel
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace updtest
