#include "util/ProcessRunner.h"

#include <algorithm>
#include <thread>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown) {
    throw OperationError("(" + std::to_string(code) + std::string(text::kUnableToRun) + shown);
}

void CancelToken::Cancel() noexcept {
    requested_.store(true);
    ending_.fetch_add(1);
    if (const std::intptr_t target = target_.load(); target != 0) {
        detail::EndProgramTree(target);
    }
    ending_.fetch_sub(1);
}

CancelToken::Armed::Armed(CancelToken* cancel, std::intptr_t target) : cancel_(cancel) {
    cancel_->target_.store(target);
    if (cancel_->Requested()) {  // a cancel that came before the program ran
        detail::EndProgramTree(target);
    }
}

void CancelToken::Armed::Disarm() noexcept {
    cancel_->target_.store(0);
    // A signal handler interrupting this thread runs to its end before the loop goes on.
    while (cancel_->ending_.load() != 0) {
        std::this_thread::yield();
    }
}

ProcessOutcome RunAndWait(const Command& command, const OnOutput& onOutput,
                          const Heartbeat& heartbeat, CancelToken& cancel) {
    ProcessOutcome outcome;
    if (!cancel.Requested()) {
        outcome = detail::RunProgram(command, onOutput, heartbeat, cancel);
    }
    outcome.cancelled = outcome.cancelled || cancel.Requested();
    return outcome;
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
