#pragma once

#include <string>
#include <vector>

namespace upd {

struct ProcessOutcome {
    int exitCode = 0;
    // The end of what the program wrote to its standard output and error, where the
    // platform captures it (not on Windows, where the console is hidden instead).
    std::string outputTail;
};

// Starts the program of a complete command line (Windows quoting) hidden, in a new process
// group, and waits for it without a time limit. Throws OperationError
// "(<code>) Unable to run <command line>" when it cannot be started.
ProcessOutcome RunAndWait(const std::string& commandLine);

// Throws OperationError "(<code>) Unable to run <command line>".
[[noreturn]] void ThrowUnableToRun(long code, const std::string& commandLine);

// Splits a command line the way the archiver's Windows parser does: a double quote toggles
// quoting and is dropped, blanks outside quotes separate arguments, backslashes are ordinary.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace upd
