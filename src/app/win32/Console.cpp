#include "app/Console.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <streambuf>

#include "util/FileSystem.h"

namespace upd {

namespace {

// Collects UTF-8 and writes it on flush: as UTF-16 through WriteConsoleW to a console, whose
// code page would garble it, and as the bytes themselves to anything else.
class ConsoleBuffer : public std::streambuf {
  public:
    explicit ConsoleBuffer(DWORD standardHandle) : standardHandle_(standardHandle) {}

  protected:
    int_type overflow(int_type character) override {
        if (!traits_type::eq_int_type(character, traits_type::eof())) {
            pending_.push_back(traits_type::to_char_type(character));
        }
        return traits_type::not_eof(character);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<size_t>(count));
        return count;
    }
    int sync() override { return Write() ? 0 : -1; }

  private:
    // The end of the last whole character: a character cut by the buffer waits for its rest.
    size_t CompleteLength() const {
        size_t end = pending_.size();
        size_t back = 0;
        while (back < end && back < 4 && (pending_[end - 1 - back] & 0xC0) == 0x80) {
            ++back;
        }
        if (back < end) {
            const auto lead = static_cast<unsigned char>(pending_[end - 1 - back]);
            const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (length > back + 1) {
                end -= back + 1;
            }
        }
        return end;
    }

    bool Write() {
        HANDLE handle = GetStdHandle(standardHandle_);
        DWORD mode = 0;
        const size_t length = GetConsoleMode(handle, &mode) ? CompleteLength() : pending_.size();
        const bool written = GetConsoleMode(handle, &mode) ? WriteConsole(handle, length)
                                                           : WriteBytes(handle, length);
        pending_.erase(0, length);
        return written;
    }

    bool WriteConsole(HANDLE handle, size_t length) const {
        const int size = static_cast<int>(length);
        std::wstring wide(
            static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, pending_.data(), size, nullptr, 0)),
            L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), size, wide.data(),
                            static_cast<int>(wide.size()));
        DWORD written = 0;
        return wide.empty() || WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()),
                                             &written, nullptr);
    }

    bool WriteBytes(HANDLE handle, size_t length) const {
        DWORD written = 0;
        return length == 0 ||
               (WriteFile(handle, pending_.data(), static_cast<DWORD>(length), &written, nullptr) &&
                written == length);
    }

    DWORD standardHandle_;
    std::string pending_;
};

// Switches the console's echo off for its lifetime; the mode comes back however the reading
// ends, and the line break the user typed, unechoed, is written in its place.
class EchoOff {
  public:
    explicit EchoOff(HANDLE input) : input_(input), saved_(GetConsoleMode(input, &mode_) != 0) {
        if (saved_) {
            SetConsoleMode(input_, mode_ & ~DWORD(ENABLE_ECHO_INPUT));
        }
    }
    ~EchoOff() {
        if (saved_) {
            SetConsoleMode(input_, mode_);
        }
        ConsoleError() << '\n' << std::flush;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    HANDLE input_;
    DWORD mode_ = 0;
    bool saved_;
};

// Ctrl-C ends a console read at once, but its handler runs on a thread of its own: give it a
// moment to cancel before the read counts as the end of the input.
void WaitForALateCancel(const CancelToken& cancel) {
    for (int wait = 0; wait < 20 && !cancel.Requested(); ++wait) {
        Sleep(10);
    }
}

// Waits until the console has input; false when the cancel comes first, also where Ctrl-C
// does not end a console read.
bool WaitForInput(HANDLE input, const CancelToken& cancel) {
    while (WaitForSingleObject(input, 100) == WAIT_TIMEOUT) {
        if (cancel.Requested()) {
            return false;
        }
    }
    return !cancel.Requested();
}

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
    // main() gets them in the ANSI code page, which cannot hold every file name.
    int count = 0;
    const auto freeArguments = [](wchar_t** list) { LocalFree(list); };
    const std::unique_ptr<wchar_t*, decltype(freeArguments)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), freeArguments);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        args.push_back(FromPath(std::filesystem::path(wide.get()[i])));
    }
    return args;
}

std::ostream& ConsoleOutput() {
    static ConsoleBuffer buffer(STD_OUTPUT_HANDLE);
    static std::ostream stream(&buffer);
    return stream;
}

std::ostream& ConsoleError() {
    static ConsoleBuffer buffer(STD_ERROR_HANDLE);
    static std::ostream stream(&buffer);
    return stream;
}

bool ErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::size_t ErrorColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        return 0;
    }
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

bool InputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::string ReadHiddenLine(std::string_view prompt, const CancelToken& cancel) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const EchoOff quiet(input);
    ConsoleError() << prompt << std::flush;
    std::wstring line;
    wchar_t character = 0;
    DWORD got = 0;
    while (WaitForInput(input, cancel) && ReadConsoleW(input, &character, 1, &got, nullptr) &&
           got == 1) {
        if (character == L'\n') {
            return FromPath(std::filesystem::path(line));
        }
        if (character != L'\r') {
            line.push_back(character);
        }
    }
    WaitForALateCancel(cancel);
    return FromPath(std::filesystem::path(line));
}

void KeepWorkingWhenOutputFails() {
    // Windows ends no program for a closed pipe: a write just fails.
}

}  // namespace upd
