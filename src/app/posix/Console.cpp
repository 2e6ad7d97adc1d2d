#include "app/Console.h"

#include <unistd.h>

#include <iostream>

namespace upd {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::ostream& ConsoleOutput() {
    return std::cout;
}

std::ostream& ConsoleError() {
    return std::cerr;
}

bool ErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

}  // namespace upd
