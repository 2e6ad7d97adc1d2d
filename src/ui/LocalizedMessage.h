#pragma once

#include <QFlags>
#include <QString>

namespace upd {

enum class MessageType { Warning, Error, Information, Confirmation, Custom };

// The standard buttons; the dialog shows them from left to right in this order.
enum class MessageButton {
    None = 0,
    Yes = 1 << 0,
    No = 1 << 1,
    OK = 1 << 2,
    Cancel = 1 << 3,
    Abort = 1 << 4,
    Retry = 1 << 5,
    Ignore = 1 << 6,
    All = 1 << 7,
    NoToAll = 1 << 8,
    YesToAll = 1 << 9,
    Help = 1 << 10,
};
Q_DECLARE_FLAGS(MessageButtons, MessageButton)

// The Bulgarian caption of a button; the character after '&' is its access key.
QString ButtonCaption(MessageButton button);

// The standard message dialog in Bulgarian: the type's title and icon, the buttons in their
// fixed order with Bulgarian captions, OK (else Yes, else Retry) as default and Cancel (else
// No, else OK) on Escape. Centred on the screen, application-modal. Returns the button
// pressed, or None when the dialog was closed without one.
MessageButton ShowLocalizedMessage(const QString& text, MessageType type, MessageButtons buttons);

// ShowLocalizedMessage with the error type.
MessageButton ShowErrorMessage(const QString& text, MessageButtons buttons);

// A plain box without icon, titled with the application title, with a single "OK" button.
void ShowPlainMessage(const QString& text);

}  // namespace upd

Q_DECLARE_OPERATORS_FOR_FLAGS(upd::MessageButtons)
