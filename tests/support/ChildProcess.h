#pragma once

#include <functional>
#include <string>

namespace updtest {

// Runs work in a forked child whose files may not grow past fileSizeLimit bytes (a full
// disk), with SIGXFSZ ignored so that writes fail instead of killing the child.
// Returns the message of the exception work threw, or "" when it finished normally.
std::string RunWithFileSizeLimit(long fileSizeLimit, const std::function<void()>& work);

}  // namespace updtest
