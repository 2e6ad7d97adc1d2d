#include "util/Interruption.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace upd {

namespace {

std::atomic<int> caught{0};

BOOL WINAPI RecordInterruption(DWORD event) {
    const int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    int none = 0;
    caught.compare_exchange_strong(none, signal);
    return TRUE;  // handled: the main thread ends the work and exits itself
}

}  // namespace

void CatchInterruptions() {
    SetConsoleCtrlHandler(RecordInterruption, TRUE);
}

int CaughtInterruption() {
    return caught.load();
}

}  // namespace upd
