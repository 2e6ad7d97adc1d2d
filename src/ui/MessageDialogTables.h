#pragma once

// The Bulgarian message dialog, described without any toolkit: its buttons, their order and
// captions, which of them Return and Escape press, and the title of each type.

#include <array>
#include <optional>
#include <string_view>

#include "util/Texts.h"

namespace upd {

enum class MessageType { Warning, Error, Information, Confirmation, Custom };

// The standard buttons; the dialog shows them from left to right in this order.
enum class MessageButton : unsigned {
    None = 0,
    Yes = 1u << 0,
    No = 1u << 1,
    OK = 1u << 2,
    Cancel = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7,
    NoToAll = 1u << 8,
    YesToAll = 1u << 9,
    Help = 1u << 10,
};

// A set of standard buttons.
class MessageButtonSet {
  public:
    constexpr MessageButtonSet() = default;
    constexpr MessageButtonSet(MessageButton button) : bits_(unsigned(button)) {}  // NOLINT
    constexpr bool Has(MessageButton button) const {
        return button != MessageButton::None && (bits_ & unsigned(button)) != 0;
    }
    constexpr MessageButtonSet operator|(MessageButtonSet other) const {
        MessageButtonSet both;
        both.bits_ = bits_ | other.bits_;
        return both;
    }
    constexpr bool Empty() const { return bits_ == 0; }

  private:
    unsigned bits_ = 0;
};

constexpr MessageButtonSet operator|(MessageButton a, MessageButton b) {
    return MessageButtonSet(a) | MessageButtonSet(b);
}

struct MessageButtonText {
    MessageButton button;
    std::string_view caption;  // the character after '&' is the access key
};

// Left-to-right order of the buttons, with their Bulgarian captions.
inline constexpr std::array<MessageButtonText, 11> kMessageButtons{{
    {MessageButton::Yes, text::kButtonYes},
    {MessageButton::No, text::kButtonNo},
    {MessageButton::OK, text::kButtonOk},
    {MessageButton::Cancel, text::kButtonCancel},
    {MessageButton::Abort, text::kButtonAbort},
    {MessageButton::Retry, text::kButtonRetry},
    {MessageButton::Ignore, text::kButtonIgnore},
    {MessageButton::All, text::kButtonAll},
    {MessageButton::NoToAll, text::kButtonNoToAll},
    {MessageButton::YesToAll, text::kButtonYesToAll},
    {MessageButton::Help, text::kButtonHelp},
}};

std::string_view MessageButtonCaption(MessageButton button);

// OK if present, else Yes, else Retry; None when there is none of them.
MessageButton DefaultMessageButton(MessageButtonSet buttons);
// Cancel if present, else No, else OK; None when there is none of them.
MessageButton EscapeMessageButton(MessageButtonSet buttons);

// The window title of a type; none for the custom type, which keeps the application's title.
std::optional<std::string_view> MessageTitle(MessageType type);

}  // namespace upd
