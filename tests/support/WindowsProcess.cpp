#include "support/WindowsProcess.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "util/FileSystem.h"

namespace updtest {

namespace {
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { CloseHandle(handle); }
};
}  // namespace

unsigned long RunProgram(const std::string& commandLine, const std::string& errorFile) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE error = CreateFileW(upd::ToPath(errorFile).c_str(), GENERIC_WRITE, 0, &inheritable,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (error == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot create " + errorFile);
    }
    const HandleCloser errorCloser{error};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = error;
    std::wstring mutableLine = upd::ToPath(commandLine).native();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        throw std::runtime_error("cannot start " + commandLine);
    }
    const HandleCloser processCloser{process.hProcess};
    const HandleCloser threadCloser{process.hThread};
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

std::string InstallArchiverStandIn(const std::string& folder, const std::string& name,
                                   int exitCode) {
    const std::filesystem::path target = upd::ToPath(folder) / upd::ToPath(name);
    std::filesystem::copy_file(upd::ToPath(upd::ExecutableDirectory() + "archiver_stand_in.exe"),
                               target, std::filesystem::copy_options::overwrite_existing);
    std::ofstream(upd::ToPath(folder) / "exit-code.txt") << exitCode;
    return upd::FromPath(target);
}

}  // namespace updtest
