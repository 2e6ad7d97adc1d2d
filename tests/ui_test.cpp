#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ModalDialogs.h"
#include "ui/AppIdentity.h"
#include "ui/Choosers.h"
#include "ui/ExceptionRouting.h"
#include "ui/LocalizedMessage.h"
#include "util/OperationError.h"

namespace {

using upd::MessageButton;
using upd::MessageType;
using updtest::MessageBoxView;
using updtest::ModalScript;
using B = MessageButton;

TEST(ApplicationTitle, IsTheExecutableNameUpToTheFirstDotWithTheRestInLowerCase) {
    const std::pair<QString, QString> cases[] = {
        {"MyTool.exe", "Mytool"},
        {"UpdatePublisher", "Updatepublisher"},
        {"updatepublisher", "updatepublisher"},
        {"UPD.TOOL.EXE", "Upd"},
        {"ДАРВЕЛА.exe", "Дарвела"},
        {"", ""},
    };
    for (const auto& [name, title] : cases) {
        EXPECT_EQ(upd::ApplicationTitleFor(name), title) << name.toStdString();
    }
    EXPECT_EQ(upd::ApplicationTitle(), "ui_test");  // this test's executable
    EXPECT_EQ(QApplication::applicationName(), "ui_test");
}

TEST(ApplicationIcon, IsDrawnFromTheSvgResource) {
    // A null pixmap means the resource or Qt's SVG plugin is missing.
    EXPECT_FALSE(upd::ApplicationIcon().pixmap(32, 32).isNull());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());
}

TEST(QtNameFilter, MapsNameAndPatterns) {
    const std::pair<const char*, const char*> cases[] = {
        {"XML Файлове|*.xml", "XML Файлове (*.xml)"},
        {"SevenZip.exe|*.exe", "SevenZip.exe (*.exe)"},
        {"Архиви|*.upd;*.7z", "Архиви (*.upd *.7z)"},
    };
    for (const auto& [filter, qt] : cases) {
        EXPECT_EQ(upd::QtNameFilter(upd::ChooserFilter::Parse(filter)), QString(qt)) << filter;
    }
}

// The program loads Qt's own Bulgarian texts (as this test's main does): the file dialogs'
// buttons are not left in English.
TEST(QtTranslation, FileDialogButtonsAreBulgarian) {
    QFileDialog dialog(nullptr, "title");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.show();
    QStringList captions;
    for (const auto* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
        captions << button->text();
    }
    EXPECT_EQ(captions, (QStringList{"&Отваряне", "Отказ"}));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString CaptionOf(MessageButton button) {
    return button == B::None ? QString() : FromUtf8(upd::MessageButtonCaption(button));
}

struct DialogCase {
    MessageType type;
    upd::MessageButtonSet buttons;
    QMessageBox::Icon icon;
};

// The dialog shows what the shared tables say: buttons, their order and captions, default
// and Escape buttons, and the type's title.
TEST(LocalizedMessage, ShowsTheTablesButtonsTitleIconDefaultAndEscape) {
    const DialogCase cases[] = {
        {MessageType::Error, B::OK, QMessageBox::Critical},
        {MessageType::Confirmation, B::Yes | B::No | B::Cancel, QMessageBox::Question},
        {MessageType::Warning, B::Cancel | B::OK, QMessageBox::Warning},
        {MessageType::Information, B::Abort | B::Retry | B::Ignore, QMessageBox::Information},
        {MessageType::Custom, B::Help | B::YesToAll | B::NoToAll | B::All | B::No,
         QMessageBox::NoIcon},
    };
    for (const DialogCase& c : cases) {
        QStringList captions;
        for (const auto& [button, caption] : upd::kMessageButtons) {
            if (c.buttons.Has(button)) {
                captions << FromUtf8(caption);
            }
        }
        const auto title = upd::MessageTitle(c.type);
        const QString expectedTitle = title ? FromUtf8(*title) : QString("ui_test");
        SCOPED_TRACE(expectedTitle.toStdString());
        MessageBoxView seen;
        QPoint centre;
        Qt::WindowFlags flags;
        ModalScript script({[&](QWidget& dialog) {
            centre = dialog.frameGeometry().center();
            flags = dialog.windowFlags();
            updtest::Press(captions.back(), &seen)(dialog);
        }});
        const MessageButton pressed = upd::ShowLocalizedMessage("<b>Текст</b>", c.type, c.buttons);

        EXPECT_TRUE(script.Problems().empty());
        EXPECT_EQ(seen.title, expectedTitle);
        EXPECT_EQ(seen.text, "<b>Текст</b>");
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.captions, captions);
        // Without OK, Yes or Retry the focused first button answers Enter.
        const MessageButton defaultButton = upd::DefaultMessageButton(c.buttons);
        EXPECT_EQ(seen.defaultCaption,
                  defaultButton == B::None ? captions.front() : CaptionOf(defaultButton));
        EXPECT_EQ(seen.escapeCaption, CaptionOf(upd::EscapeMessageButton(c.buttons)));
        EXPECT_EQ(CaptionOf(pressed), captions.back());
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        EXPECT_LE((centre - screenCentre).manhattanLength(), 1);
    }
}

