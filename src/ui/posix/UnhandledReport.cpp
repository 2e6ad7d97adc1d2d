#include <iostream>

#include "ui/ErrorText.h"
#include "ui/ExceptionRouting.h"

namespace upd {

void ReportUnhandled(const std::string& message) noexcept {
    try {
        std::cerr << ErrorDialogText(message) << std::endl;
    } catch (...) {  // nothing more can be done with it
    }
}

}  // namespace upd
