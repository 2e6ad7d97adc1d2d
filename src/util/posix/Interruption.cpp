#include "util/Interruption.h"

#include <csignal>

namespace upd {

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void RecordInterruption(int signal) {
    if (caught == 0) {
        caught = signal;
    }
}

}  // namespace

void CatchInterruptions() {
    struct sigaction action {};
    action.sa_handler = RecordInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking call returns with EINTR and is checked
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int CaughtInterruption() {
    return caught;
}

}  // namespace upd
