#include "util/Interruption.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace upd {

namespace {

constexpr int kHangUp = 1;  // as SIGHUP: the console was closed

std::atomic<CancelToken*> target{nullptr};
std::atomic<int> caught{0};
std::atomic<bool> working{false};

int SignalOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGTERM;
        default:
            return kHangUp;  // the console closed, a log-off, a shutdown
    }
}

// Runs on a thread of its own. After a close the system ends the process once this returns:
// it waits (a few seconds at most) for the work to clean up first.
BOOL WINAPI CancelWork(DWORD event) {
    int none = 0;
    caught.compare_exchange_strong(none, SignalOf(event));
    if (CancelToken* cancel = target.load()) {
        cancel->Cancel();
    }
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        for (int i = 0; i < 450 && working.load(); ++i) {
            Sleep(10);
        }
    }
    return TRUE;  // handled: the main thread ends the work and exits itself
}

}  // namespace

CancelOnInterruption::CancelOnInterruption(CancelToken& cancel) {
    caught.store(0);
    target.store(&cancel);
    working.store(true);
    SetConsoleCtrlHandler(CancelWork, TRUE);
}

CancelOnInterruption::~CancelOnInterruption() {
    target.store(nullptr);
    working.store(false);
    SetConsoleCtrlHandler(CancelWork, FALSE);
}

int CancelOnInterruption::Caught() const {
    return caught.load();
}

}  // namespace upd
