#pragma once

#include <stdexcept>
#include <string>

namespace upd {

// The one error type of the tool: a user-facing message and nothing else.
class OperationError : public std::runtime_error {
  public:
    explicit OperationError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace upd
