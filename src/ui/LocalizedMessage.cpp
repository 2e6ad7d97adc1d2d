#include "ui/LocalizedMessage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>

#include <map>

#include "ui/AppIdentity.h"

namespace upd {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
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

// The title InitializeApplication gave the application object.
QString ApplicationObjectTitle() {
    return QGuiApplication::applicationDisplayName();
}

QString TitleOf(MessageType type) {
    const std::optional<std::string_view> title = MessageTitle(type);
    return title ? FromUtf8(*title) : ApplicationObjectTitle();
}

// Room in the frame beside the title: the window icon and the frame's buttons.
constexpr int kTitleBarButtons = 4;

// The frame draws the title in bold in the title-bar font; at the box's own width the window
// manager would shorten a title such as "Updatepublisher" to "Up...er".
int WidthForTitle(const QWidget& window) {
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int buttons = kTitleBarButtons * window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return QFontMetrics(titleFont).horizontalAdvance(window.windowTitle()) + buttons;
}

// QMessageBox fixes its own size from its layout when shown, so the minimum width goes into
// the layout.
void MakeRoomForTitle(QMessageBox& box) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(WidthForTitle(box), 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

// The message box of this module. Qt centres a dialog over the active window; these boxes
// belong in the middle of the screen, and their size is final only once QMessageBox has
// handled the show event. Qt also lets Escape and the close box press a lone button even when
// it is not the escape button; here only the escape button answers them. The text is plain:
// a message quoting a path or an archiver's output is shown byte for byte, never as markup.
class MessageDialog : public QMessageBox {
  public:
    MessageDialog(Icon icon, const QString& title, const QString& text,
                  StandardButtons buttons = NoButton)
        : QMessageBox(icon, title, text, buttons) {
        setTextFormat(Qt::PlainText);
    }

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

MessageButton ShowLocalizedMessage(const QString& text, MessageType type,
                                   MessageButtonSet buttons) {
    MessageDialog box(IconOf(type), TitleOf(type), text);
    UseFixedFrame(box);
    std::map<MessageButton, QPushButton*> shown;
    for (const auto& [button, caption] : kMessageButtons) {
        if (buttons.Has(button)) {
            // One role for all keeps Qt from reordering the buttons by platform convention.
            shown[button] = box.addButton(FromUtf8(caption), QMessageBox::ActionRole);
        }
    }
    if (const auto found = shown.find(DefaultMessageButton(buttons)); found != shown.end()) {
        box.setDefaultButton(found->second);
    }
    if (const auto found = shown.find(EscapeMessageButton(buttons)); found != shown.end()) {
        box.setEscapeButton(found->second);
    }
    MakeRoomForTitle(box);
    box.exec();
    for (const auto& [kind, button] : shown) {
        if (button == box.clickedButton()) {
            return kind;
        }
    }
    return MessageButton::None;
}

MessageButton ShowErrorMessage(const QString& text, MessageButtonSet buttons) {
    return ShowLocalizedMessage(text, MessageType::Error, buttons);
}

void ShowPlainMessage(const QString& text) {
    MessageDialog box(QMessageBox::NoIcon, ApplicationObjectTitle(), text, QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(FromUtf8(MessageButtonCaption(MessageButton::OK)));
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowIcon(ApplicationIcon());
    MakeRoomForTitle(box);
    box.exec();
}

}  // namespace upd
