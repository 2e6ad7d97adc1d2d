#include "util/ProcessRunner.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "util/FileSystem.h"

namespace upd {

namespace {

constexpr std::size_t kTailBytes = 16384;

class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Ok() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (Ok()) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

  private:
    HANDLE handle_;
};

std::string Shown(const Command& command) {
    return command.shownAs.empty() ? CommandLine(command) : command.shownAs;
}

// The archiver's parser has no escape for '"', and a NUL would end the line early: such an
// argument would reach the program changed.
bool FitsOneCommandLine(const Command& command) {
    const auto fits = [](const std::string& text) {
        return text.find_first_of(std::string_view("\"\0", 2)) == std::string::npos;
    };
    return fits(command.program) &&
           std::all_of(command.arguments.begin(), command.arguments.end(), fits);
}

// A job that ends every process in it when its last handle closes: the archiver and
// whatever it starts end with it.
HANDLE NewKillingJob() {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) {
        return nullptr;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// The pipe for the program's output and the null device for its input; only the ends the
// program gets are inheritable.
struct StandardHandles {
    Handle read, write, input;

    bool Open() {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 64 * 1024)) {
            return false;
        }
        read.Reset(readEnd);
        write.Reset(writeEnd);
        SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0);
        input.Reset(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inheritable, OPEN_EXISTING, 0, nullptr));
        return input.Ok();
    }
};

// The attribute list that limits inheritance to the given handles.
class InheritedOnly {
  public:
    InheritedOnly(HANDLE first, HANDLE second) : handles_{first, second} {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = std::make_unique<char[]>(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
        if (!InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
            list_ = nullptr;
            return;
        }
        UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                  sizeof handles_, nullptr, nullptr);
    }
    ~InheritedOnly() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritedOnly(const InheritedOnly&) = delete;
    InheritedOnly& operator=(const InheritedOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

  private:
    HANDLE handles_[2];
    std::unique_ptr<char[]> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Hands a piece of output on and keeps the last kTailBytes.
void Keep(std::string_view chunk, const OnOutput& onOutput, std::string& tail) {
    if (onOutput) {
        onOutput(chunk);
    }
    tail.append(chunk);
    if (tail.size() > kTailBytes) {
        tail.erase(0, tail.size() - kTailBytes);
    }
}

// Reads what waits in the pipe without blocking.
void Drain(HANDLE pipe, const OnOutput& onOutput, std::string& tail) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) {
            return;
        }
        std::string chunk(available, '\0');
        DWORD got = 0;
        if (!ReadFile(pipe, chunk.data(), available, &got, nullptr) || got == 0) {
            return;
        }
        Keep(std::string_view(chunk.data(), got), onOutput, tail);
    }
}

// ending is the program's job, or the program itself when it could not be put in one.
ProcessOutcome Watch(HANDLE process, HANDLE ending, HANDLE pipe, const OnOutput& onOutput,
                     const Heartbeat& heartbeat, const CancelToken& cancel) {
    using Clock = std::chrono::steady_clock;
    auto lastBeat = Clock::now();
    ProcessOutcome outcome;
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
        Drain(pipe, onOutput, outcome.outputTail);
        if (cancel.Requested()) {
            detail::EndProgramTree(reinterpret_cast<std::intptr_t>(ending));
            WaitForSingleObject(process, INFINITE);
            outcome.cancelled = true;
            break;
        }
        if (heartbeat && Clock::now() - lastBeat >= std::chrono::milliseconds(100)) {
            lastBeat = Clock::now();
            heartbeat();
        }
    }
    Drain(pipe, onOutput, outcome.outputTail);
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    outcome.exitCode = int(exitCode);
    return outcome;
}

}  // namespace

namespace detail {

// target is the program's job, or the program itself when it could not be put in one.
void EndProgramTree(std::intptr_t target) noexcept {
    const auto handle = reinterpret_cast<HANDLE>(target);
    if (!TerminateJobObject(handle, 1)) {
        TerminateProcess(handle, 1);
    }
}

ProcessOutcome RunProgram(const Command& command, const OnOutput& onOutput,
                          const Heartbeat& heartbeat, CancelToken& cancel) {
    if (!FitsOneCommandLine(command)) {
        ThrowUnableToRun(ERROR_INVALID_PARAMETER, Shown(command));
    }
    StandardHandles standard;
    const Handle job(NewKillingJob());
    if (!standard.Open() || !job.Ok()) {
        ThrowUnableToRun(long(GetLastError()), Shown(command));
    }
    const InheritedOnly inherited(standard.write.Get(), standard.input.Get());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = inherited.List() ? sizeof startup : sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = standard.input.Get();
    startup.StartupInfo.hStdOutput = standard.write.Get();
    startup.StartupInfo.hStdError = standard.write.Get();
    startup.lpAttributeList = inherited.List();

    std::wstring mutableLine = ToPath(CommandLine(command)).wstring();
    const std::wstring directory = ToPath(command.workingDirectory).wstring();
    // No console of its own: started from the window, which has none to share, the archiver
    // would otherwise get a new one made for it, which wine may take many seconds to set up.
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS |
                        CREATE_SUSPENDED | (inherited.List() ? EXTENDED_STARTUPINFO_PRESENT : 0);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup.StartupInfo,
                        &started)) {
        ThrowUnableToRun(long(GetLastError()), Shown(command));
    }
    const Handle process(started.hProcess);
    const Handle thread(started.hThread);
    const bool inJob = AssignProcessToJobObject(job.Get(), process.Get());
    const HANDLE ending = inJob ? job.Get() : process.Get();
    // Declared after the handles, so that it is disarmed before they are closed.
    const CancelToken::Armed armed(&cancel, reinterpret_cast<std::intptr_t>(ending));
    ResumeThread(thread.Get());
    standard.write.Close();  // the pipe ends when the program and its children have closed theirs
    return Watch(process.Get(), ending, standard.read.Get(), onOutput, heartbeat, cancel);
}

}  // namespace detail

}  // namespace upd
