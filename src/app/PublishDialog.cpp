#include "app/PublishDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <stdexcept>

#include "ui/Choosers.h"
#include "ui/ExceptionRouting.h"
#include "ui/LocalizedMessage.h"
#include "ui/PageDrops.h"
#include "ui/ProgressDialog.h"
#include "util/Texts.h"

namespace upd {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QFont FontOf(const form::Font& font, int pixels) {
    QFont result(FromUtf8(font.face));
    result.setPixelSize(pixels);
    return result;
}

}  // namespace

PublishDialog::PublishDialog(QWidget* parent) : QDialog(parent) {
    const form::Dialog& description = form::PublishDialogForm();
    setObjectName(FromUtf8(description.name));
    setWindowTitle(FromUtf8(description.caption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(description.clientWidth, description.clientHeight);
    setFont(FontOf(description.font, description.font.pixelHeight));
    for (const form::Control& control : description.controls) {
        CreateControl(control);
    }
    QWidget* previous = nullptr;
    for (const form::Control& control : form::TabOrder(description.controls)) {
        auto* current = findChild<QWidget*>(FromUtf8(control.name));
        if (previous != nullptr) {
            setTabOrder(previous, current);
        }
        previous = current;
    }
    Set(form::Field::PublishFolder, form::StartingPublishFolder());
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAcceptDrops(false);  // the drag goes up to the dialog
    }
    setAcceptDrops(true);
    installEventFilter(this);
}

PublishDialog::~PublishDialog() {
    steps_.Stop();
    progress_.reset();
}

void PublishDialog::CreateControl(const form::Control& control) {
    QWidget* widget = nullptr;
    switch (control.kind) {
        case form::Kind::Label:
        case form::Kind::WrappingLabel:
            widget = new QLabel(FromUtf8(control.text), this);
            break;
        case form::Kind::Edit: {
            auto* edit = new QLineEdit(FromUtf8(control.text), this);
            edit->setEchoMode(control.masked ? QLineEdit::Password : QLineEdit::Normal);
            widget = edit;
            break;
        }
        case form::Kind::List: {
            auto* list = new QListWidget(this);
            list->setSelectionMode(QAbstractItemView::ExtendedSelection);
            widget = list;
            break;
        }
        case form::Kind::Button: {
            auto* button = new QPushButton(FromUtf8(control.text), this);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this, control] {
                steps_.RunCommand([&] { form::RunPublishHandler(control, *this, *this); });
            });
            widget = button;
            break;
        }
    }
    widget->setObjectName(FromUtf8(control.name));
    widget->setFont(FontOf(form::PublishDialogForm().font, control.fontPixels));
    widget->setGeometry(control.rect.left, control.rect.top, control.rect.width,
                        control.rect.height);
}

QLineEdit& PublishDialog::Edit(form::Field field) const {
    auto* edit = findChild<QLineEdit*>(FromUtf8(form::PublishFieldControl(field).name));
    if (edit == nullptr) {
        throw std::logic_error("The publication dialog has no such edit");
    }
    return *edit;
}

QListWidget& PublishDialog::List() const {
    const auto name = form::PublishFieldControl(form::Field::PublishArchives).name;
    return *findChild<QListWidget*>(FromUtf8(name));
}

std::string PublishDialog::Read(form::Field field) const {
    return Edit(field).text().toStdString();
}

void PublishDialog::Set(form::Field field, const std::string& text) {
    Edit(field).setText(QString::fromStdString(text));
}

std::vector<std::string> PublishDialog::Archives() const {
    std::vector<std::string> paths;
    for (int row = 0; row < List().count(); ++row) {
        paths.push_back(List().item(row)->text().toStdString());
    }
    return paths;
}

void PublishDialog::SetArchives(const std::vector<std::string>& paths) {
    List().clear();
    for (const std::string& path : paths) {
        List().addItem(QString::fromStdString(path));
    }
}

