#pragma once

#include <exception>

namespace upd {

// Once called, Ctrl-C and SIGTERM (Ctrl-C, Ctrl-Break and closing the console on Windows)
// no longer end the process at once: they are recorded, and long work stops at its next
// check, so that temporary files are removed and a started archiver is ended.
void CatchInterruptions();

// The signal number of the first interruption caught (SIGINT 2, SIGTERM 15), or 0.
int CaughtInterruption();

// Thrown by ThrowIfInterrupted; carries the signal number.
class Interrupted : public std::exception {
  public:
    explicit Interrupted(int signal) : signal_(signal) {}
    int Signal() const { return signal_; }
    const char* what() const noexcept override { return "Interrupted"; }

  private:
    int signal_;
};

// Throws Interrupted when an interruption has been caught. Long loops call this.
void ThrowIfInterrupted();

// The exit status of a program ended by that signal: 130 for SIGINT, 143 for SIGTERM.
inline int InterruptedExitStatus(int signal) {
    return 128 + signal;
}

}  // namespace upd
