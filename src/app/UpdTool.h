#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace upd {

// The updtool command line: exit status 0 on success, 1 when the operation fails,
// 2 on a usage error. args excludes the program name.
int RunUpdTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace upd
