#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "util/ProcessRunner.h"

namespace upd {

// The arguments after the program name, as UTF-8 whatever the system's code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Standard output and error taking UTF-8: readable in a terminal or console window, the
// UTF-8 bytes themselves when redirected to a file or pipe.
std::ostream& ConsoleOutput();
std::ostream& ConsoleError();

// A closed pipe or a full disk behind standard output fails its writes instead of ending the
// tool (POSIX: SIGPIPE ignored), so that the work goes on to its end and then says so.
void KeepWorkingWhenOutputFails();

// Whether standard error is a terminal or console window (where a progress line may be
// rewritten in place), not a file or pipe.
bool ErrorIsTerminal();

// The width of the terminal or console window behind standard error in columns; 0 when
// unknown (not a terminal).
std::size_t ErrorColumns();

// Whether standard input is a terminal or console window, where a typed password would show.
bool InputIsTerminal();

// One line typed at the terminal, without its line break: the prompt shown on standard error,
// the echo off while reading and restored on every path. Returns what was typed so far once
// cancel is cancelled (by Ctrl-C or another interruption) while it waits.
std::string ReadHiddenLine(std::string_view prompt, const CancelToken& cancel);

}  // namespace upd
