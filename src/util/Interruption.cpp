#include "util/Interruption.h"

namespace upd {

void ThrowIfInterrupted() {
    if (const int signal = CaughtInterruption(); signal != 0) {
        throw Interrupted(signal);
    }
}

}  // namespace upd
