#include "util/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

extern char** environ;

namespace upd {

namespace {

constexpr std::size_t kTailBytes = 16384;

class Pipe {
  public:
    Pipe() {
        if (::pipe2(ends_, O_CLOEXEC) != 0) {
            ends_[0] = ends_[1] = -1;
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Ok() const { return ends_[0] >= 0; }
    int Read() const { return ends_[0]; }
    int Write() const { return ends_[1]; }
    void CloseRead() { Close(ends_[0]); }
    void CloseWrite() { Close(ends_[1]); }

  private:
    static void Close(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    int ends_[2];
};

// Owns the spawn settings: stdin from the input pipe (or /dev/null), stdout and stderr into
// the output pipe, a new session (so no controlling terminal: a program that would ask the
// terminal for a password reads its standard input instead) and with it a new process group,
// default signal handling, the working directory.
class SpawnSettings {
  public:
    SpawnSettings(const Pipe* input, const Pipe& output, const std::string& workingDirectory) {
        posix_spawn_file_actions_init(&actions_);
        if (!workingDirectory.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str());
        }
        if (input != nullptr) {
            posix_spawn_file_actions_adddup2(&actions_, input->Read(), 0);
        } else {
            posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        }
        posix_spawn_file_actions_adddup2(&actions_, output.Write(), 1);
        posix_spawn_file_actions_adddup2(&actions_, output.Write(), 2);
        posix_spawnattr_init(&attributes_);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Keeps the last kTailBytes of what the program writes and hands every piece on.
class OutputTail {
  public:
    OutputTail(int fd, const OnOutput& onOutput) : fd_(fd), onOutput_(onOutput) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    bool Open() const { return open_; }
    int Fd() const { return open_ ? fd_ : -1; }
    // Reads what is there without waiting.
    void Drain() {
        char buffer[4096];
        while (open_) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                open_ = errno == EAGAIN || errno == EWOULDBLOCK;
                return;
            }
            if (got == 0) {
                open_ = false;
                return;
            }
            Keep(std::string_view(buffer, std::size_t(got)));
        }
    }
    std::string Take() {
        if (text_.size() > kTailBytes) {
            text_.erase(0, text_.size() - kTailBytes);
        }
        return std::move(text_);
    }

  private:
    void Keep(std::string_view chunk) {
        if (onOutput_) {
            onOutput_(chunk);
        }
        text_.append(chunk);
        if (text_.size() > 2 * kTailBytes) {
            text_.erase(0, text_.size() - kTailBytes);
        }
    }

    int fd_;
    const OnOutput& onOutput_;
    bool open_ = true;
    std::string text_;
};

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
}

// The started program, the leader of its own process group. Its group is ended and it is
// reaped on every path, so that neither a zombie nor a background child of it is left. The
// group is only ever signalled while its unreaped leader keeps the id from being reused.
class Child {
  public:
    Child(pid_t pid, CancelToken& cancel) : pid_(pid), armed_(&cancel, pid) {}
    ~Child() {
        if (!reaped_) {
            Finish();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the program has ended, leaving it unreaped.
    bool Ended() const {
        siginfo_t info{};
        while (::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
            if (errno != EINTR) {
                return true;  // gone already: nothing left to wait for
            }
        }
        return info.si_pid == pid_;
    }
    // SIGTERM to the group, and a short grace for the program to end by itself.
    void Terminate() const {
        using Clock = std::chrono::steady_clock;
        ::kill(-pid_, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::milliseconds(1500);
        while (Clock::now() < deadline && !Ended()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // Ends what is left of the group, disarms the cancel and reaps; returns the exit code.
    int Finish() {
        ::kill(-pid_, SIGKILL);
        armed_.Disarm();
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        return ExitCodeOf(status);
    }

  private:
    pid_t pid_;
    CancelToken::Armed armed_;
    bool reaped_ = false;
};

// argv[0] is the program's path, as posix_spawn expects.
std::vector<char*> ArgumentVector(const Command& command) {
    std::vector<char*> argv{const_cast<char*>(command.program.c_str())};
    for (const auto& argument : command.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

bool HoldsNul(const Command& command) {
    const auto nul = [](const std::string& text) { return text.find('\0') != std::string::npos; };
    return nul(command.program) ||
           std::any_of(command.arguments.begin(), command.arguments.end(), nul);
}

// The tool's environment with the command's settings put over it; the pointers are into
// settings and environ.
std::vector<char*> EnvironmentVector(const std::vector<std::string>& settings) {
    const auto setsName = [&settings](std::string_view entry) {
        return std::any_of(settings.begin(), settings.end(), [entry](const std::string& setting) {
            const std::size_t equals = setting.find('=');
            return equals != std::string::npos &&
                   entry.substr(0, equals + 1) == std::string_view(setting).substr(0, equals + 1);
        });
    };
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!setsName(*entry)) {
            envp.push_back(*entry);
        }
    }
    for (const std::string& setting : settings) {
        envp.push_back(const_cast<char*>(setting.c_str()));
    }
    envp.push_back(nullptr);
    return envp;
}

// Puts the whole input into a fresh pipe before the program starts: it then waits there for
// the program, and a program that ends without reading it cannot make the write fail.
bool Fill(const Pipe& input, const std::string& text) {
    ::fcntl(input.Write(), F_SETFL, ::fcntl(input.Write(), F_GETFL) | O_NONBLOCK);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(input.Write(), text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += std::size_t(written);
    }
    return true;
}

std::string Shown(const Command& command) {
    return command.shownAs.empty() ? CommandLine(command) : command.shownAs;
}

// Waits for the program, reading its output and beating about every 100 ms, until it ends or
// cancel is cancelled.
ProcessOutcome Watch(Child& child, OutputTail& output, const Heartbeat& heartbeat,
                     const CancelToken& cancel) {
    using Clock = std::chrono::steady_clock;
    auto lastBeat = Clock::now();
    ProcessOutcome outcome;
    while (!child.Ended()) {
        pollfd watched{output.Fd(), POLLIN, 0};
        ::poll(&watched, 1, 50);  // a signal's cancel ends the wait early (EINTR)
        output.Drain();
        if (cancel.Requested()) {
            child.Terminate();
            outcome.cancelled = true;
            break;
        }
        if (heartbeat && Clock::now() - lastBeat >= std::chrono::milliseconds(100)) {
            lastBeat = Clock::now();
            heartbeat();
        }
    }
    outcome.exitCode = child.Finish();
    // What it wrote before it ended; children that keep the pipe open are not waited for.
    output.Drain();
    outcome.outputTail = output.Take();
    return outcome;
}

}  // namespace

namespace detail {

void EndProgramTree(std::intptr_t target) noexcept {
    ::kill(-pid_t(target), SIGTERM);
}

ProcessOutcome RunProgram(const Command& command, const OnOutput& onOutput,
                          const Heartbeat& heartbeat, CancelToken& cancel) {
    // A NUL would end its argument early: the program would get less than was given.
    if (HoldsNul(command)) {
        ThrowUnableToRun(EINVAL, Shown(command));
    }
    std::vector<char*> argv = ArgumentVector(command);
    std::vector<char*> envp = EnvironmentVector(command.environment);
    Pipe output;
    Pipe input;
    if (!output.Ok() || !input.Ok()) {
        ThrowUnableToRun(errno, Shown(command));
    }
    const bool hasInput = !command.input.empty();
    if (hasInput && !Fill(input, command.input)) {
        ThrowUnableToRun(errno == EAGAIN ? E2BIG : errno, Shown(command));
    }
    input.CloseWrite();  // the program sees the end of its input after the text
    const SpawnSettings settings(hasInput ? &input : nullptr, output, command.workingDirectory);
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, argv[0], settings.Actions(), settings.Attributes(),
                                    argv.data(), envp.data());
    input.CloseRead();
    output.CloseWrite();
    if (error != 0) {
        ThrowUnableToRun(error, Shown(command));
    }
    Child child(pid, cancel);
    OutputTail tail(output.Read(), onOutput);
    return Watch(child, tail, heartbeat, cancel);
}

}  // namespace detail

}  // namespace upd
