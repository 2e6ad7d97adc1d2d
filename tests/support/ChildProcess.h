#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace updtest {

// Both run work in a forked child and return the message of the exception it threw, or ""
// when it finished normally. They throw std::runtime_error when the child dies.

// The child's files may not grow past fileSizeLimit bytes (a full disk), with SIGXFSZ
// ignored so that writes fail instead of killing the child.
std::string RunWithFileSizeLimit(long fileSizeLimit, const std::function<void()>& work);

// The child drops root privileges to the user "nobody", so that file permissions apply to
// it; without root it keeps the caller's identity, to which they apply anyway.
std::string RunUnprivileged(const std::function<void()>& work);

// Makes the unprivileged user of RunUnprivileged the owner of path (a no-op without root).
void HandToUnprivilegedUser(const std::filesystem::path& path);

}  // namespace updtest
