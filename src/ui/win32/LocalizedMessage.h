#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/MessageDialogTables.h"

namespace upd::win32 {

// The system message box style that shows exactly these buttons with the default button of
// the shared rules, or none. The system box knows only OK, OK+Cancel, Abort+Retry+Ignore,
// Yes+No+Cancel, Yes+No and Retry+Cancel, each optionally with Help; All, No to All and
// Yes to All, and other combinations, it cannot show.
std::optional<UINT> MessageBoxStyleFor(MessageButtonSet buttons);

// The system message box in Bulgarian: its buttons are given the captions of kMessageButtons
// after the box has laid itself out, shown in their left-to-right order, the title of the
// type, the application icon in its frame, centred on the monitor. Escape and the close box
// press the escape button of the shared rules, or nothing when there is none. Modal over the
// active window. Returns the button pressed. A set the system box cannot show (see
// MessageBoxStyleFor) throws std::invalid_argument.
MessageButton ShowLocalizedMessage(const std::string& text, MessageType type,
                                   MessageButtonSet buttons);

// ShowLocalizedMessage with the error type.
MessageButton ShowErrorMessage(const std::string& text, MessageButtonSet buttons);

// A plain box without icon, titled with the application title, with a single "OK" button.
void ShowPlainMessage(const std::string& text);

}  // namespace upd::win32
