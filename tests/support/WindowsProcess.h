#pragma once

#include <string>

namespace updtest {

// Runs a complete Windows command line (UTF-8), its standard error going to errorFile,
// and waits for it. Returns the exit code; throws std::runtime_error when it cannot start.
unsigned long RunProgram(const std::string& commandLine, const std::string& errorFile);

// Copies the stand-in archiver (support/ArchiverStandIn.cpp) into folder as name, set to
// exit with exitCode, and returns its path. See that file for what it records.
std::string InstallArchiverStandIn(const std::string& folder, const std::string& name,
                                   int exitCode);

}  // namespace updtest
