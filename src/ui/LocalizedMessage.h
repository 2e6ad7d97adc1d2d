#pragma once

#include <QString>

#include "ui/MessageDialogTables.h"

namespace upd {

// The standard message dialog in Bulgarian: the type's title and icon, the buttons in their
// fixed order with Bulgarian captions, OK (else Yes, else Retry) as default and Cancel (else
// No, else OK) on Escape. Centred on the screen, application-modal. Returns the button
// pressed, or None when the dialog was closed without one.
MessageButton ShowLocalizedMessage(const QString& text, MessageType type, MessageButtonSet buttons);

// ShowLocalizedMessage with the error type.
MessageButton ShowErrorMessage(const QString& text, MessageButtonSet buttons);

// A plain box without icon, titled with the application title, with a single "OK" button.
void ShowPlainMessage(const QString& text);

}  // namespace upd
