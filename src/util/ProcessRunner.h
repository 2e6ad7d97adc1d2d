#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace upd {

struct ProcessOutcome {
    int exitCode = 0;
    // The end of what the program wrote to its standard output and error.
    std::string outputTail;
    // The caller stopped the wait: the program and everything it started were ended.
    bool cancelled = false;
};

// A program to run. POSIX hands `arguments` to the program as they stand (arguments[0] is the
// program's path, taken as it is, never searched for); Windows hands `commandLine` whole to
// CreateProcess. Both describe the same call.
struct Command {
    std::vector<std::string> arguments;
    std::string commandLine;
    std::string workingDirectory;  // empty: the tool's own
    std::string shownAs;           // for messages; empty: the command line
};

// Called about every 100 ms while the program runs; returns whether to go on waiting.
using KeepWaiting = std::function<bool()>;

// Starts the program hidden, in a new process group (a job on Windows), with its output
// captured, and waits for it without a time limit. Throws OperationError
// "(<code>) Unable to run <shownAs>" when it cannot be started.
ProcessOutcome RunAndWait(const Command& command);

// The same, asking keepWaiting as it waits. When that returns false, the program and every
// process it started are ended (POSIX: SIGTERM to its group, SIGKILL after a short grace;
// Windows: the job is terminated) and the outcome says so.
ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting);

// Takes each piece of the program's output (standard output and error, as the pipe delivers
// them) as it arrives, on the thread that waits.
using OnOutput = std::function<void(std::string_view)>;

// The same, handing the output to onOutput as it arrives.
ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput);

// A complete command line (Windows quoting), split on POSIX by SplitCommandLine.
ProcessOutcome RunAndWait(const std::string& commandLine);

// Throws OperationError "(<code>) Unable to run <shown>".
[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown);

// Splits a command line the way the archiver's Windows parser does: a double quote toggles
// quoting and is dropped, blanks outside quotes separate arguments, backslashes are ordinary.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace upd
