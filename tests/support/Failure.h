#pragma once

#include <string>

#include "util/OperationError.h"

namespace updtest {

// The message of the OperationError the call throws, or "(no error)".
template <typename Call>
std::string FailureOf(Call call) {
    try {
        call();
    } catch (const upd::OperationError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace updtest
