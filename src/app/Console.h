#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace upd {

// The arguments after the program name, as UTF-8 whatever the system's code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Standard output and error taking UTF-8: readable in a terminal or console window, the
// UTF-8 bytes themselves when redirected to a file or pipe.
std::ostream& ConsoleOutput();
std::ostream& ConsoleError();

// Whether standard error is a terminal or console window (where a progress line may be
// rewritten in place), not a file or pipe.
bool ErrorIsTerminal();

}  // namespace upd
