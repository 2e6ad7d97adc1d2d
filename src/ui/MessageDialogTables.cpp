#include "ui/MessageDialogTables.h"

#include <initializer_list>

namespace upd {

namespace {
MessageButton FirstPresent(MessageButtonSet buttons, std::initializer_list<MessageButton> order) {
    for (const MessageButton candidate : order) {
        if (buttons.Has(candidate)) {
            return candidate;
        }
    }
    return MessageButton::None;
}
}  // namespace

std::string_view MessageButtonCaption(MessageButton button) {
    for (const auto& [candidate, caption] : kMessageButtons) {
        if (candidate == button) {
            return caption;
        }
    }
    return {};
}

MessageButton DefaultMessageButton(MessageButtonSet buttons) {
    return FirstPresent(buttons, {MessageButton::OK, MessageButton::Yes, MessageButton::Retry});
}

MessageButton EscapeMessageButton(MessageButtonSet buttons) {
    return FirstPresent(buttons, {MessageButton::Cancel, MessageButton::No, MessageButton::OK});
}

std::optional<std::string_view> MessageTitle(MessageType type) {
    switch (type) {
        case MessageType::Warning:
            return text::kWarningTitle;
        case MessageType::Error:
            return text::kErrorTitle;
        case MessageType::Information:
            return text::kInformationTitle;
        case MessageType::Confirmation:
            return text::kConfirmationTitle;
        case MessageType::Custom:
            break;
    }
    return std::nullopt;
}

}  // namespace upd