struct KeyCase {
    upd::MessageButtonSet buttons;
    int key;
    MessageButton expected;
};

// QTest's key helpers know ASCII only; the access keys are Cyrillic.
void PressKey(QWidget& widget, int key) {
    const QString text = key < Qt::Key_Escape ? QString(QChar(key)) : QString();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

TEST(LocalizedMessage, EnterEscapeAndAccessKeysPressTheirButtons) {
    const KeyCase cases[] = {
        {B::Yes | B::No | B::Cancel, Qt::Key_Escape, B::Cancel},
        {B::Yes | B::No, Qt::Key_Escape, B::No},
        {B::OK | B::Retry, Qt::Key_Escape, B::OK},
        {B::Yes | B::No | B::Cancel, Qt::Key_Return, B::Yes},
        {B::Retry | B::Cancel, Qt::Key_Return, B::Retry},
        {B::Yes | B::No | B::Cancel, 0x0414 /* Д */, B::Yes},
        {B::Yes | B::No | B::Cancel, 0x041D /* Н */, B::No},
        {B::Yes | B::No | B::Cancel, 0x041E /* О */, B::Cancel},
        {B::Abort | B::Retry, 0x0422 /* Т */, B::Retry},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.key);
        ModalScript script({[&](QWidget& dialog) { PressKey(dialog, c.key); }});
        EXPECT_EQ(upd::ShowLocalizedMessage("?", MessageType::Confirmation, c.buttons), c.expected);
        EXPECT_TRUE(script.Problems().empty());
    }
}

TEST(LocalizedMessage, WithoutEscapeButtonEscapeAndCloseBoxDoNothing) {
    for (const upd::MessageButtonSet buttons : {upd::MessageButtonSet(B::Yes), B::Yes | B::Retry}) {
        bool stayedOpen = false;
        ModalScript script({[&](QWidget& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            dialog.close();
            stayedOpen = dialog.isVisible();
            QTest::keyClick(&dialog, Qt::Key_Return);
        }});
        EXPECT_EQ(upd::ShowLocalizedMessage("?", MessageType::Confirmation, buttons), B::Yes);
        EXPECT_TRUE(stayedOpen);
        EXPECT_TRUE(script.Problems().empty());
    }
}

TEST(PlainMessage, HasNoIconOneOkButtonAndTheApplicationTitle) {
    MessageBoxView seen;
    ModalScript script({updtest::Press("OK", &seen)});
    upd::ShowPlainMessage("Готово!");
    EXPECT_TRUE(script.Problems().empty());
    EXPECT_EQ(seen.title, "ui_test");
    EXPECT_EQ(seen.text, "Готово!");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.captions, QStringList{"OK"});
}

// The window manager shortens a title that does not fit ("Updatepublisher" as "Up...er").
TEST(PlainMessage, IsWideEnoughForItsWholeTitle) {
    const QString ownTitle = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Updatepublisher");
    QString title;
    int width = 0;
    int needed = 0;
    ModalScript script({[&](QWidget& dialog) {
        title = dialog.windowTitle();
        width = dialog.width();
        QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
        titleFont.setBold(true);
        // The title, and beside it at least the window icon and the close button.
        needed = QFontMetrics(titleFont).horizontalAdvance(title) +
                 2 * dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
        updtest::Press("OK")(dialog);
    }});
    upd::ShowPlainMessage("Готово!");
    QGuiApplication::setApplicationDisplayName(ownTitle);
    EXPECT_TRUE(script.Problems().empty());
    EXPECT_EQ(title, "Updatepublisher");
    EXPECT_GE(width, needed);
}

// Throws from inside Qt's event delivery, not from a connected handler.
class ThrowingObject : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("из събитие");
        }
        return QObject::event(event);
    }
};

TEST(ExceptionRouting, EveryEscapingExceptionReachesTheInstalledHandler) {
    std::vector<std::string> messages;
    upd::SetApplicationExceptionHandler([&](const std::string& m) { messages.push_back(m); });

    upd::Guarded([] { throw upd::OperationError("Невалиден път до updates.xml!"); })();
    upd::Guarded([] { throw std::out_of_range("out of range"); })();
    upd::Guarded([] { throw 42; })();
    ThrowingObject receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);

    upd::SetApplicationExceptionHandler({});
    upd::Guarded([] { throw std::runtime_error("no handler"); })();  // must not escape

    EXPECT_EQ(messages, (std::vector<std::string>{"Невалиден път до updates.xml!", "out of range",
                                                  "Unknown exception", "из събитие"}));
}

TEST(ExceptionRouting, AFailingHandlerDoesNotLetTheExceptionEscape) {
    upd::SetApplicationExceptionHandler([](const std::string&) { throw std::bad_alloc(); });
    EXPECT_NO_THROW(upd::Guarded([] { throw std::runtime_error("x"); })());
    upd::SetApplicationExceptionHandler({});
}

}  // namespace
