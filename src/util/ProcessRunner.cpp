#include "util/ProcessRunner.h"

#include <algorithm>
#include <cerrno>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown) {
    throw OperationError("(" + std::to_string(code) + std::string(text::kUnableToRun) + shown);
}

ProcessOutcome RunAndWait(const Command& command) {
    return RunAndWait(command, [] { return true; });
}

void ProcessCancel::Cancel() {
    const std::lock_guard lock(mutex_);
    requested_ = true;
    if (ender_) {
        ender_();
    }
}

bool ProcessCancel::Requested() const {
    const std::lock_guard lock(mutex_);
    return requested_;
}

void ProcessCancel::SetEnder(std::function<void()> ender) {
    const std::lock_guard lock(mutex_);
    ender_ = std::move(ender);
    if (requested_ && ender_) {
        ender_();
    }
}

ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting) {
    return detail::RunProgram(command, keepWaiting, OnOutput(), nullptr);
}

ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput) {
    return detail::RunProgram(command, keepWaiting, onOutput, nullptr);
}

ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          ProcessCancel& cancel) {
    return RunAndWait(command, keepWaiting, OnOutput(), cancel);
}

ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput, ProcessCancel& cancel) {
    ProcessOutcome outcome;
    if (!cancel.Requested()) {
        outcome = detail::RunProgram(command, keepWaiting, onOutput, &cancel);
    }
    outcome.cancelled = outcome.cancelled || cancel.Requested();
    return outcome;
}

ProcessOutcome RunAndWait(const std::string& commandLine) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) {
        ThrowUnableToRun(ENOENT, commandLine);
    }
    const std::string program = std::move(arguments.front());
    arguments.erase(arguments.begin());
    return RunAndWait(Command{program, std::move(arguments), {}, commandLine});
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

namespace {

bool IsSwitch(const std::string& argument) {
    return argument.starts_with('-');
}

// ASCII only: the locale must not change a command line.
bool IsPlainWord(const std::string& argument) {
    return !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

bool NeedsQuotes(const std::string& argument) {
    if (IsSwitch(argument)) {
        return argument.find_first_of(" \t") != std::string::npos;
    }
    return !IsPlainWord(argument);
}

}  // namespace

std::string CommandLine(const Command& command) {
    std::string line = "\"" + command.program + "\"";
    for (const std::string& argument : command.arguments) {
        line += ' ';
        line += NeedsQuotes(argument) ? "\"" + argument + "\"" : argument;
    }
    return line;
}

}  // namespace upd
