#include "ui/LocalizedMessage.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <array>
#include <map>

#include "ui/AppIdentity.h"

namespace upd {

namespace {

struct ButtonText {
    MessageButton button;
    const char* caption;
};

// Left-to-right order of the buttons, with their captions.
constexpr std::array<ButtonText, 11> kButtons{{
    {MessageButton::Yes, "&Дa"},  // Cyrillic Д, Latin a
    {MessageButton::No, "&Не"},
    {MessageButton::OK, "OK"},
    {MessageButton::Cancel, "&Отказ"},
    {MessageButton::Abort, "От&каз"},
    {MessageButton::Retry, "О&тново"},
    {MessageButton::Ignore, "&Игнориране"},
    {MessageButton::All, "&Всички"},
    {MessageButton::NoToAll, "Н&е за вс."},
    {MessageButton::YesToAll, "Д&а за вс."},
    {MessageButton::Help, "&Помощ"},
}};

MessageButton FirstPresent(MessageButtons buttons, std::initializer_list<MessageButton> order) {
    for (const MessageButton candidate : order) {
        if (buttons.testFlag(candidate)) {
            return candidate;
        }
    }
    return MessageButton::None;
}

QMessageBox::Icon IconOf(MessageType type) {
    switch (type) {
        case MessageType::Warning:
            return QMessageBox::Warning;
        case MessageType::Error:
            return QMessageBox::Critical;
        case MessageType::Information:
            return QMessageBox::Information;
        case MessageType::Confirmation:
            return QMessageBox::Question;
        case MessageType::Custom:
            break;
    }
    return QMessageBox::NoIcon;
}

QString TitleOf(MessageType type) {
    switch (type) {
        case MessageType::Warning:
            return QStringLiteral("Предупреждение");
        case MessageType::Error:
            return QStringLiteral("Грешка");
        case MessageType::Information:
            return QStringLiteral("Информация");
        case MessageType::Confirmation:
            return QStringLiteral("Потвърждение");
        case MessageType::Custom:
            break;
    }
    return ApplicationTitle();
}

// The message box of this module. Qt centres a dialog over the active window; these boxes
// belong in the middle of the screen, and their size is final only once QMessageBox has
// handled the show event. Qt also lets Escape and the close box press a lone button even when
// it is not the escape button; here only the escape button answers them.
class MessageDialog : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        CenterOnScreen(*this);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel) && escapeButton() == nullptr) {
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (escapeButton() == nullptr) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

void UseFixedFrame(QMessageBox& box) {
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                       Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    box.setWindowIcon(ApplicationIcon());
}

}  // namespace

QString ButtonCaption(MessageButton button) {
    for (const auto& entry : kButtons) {
        if (entry.button == button) {
            return QString::fromUtf8(entry.caption);
        }
    }
    return {};
}

MessageButton ShowLocalizedMessage(const QString& text, MessageType type, MessageButtons buttons) {
    MessageDialog box(IconOf(type), TitleOf(type), text);
    UseFixedFrame(box);
    std::map<MessageButton, QPushButton*> shown;
    for (const auto& entry : kButtons) {
        if (buttons.testFlag(entry.button)) {
            // One role for all keeps Qt from reordering the buttons by platform convention.
            shown[entry.button] =
                box.addButton(QString::fromUtf8(entry.caption), QMessageBox::ActionRole);
        }
    }
    const auto defaultButton = shown.find(
        FirstPresent(buttons, {MessageButton::OK, MessageButton::Yes, MessageButton::Retry}));
    if (defaultButton != shown.end()) {
        box.setDefaultButton(defaultButton->second);
    }
    const auto escapeButton = shown.find(
        FirstPresent(buttons, {MessageButton::Cancel, MessageButton::No, MessageButton::OK}));
    if (escapeButton != shown.end()) {
        box.setEscapeButton(escapeButton->second);
    }
    box.exec();
    for (const auto& [kind, button] : shown) {
        if (button == box.clickedButton()) {
            return kind;
        }
    }
    return MessageButton::None;
}

MessageButton ShowErrorMessage(const QString& text, MessageButtons buttons) {
    return ShowLocalizedMessage(text, MessageType::Error, buttons);
}

void ShowPlainMessage(const QString& text) {
    MessageDialog box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowIcon(ApplicationIcon());
    box.exec();
}

}  // namespace upd
