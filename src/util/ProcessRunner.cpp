#include "util/ProcessRunner.h"

#include "util/OperationError.h"

namespace upd {

[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown) {
    throw OperationError("(" + std::to_string(code) + ") Unable to run " + shown);
}

ProcessOutcome RunAndWait(const Command& command) {
    return RunAndWait(command, [] { return true; });
}

ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting) {
    return RunAndWait(command, keepWaiting, OnOutput());
}

ProcessOutcome RunAndWait(const std::string& commandLine) {
    return RunAndWait(Command{SplitCommandLine(commandLine), commandLine, {}, {}});
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
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

}  // namespace upd
