#pragma once

#include <stdexcept>
#include <string>

namespace upd {

// The one error type of the tool: a user-facing message and nothing else.
class OperationError : public std::runtime_error {
  public:
    explicit OperationError(const std::string& message) : std::runtime_error(message) {}
};

// Thrown where work below a step (hashing, copying) stops at its cancel, so that the step
// ends as cancelled and never takes the stop for a result. No std::exception: nothing shows it.
struct WorkCancelled {};

}  // namespace upd
