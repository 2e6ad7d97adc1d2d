#include "util/ProcessRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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

// Owns the spawn settings: stdin from /dev/null, stdout and stderr into the pipe, a new
// process group, default signal handling.
class SpawnSettings {
  public:
    explicit SpawnSettings(const Pipe& output) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, output.Write(), 1);
        posix_spawn_file_actions_adddup2(&actions_, output.Write(), 2);
        posix_spawnattr_init(&attributes_);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
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

std::string ReadTail(int fd) {
    std::string tail;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return tail;
        }
        tail.append(buffer, std::size_t(got));
        if (tail.size() > 2 * kTailBytes) {
            tail.erase(0, tail.size() - kTailBytes);
        }
    }
}

int WaitForExit(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
}

}  // namespace

ProcessOutcome RunAndWait(const std::string& commandLine) {
    const std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) {
        ThrowUnableToRun(ENOENT, commandLine);
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    Pipe output;
    if (!output.Ok()) {
        ThrowUnableToRun(errno, commandLine);
    }
    const SpawnSettings settings(output);
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, argv[0], settings.Actions(), settings.Attributes(),
                                     argv.data(), environ);
    output.CloseWrite();
    if (error != 0) {
        ThrowUnableToRun(error, commandLine);
    }
    ProcessOutcome outcome;
    outcome.outputTail = ReadTail(output.Read());
    outcome.exitCode = WaitForExit(child);
    if (outcome.outputTail.size() > kTailBytes) {
        outcome.outputTail.erase(0, outcome.outputTail.size() - kTailBytes);
    }
    return outcome;
}

}  // namespace upd
