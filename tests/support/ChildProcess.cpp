#include "support/ChildProcess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <exception>
#include <stdexcept>

namespace updtest {

namespace {

struct Identity {
    uid_t uid;
    gid_t gid;
};

Identity Unprivileged() {
    if (const passwd* nobody = getpwnam("nobody")) {
        return {nobody->pw_uid, nobody->pw_gid};
    }
    return {65534, 65534};
}

// Runs prepare, then work, in a child; prepare reports a failure by throwing.
std::string RunInChild(const std::function<void()>& prepare, const std::function<void()>& work) {
    int channel[2];
    if (pipe(channel) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string message;
        try {
            prepare();
            work();
        } catch (const std::exception& e) {
            message = e.what();
            if (message.empty()) {
                message = "(empty message)";
            }
        }
        const ssize_t ignored = write(channel[1], message.data(), message.size());
        (void)ignored;
        _exit(0);  // no exit handlers: they belong to the parent and its test framework
    }
    close(channel[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, std::size_t(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the child process crashed");
    }
    return message;
}

}  // namespace

std::string RunWithFileSizeLimit(long fileSizeLimit, const std::function<void()>& work) {
    const auto limitFileSize = [fileSizeLimit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            throw std::runtime_error("setrlimit failed");
        }
    };
    return RunInChild(limitFileSize, work);
}

std::string RunUnprivileged(const std::function<void()>& work) {
    const auto dropRoot = [] {
        if (geteuid() != 0) {
            return;
        }
        const Identity nobody = Unprivileged();
        if (setgroups(0, nullptr) != 0 || setgid(nobody.gid) != 0 || setuid(nobody.uid) != 0) {
            throw std::runtime_error("cannot drop root privileges");
        }
    };
    return RunInChild(dropRoot, work);
}

void HandToUnprivilegedUser(const std::filesystem::path& path) {
    if (geteuid() != 0) {
        return;
    }
    const Identity nobody = Unprivileged();
    if (chown(path.c_str(), nobody.uid, nobody.gid) != 0) {
        throw std::runtime_error("chown failed: " + path.string());
    }
}

}  // namespace updtest
