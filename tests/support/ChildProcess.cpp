#include "support/ChildProcess.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <exception>
#include <stdexcept>

namespace updtest {

std::string RunWithFileSizeLimit(long fileSizeLimit, const std::function<void()>& work) {
    int channel[2];
    if (pipe(channel) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string message;
        try {
            work();
        } catch (const std::exception& e) {
            message = e.what();
            if (message.empty()) {
                message = "(empty message)";
            }
        }
        const ssize_t ignored = write(channel[1], message.data(), message.size());
        (void)ignored;
        _exit(0);
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

}  // namespace updtest
