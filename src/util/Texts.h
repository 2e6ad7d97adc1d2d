#pragma once

// Every text the program shows: messages, captions, chooser titles and filters, progress
// texts. Code names each text by its identifier here and never spells a shown text itself.

#include <string_view>

namespace upd::text {

// The window and its dialogs.

// The commands' checks, choosers and results.

// Refusals of input that would lose or leak data.

// Progress of a long step.

// Its phases.
inline constexpr std::string_view kPhaseArchiving = "Архивиране";
inline constexpr std::string_view kPhaseChecking = "Проверка на архива";
// "42 %": the percentage with its sign.
inline constexpr std::string_view kPercentSign = " %";
// Before the estimate of the time the phase still needs, in the dialog: "Оставащо време: 0:42".
inline constexpr std::string_view kTimeLeft = "Оставащо време: ";
// The same in updtool's line: "Архивиране: 42 %, 0:12, остава 0:42, 3,4 MB".
inline constexpr std::string_view kTimeLeftShort = "остава ";

}  // namespace upd::text
