#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ops/InteractionServices.h"

namespace updtest {

// Answers the choosers from a script and records every call in order.
class FakeServices : public upd::InteractionServices {
  public:
    std::deque<std::string> folders;  // answers of ChooseFolder, in order
    std::deque<std::string> files;    // answers of ChooseFile, in order
    std::vector<std::string> calls;   // "ChooseFolder: caption", "ShowInfo: text", "WorkEnded"
    std::vector<upd::WorkProgress> progress;  // every ContinueWork report, in order
    int continueFor = -1;  // ContinueWork says "go on" this many times, then cancels; -1: always
    std::function<bool(const upd::WorkProgress&)> answer;  // when set, answers ContinueWork

    std::string ChooseFolder(const std::string& caption) override {
        calls.push_back("ChooseFolder: " + caption);
        return Next(folders);
    }
    std::string ChooseFile(const std::string& filter, const std::string& title) override {
        calls.push_back("ChooseFile: " + filter + " / " + title);
        return Next(files);
    }
    void ShowInfo(const std::string& text) override { calls.push_back("ShowInfo: " + text); }
    bool ContinueWork(const upd::WorkProgress& report) override {
        progress.push_back(report);
        if (answer) {
            return answer(report);
        }
        return continueFor < 0 || int(progress.size()) <= continueFor;
    }
    void WorkEnded() override { calls.push_back("WorkEnded"); }

  private:
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
