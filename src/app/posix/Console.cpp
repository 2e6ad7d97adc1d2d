#include "app/Console.h"

#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iostream>
#include <optional>

namespace upd {

namespace {

// Switches the terminal's echo off for its lifetime; the settings come back however the
// reading ends, and the line break the user typed, unechoed, is written in its place.
class EchoOff {
  public:
    explicit EchoOff(int fd) : fd_(fd), saved_(tcgetattr(fd, &settings_) == 0) {
        if (saved_) {
            termios quiet = settings_;
            quiet.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL);
            tcsetattr(fd_, TCSAFLUSH, &quiet);
        }
    }
    ~EchoOff() {
        if (saved_) {
            tcsetattr(fd_, TCSANOW, &settings_);
        }
        ConsoleError() << '\n' << std::flush;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    int fd_;
    termios settings_{};
    bool saved_;
};

// Holds back the interruptions for its lifetime, so that one cannot arrive between the check
// for it and the wait, which would then not end.
class InterruptionsHeld {
  public:
    InterruptionsHeld() {
        sigset_t interruptions;
        sigemptyset(&interruptions);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&interruptions, signal);
        }
        pthread_sigmask(SIG_BLOCK, &interruptions, &outside_);
    }
    ~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &outside_, nullptr); }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
    const sigset_t& Outside() const { return outside_; }

  private:
    sigset_t outside_{};
};

// One byte, or none at the end of the input or once cancel is cancelled. Interruptions reach
// it only while it waits in ppoll(), which they always end (a read() may be restarted), so
// that Ctrl-C ends the wait.
std::optional<char> ReadByte(int fd, const CancelToken& cancel) {
    const InterruptionsHeld held;
    for (;;) {
        if (cancel.Requested()) {
            return std::nullopt;
        }
        pollfd wait{fd, POLLIN, 0};
        if (ppoll(&wait, 1, nullptr, &held.Outside()) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        char byte = 0;
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) {
            return byte;
        }
        if (got == 0 || errno != EINTR) {
            return std::nullopt;
        }
    }
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::ostream& ConsoleOutput() {
    return std::cout;
}

std::ostream& ConsoleError() {
    return std::cerr;
}

bool ErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::size_t ErrorColumns() {
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void KeepWorkingWhenOutputFails() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool InputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

std::string ReadHiddenLine(std::string_view prompt, const CancelToken& cancel) {
    const EchoOff quiet(STDIN_FILENO);
    ConsoleError() << prompt << std::flush;
    std::string line;
    while (const auto byte = ReadByte(STDIN_FILENO, cancel)) {
        if (*byte == '\n') {
            break;
        }
        line.push_back(*byte);
    }
    return line;
}

}  // namespace upd
