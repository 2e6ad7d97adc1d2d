#include "util/ProcessRunner.h"

#include <windows.h>

#include "util/FileSystem.h"

namespace upd {

namespace {
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { CloseHandle(handle); }
};
}  // namespace

ProcessOutcome RunAndWait(const std::string& commandLine) {
    std::wstring mutableLine = ToPath(commandLine).wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        ThrowUnableToRun(long(GetLastError()), commandLine);
    }
    const HandleCloser processHandle{process.hProcess};
    const HandleCloser threadHandle{process.hThread};
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return {int(exitCode), {}};
}

}  // namespace upd
