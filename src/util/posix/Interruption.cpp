#include "util/Interruption.h"

#include <atomic>
#include <csignal>

namespace upd {

namespace {

// SIGQUIT (Ctrl-\) too: ending at once would leave temporary files and the terminal's echo off.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::atomic<CancelToken*> target{nullptr};
std::atomic<int> caught{0};
struct sigaction previous[std::size(kSignals)];

// Only lock-free atomics and CancelToken::Cancel, which is safe here.
extern "C" void CancelWork(int signal) {
    int none = 0;
    caught.compare_exchange_strong(none, signal);
    if (CancelToken* cancel = target.load()) {
        cancel->Cancel();
    }
}

}  // namespace

CancelOnInterruption::CancelOnInterruption(CancelToken& cancel) {
    caught.store(0);
    target.store(&cancel);
    struct sigaction action {};
    action.sa_handler = CancelWork;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);  // one handler at a time
    }
    // Reads and writes go on; the wait for the archiver (poll) still returns at once.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &previous[i]);
    }
}

CancelOnInterruption::~CancelOnInterruption() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &previous[i], nullptr);
    }
    target.store(nullptr);
}

int CancelOnInterruption::Caught() const {
    return caught.load();
}

}  // namespace upd
