#pragma once

#include <string>

namespace updtest {

// Runs a complete Windows command line (UTF-8), its standard error going to errorFile,
// and waits for it. Returns the exit code; throws std::runtime_error when it cannot start.
unsigned long RunProgram(const std::string& commandLine, const std::string& errorFile);

}  // namespace updtest
