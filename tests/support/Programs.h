#pragma once

#include <string>
#include <vector>

#include "util/ProcessRunner.h"

namespace updtest {

// The archiver's Windows parser: a double quote toggles quoting and is dropped, blanks
// outside quotes separate arguments, backslashes are ordinary (CommandLine's inverse).
inline std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

// Runs the program to its end (or until keepWaiting says stop), nothing cancelling it.
inline upd::ProcessOutcome Run(const upd::Command& command,
                               const upd::KeepWaiting& keepWaiting = {},
                               const upd::OnOutput& onOutput = {}) {
    upd::ProcessCancel cancel;
    return upd::RunAndWait(command, keepWaiting, onOutput, cancel);
}

// A whole command line, split as the archiver would; messages show it as given.
inline upd::ProcessOutcome RunLine(const std::string& commandLine) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    const std::string program = arguments.empty() ? std::string() : arguments.front();
    if (!arguments.empty()) {
        arguments.erase(arguments.begin());
    }
    return Run(upd::Command{program, std::move(arguments), {}, commandLine});
}

}  // namespace updtest
