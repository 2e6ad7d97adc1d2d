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

// The same with the console given. Ctrl-C, SIGTERM and SIGHUP cancel pack, unpack and archive:
// each exits with 130, 143 or 129 once its temporary files are removed and an archiver it ran
// is ended.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ToolConsole& console);

}  // namespace upd