std::vector<std::size_t> PublishDialog::SelectedArchives() const {
    std::vector<std::size_t> rows;
    for (const QListWidgetItem* item : List().selectedItems()) {
        rows.push_back(std::size_t(List().row(item)));
    }
    return rows;
}

std::string PublishDialog::ChooseFolder(const std::string& caption) {
    return ChooseFolderWithDialog(this, QString::fromStdString(caption)).toStdString();
}

std::string PublishDialog::ChooseFile(const ChooserFilter& filter, const std::string& title) {
    return ChooseFileWithDialog(this, filter, QString::fromStdString(title)).toStdString();
}

std::vector<std::string> PublishDialog::ChooseFiles(const ChooserFilter& filter,
                                                    const std::string& title) {
    QFileDialog dialog(this, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(QtNameFilter(filter));
    std::vector<std::string> paths;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& path : dialog.selectedFiles()) {
            paths.push_back(QDir::toNativeSeparators(QDir::cleanPath(path)).toStdString());
        }
    }
    return paths;
}

void PublishDialog::ShowInfo(const std::string& text) {
    ShowPlainMessage(QString::fromStdString(text));
}

// The plan or the report: selectable text, a button that copies all of it, and one to close.
void PublishDialog::ShowText(const std::string& title, const std::string& text) {
    QDialog dialog(this);
    dialog.setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* lines = new QPlainTextEdit(QString::fromStdString(text), &dialog);
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setMinimumSize(560, 160);
    layout->addWidget(lines);
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* copy = buttons->addButton(FromUtf8(text::kPublishCopyText), QDialogButtonBox::ActionRole);
    auto* close = buttons->addButton(FromUtf8(text::kPublishClose), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, lines,
            [lines] { QApplication::clipboard()->setText(lines->toPlainText()); });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

void PublishDialog::RunStep(Step step, AfterStep afterStep) {
    steps_.Start(std::move(step), std::move(afterStep));
}

void PublishDialog::reject() {
    if (steps_.RequestClose()) {
        QDialog::reject();
    }
}

// The control under the point that takes drops: a child widget, or a part of one (a list's
// viewport).
std::optional<form::Control> PublishDialog::DropTargetAt(const QPoint& point) const {
    for (QWidget* widget = childAt(point); widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        for (const form::Control& control : form::PublishDialogForm().controls) {
            if (control.takes != form::Takes::Nothing &&
                widget->objectName() == FromUtf8(control.name)) {
                return control;
            }
        }
    }
    return std::nullopt;
}

bool PublishDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != this ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
        return QDialog::eventFilter(watched, event);
    }
    auto& drop = static_cast<QDropEvent&>(*event);
    const auto target = DropTargetAt(drop.position().toPoint());
    const auto paths = target && !steps_.Running()
                           ? form::JudgePublishDrop(*target, DraggedItemsOf(drop.mimeData()))
                           : std::nullopt;
    drop.setAccepted(paths && ChooseHarmlessAction(drop));
    if (type == QEvent::DragEnter) {
        drop.setAccepted(true);  // asked again at each move: the target depends on the point
    }
    if (type == QEvent::Drop && paths && drop.isAccepted()) {
        RunGuarded([&] { form::TakePublishDrop(*target, *paths, *this); });
    }
    return true;
}

void PublishDialog::Post(StepEvent event, std::chrono::milliseconds delay) {
    PostStepEvent(this, steps_, event, delay);
}

void PublishDialog::ShowProgress(const WorkProgress& progress) {
    if (!progress_) {
        progress_ = std::make_unique<ProgressDialog>(this);
        connect(progress_.get(), &ProgressDialog::cancelRequested, this,
                [this] { steps_.Cancel(); });
        progress_->show();
    }
    progress_->ShowProgress(progress);
}

void PublishDialog::HideProgress() {
    progress_.reset();
}

void PublishDialog::EnableForm(bool enabled) {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->setEnabled(enabled);
    }
}

void PublishDialog::Close() {
    QDialog::reject();
}

}  // namespace upd
