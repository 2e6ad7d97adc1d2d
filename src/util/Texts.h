#pragma once

// Every text the program shows: messages, captions, chooser titles and filters, progress
// texts. Code names each text by its identifier here and never spells a shown text itself.

#include <string_view>

namespace upd::text {

// The window and its dialogs.

// The commands' checks, choosers and results.

// Refusals of input that would lose or leak data.

// Progress of a long step.

}  // namespace upd::text
