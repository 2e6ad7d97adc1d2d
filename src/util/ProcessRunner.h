#pragma once

#include <atomic>
#include <cstdint>
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

// Called about every 100 ms while the program runs, so that the caller can report how far it
// has come; it cannot stop the wait: only the cancel does.
using Heartbeat = std::function<void()>;

// Takes each piece of the program's output (standard output and error, as the pipe delivers
// them) as it arrives, on the thread that waits.
using OnOutput = std::function<void(std::string_view)>;

// A step's one cancel, from another thread or from a signal handler: the window's "Отказ",
// a signal and the password prompt all use it, and hashing, copying and RunAndWait all stop
// by it. Cancel() marks it cancelled and at once ends the program being waited for (its
// process group on POSIX, its job on Windows); a program started after the cancel is ended
// as soon as it starts.
// Lock-free throughout, so that a signal handler may call Cancel().
class CancelToken {
  public:
    void Cancel() noexcept;
    bool Requested() const noexcept { return requested_.load(); }

    // For the runner: the program now waited for (a process group id on POSIX, a job handle
    // on Windows), armed once it runs. Disarm() waits for a Cancel() already under way, so
    // that the runner may then reap the program: no cancel reaches a reused group id.
    class Armed {
      public:
        Armed(CancelToken* cancel, std::intptr_t target);
        ~Armed() { Disarm(); }
        Armed(const Armed&) = delete;
        Armed& operator=(const Armed&) = delete;
        void Disarm() noexcept;

      private:
        CancelToken* cancel_;
    };

  private:
    std::atomic<bool> requested_{false};
    std::atomic<std::intptr_t> target_{0};
    std::atomic<int> ending_{0};  // cancels now signalling target_
    static_assert(std::atomic<bool>::is_always_lock_free &&
                  std::atomic<std::intptr_t>::is_always_lock_free &&
                  std::atomic<int>::is_always_lock_free);
};

// Starts the program hidden, in a new process group (a job on Windows), with its output
// captured and handed to onOutput (may be empty) as it arrives, and waits for it without a
// time limit, calling heartbeat (may be empty) as it waits. When cancel is cancelled, the
// program and every process it started are ended (POSIX:
// SIGTERM to its group, SIGKILL after a short grace; Windows: the job is terminated) and the
// outcome says cancelled, whatever the ended program's exit code. Whatever the program started and
// left behind is ended on every path, also after a success. Throws OperationError
// "(<code>) Unable to run <shownAs>" when it cannot be started.
ProcessOutcome RunAndWait(const Command& command, const OnOutput& onOutput,
                          const Heartbeat& heartbeat, CancelToken& cancel);

namespace detail {
// The platform's runner behind RunAndWait.
ProcessOutcome RunProgram(const Command& command, const OnOutput& onOutput,
                          const Heartbeat& heartbeat, CancelToken& cancel);
// The platform's end of a program tree, safe in a signal handler.
void EndProgramTree(std::intptr_t target) noexcept;
}  // namespace detail

// Throws OperationError "(<code>) Unable to run <shown>".
[[noreturn]] void ThrowUnableToRun(long code, const std::string& shown);

// One command line as the archiver's Windows parser reads it back (a double quote toggles
// quoting and is dropped, blanks outside quotes separate arguments, backslashes are
// ordinary): the program in double quotes, then each argument; a switch
// ("-...") is quoted as a whole only when it holds a blank, any other argument unless it is
// plain letters and digits. No argument can carry '"' this way.
std::string CommandLine(const Command& command);

}  // namespace upd
