#pragma once

#include "util/ProcessRunner.h"

namespace upd {

// While one lives, Ctrl-C, Ctrl-\ (SIGQUIT), SIGTERM and SIGHUP (Ctrl-C, Ctrl-Break and
// closing the console on Windows) no longer end the process at once: they cancel the work through
// cancel, which also ends a running archiver, so that the work removes its temporary files and
// returns. Only one at a time; the signals' earlier handling comes back when it ends.
class CancelOnInterruption {
  public:
    explicit CancelOnInterruption(CancelToken& cancel);
    ~CancelOnInterruption();
    CancelOnInterruption(const CancelOnInterruption&) = delete;
    CancelOnInterruption& operator=(const CancelOnInterruption&) = delete;

    // The signal number of the first interruption caught (SIGINT 2, SIGTERM 15, SIGHUP 1,
    // SIGQUIT 3), or 0.
    int Caught() const;
};

// The exit status of a program ended by that signal: 130 for SIGINT, 143 for SIGTERM, 129
// for SIGHUP, 131 for SIGQUIT.
inline int InterruptedExitStatus(int signal) {
    return 128 + signal;
}

}  // namespace upd
