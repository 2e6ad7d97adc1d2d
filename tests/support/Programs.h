#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "util/ProcessRunner.h"

namespace updtest {

// The archiver's Windows parser: a double quote toggles quoting and is dropped, blanks
// outside quotes separate arguments, backslashes are ordinary (CommandLine's inverse).
inline std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::optional<std::string> current;  // the argument being read, if one has begun
    bool quoted = false;
    for (const char c : commandLine) {
        if ((c == ' ' || c == '\t') && !quoted) {
            if (current) {
                arguments.push_back(*std::exchange(current, std::nullopt));
            }
        } else {
            quoted = c == '"' ? !quoted : quoted;
            current = current.value_or("") + (c == '"' ? "" : std::string(1, c));
        }
    }
    if (current) {
        arguments.push_back(*current);
    }
    return arguments;
}

// Runs the program to its end, nothing cancelling it.
inline upd::ProcessOutcome Run(const upd::Command& command, const upd::OnOutput& onOutput = {}) {
    upd::CancelToken cancel;
    return upd::RunAndWait(command, onOutput, {}, cancel);
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
