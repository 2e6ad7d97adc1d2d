#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ops/Step.h"

namespace upd {

// The updtool command line: exit status 0 on success, 1 when the operation fails,
// 2 on a usage error. args excludes the program name.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Where the archive command reads "--password -" from and shows its progress line.
struct ToolConsole {
    std::istream* in;
    std::ostream* err;
    bool errIsTerminal;  // show a progress line, rewritten in place
    // Reads "--password -" at a terminal: the prompt shown, the echo off; returns early once
    // cancel is cancelled. Empty when standard input is no terminal; the password is then the
    // first line of in.
    std::function<std::string(std::string_view prompt, const CancelToken& cancel)> readHidden{};
    // The terminal's width in columns, which the progress line keeps within; empty or 0: any.
    std::function<std::size_t()> columns{};
};

// The progress line for a terminal columns wide (0: any width): "Архивиране: 42 %, 0:12,
// остава 0:17, 3,4 MB" with the last column left free, so that it never wraps. Until it fits,
// the time taken goes first, then the size, the estimate and the phase; the percentage stays
// and, on a terminal narrower than that, the line is cut.
std::string FittedProgressLine(const WorkProgress& progress, std::size_t columns);

// The same with the console given. Ctrl-C, SIGTERM, SIGHUP and Ctrl-\ (SIGQUIT) cancel pack,
// unpack and archive: each exits with 130, 143, 129 or 131 once its temporary files are
// removed and an archiver it ran is ended.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ToolConsole& console);

}  // namespace upd
