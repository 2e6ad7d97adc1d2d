#include "support/ModalDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace updtest {

namespace {
constexpr int kPollMs = 10;
constexpr int kLeftOpenMs = 5000;
}  // namespace

MessageBoxView ViewOf(QMessageBox& box) {
    MessageBoxView view;
    view.title = box.windowTitle();
    // A message is shown byte for byte only as plain text (a path may hold "<b>").
    view.text = box.textFormat() == Qt::PlainText ? box.text() : "(as markup) " + box.text();
    view.icon = box.icon();
    QList<QAbstractButton*> buttons = box.buttons();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    for (QAbstractButton* button : buttons) {
        view.captions << button->text();
        if (auto* push = qobject_cast<QPushButton*>(button); push && push->isDefault()) {
            view.defaultCaption = push->text();
        }
    }
    if (box.escapeButton() != nullptr) {
        view.escapeCaption = box.escapeButton()->text();
    }
    return view;
}

ModalScript::ModalScript(std::vector<Handler> handlers)
    : pending_(handlers.begin(), handlers.end()) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(kPollMs);
}

void ModalScript::Poll() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) {
        return;
    }
    if (dialog == current_) {
        if (currentSince_.elapsed() > kLeftOpenMs) {
            Dismiss(*dialog, "left open");
        }
        return;
    }
    current_ = dialog;
    currentSince_.start();
    if (pending_.empty()) {
        Dismiss(*dialog, "unexpected");
        return;
    }
    const Handler handler = std::move(pending_.front());
    pending_.pop_front();
    handler(*dialog);
}

void ModalScript::Dismiss(QWidget& dialog, const char* why) {
    problems_.push_back(std::string(why) + ": " + dialog.windowTitle().toStdString());
    if (auto* modal = qobject_cast<QDialog*>(&dialog)) {
        modal->reject();
    } else {
        dialog.close();
    }
}

ModalScript::Handler Reject() {
    return [](QWidget& dialog) {
        if (auto* modal = qobject_cast<QDialog*>(&dialog)) {
            modal->reject();
        }
    };
}

ModalScript::Handler ChoosePath(const QString& path, QString* seenTitle) {
    return [path, seenTitle](QWidget& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (seenTitle != nullptr) {
            *seenTitle = dialog.windowTitle();
        }
        if (files == nullptr) {
            return;  // left open: reported as a problem
        }
        // Typed as a user would, as a full path into the name field; selectFile() leaves the
        // field alone while it has the focus.
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            return;
        }
        name->setText(path);
        static_cast<QDialog*>(files)->accept();  // QFileDialog's, with its checks
    };
}

ModalScript::Handler Press(const QString& caption, MessageBoxView* seen) {
    return [caption, seen](QWidget& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (box == nullptr) {
            return;
        }
        if (seen != nullptr) {
            *seen = ViewOf(*box);
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == caption) {
                button->click();
                return;
            }
        }
    };
}

}  // namespace updtest
