#include "ui/PublishDialog.h"
#include "util/FileSystem.h"
#include "util/Texts.h"

namespace upd::form {

// The publishers' folder on the mapped drive M:, where the help page sends them.
std::string StartingPublishFolder() {
    const std::string folder(text::kPublishersFolder);
    return DirectoryExists(folder) ? folder : std::string();
}

}  // namespace upd::form
