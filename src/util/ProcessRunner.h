#pragma once

#include <functional>
#include <mutex>
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

// A program to run: its path (taken as it is, never searched for), its arguments and the
// folder it runs in. POSIX hands the arguments over as they stand; Windows joins them into
// one command line (see CommandLine).
struct Command {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingDirectory;  // empty: the tool's own
    std::string shownAs;           // for messages; empty: CommandLine(*this)
    // POSIX only: written to the program's standard input, which then ends (empty: the
    // input is /dev/null); at most a pipe's capacity (64 KiB).
    std::string input{};
    // POSIX only: "NAME=value" settings put over the tool's own environment.
    std::vector<std::string> environment{};
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

// Lets the window's thread stop a RunAndWait running on a worker. Cancel() marks the wait
// cancelled and at once ends the program being waited for (its process group on POSIX, its
// job on Windows); a program started after the cancel is not started at all.
class ProcessCancel {
  public:
    void Cancel();
    bool Requested() const;

    // For the runner: how to end the program now being waited for (empty: none). Called at
    // once when the cancel has already come.
    void SetEnder(std::function<void()> ender);

    // The runner's ender for the life of one wait.
    class Hook {
      public:
        Hook(ProcessCancel& cancel, std::function<void()> ender) : cancel_(cancel) {
            cancel_.SetEnder(std::move(ender));
        }
        ~Hook() { cancel_.SetEnder({}); }
        Hook(const Hook&) = delete;
        Hook& operator=(const Hook&) = delete;

      private:
        ProcessCancel& cancel_;
    };

  private:
    mutable std::mutex mutex_;
    bool requested_ = false;
    std::function<void()> ender_;
};

// The same, also ending the wait when cancel is cancelled from another thread; the outcome
// then says cancelled, whatever the ended program's exit code.
ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          ProcessCancel& cancel);

// Takes each piece of the program's output (standard output and error, as the pipe delivers
// them) as it arrives, on the thread that waits.
using OnOutput = std::function<void(std::string_view)>;

// The same, handing the output to onOutput as it arrives.
ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput);

// Both: the output as it arrives, and the cancel from another thread.
ProcessOutcome RunAndWait(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput, ProcessCancel& cancel);

namespace detail {
// The platform's runner behind every RunAndWait; onOutput may be empty, cancel null.
ProcessOutcome RunProgram(const Command& command, const KeepWaiting& keepWaiting,
                          const OnOutput& onOutput, ProcessCancel* cancel);
}  // namespace detail

// A complete command line, split by SplitCommandLine; messages show it as given.
ProcessOutcome RunAndWait(const std::string& commandLine);

// Throws OperationError "(<code>) Unable to run <shown>".
[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown);

// Splits a command line the way the archiver's Windows parser does: a double quote toggles
// quoting and is dropped, blanks outside quotes separate arguments, backslashes are ordinary.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The inverse of SplitCommandLine: the program in double quotes, then each argument; a switch
// ("-...") is quoted as a whole only when it holds a blank, any other argument unless it is
// plain letters and digits. No argument can carry '"' this way.
std::string CommandLine(const Command& command);

}  // namespace upd
