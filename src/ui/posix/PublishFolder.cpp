#include "ui/PublishDialog.h"

namespace upd::form {

// A share is mounted wherever its user chose: the field starts empty.
std::string StartingPublishFolder() {
    return {};
}

}  // namespace upd::form
