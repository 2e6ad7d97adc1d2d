#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace upd {

// The updtool command line: exit status 0 on success, 1 when the operation fails,
// 2 on a usage error. args excludes the program name.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Where the archive command reads "--password -" from and shows its progress line.
struct ToolConsole {
    std::istream* in;
    std::ostream* err;
    bool errIsTerminal;  // show a progress line, rewritten in place
};

// The same with the console given; an interrupted archive command exits with 130 (SIGINT)
// or 143 (SIGTERM) once the archiver is ended and its temporary archive removed.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ToolConsole& console);

}  // namespace upd
