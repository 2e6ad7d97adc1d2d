#include "app/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

#include "ops/IndexCommands.h"
#include "ops/UpdateArchive.h"
#include "ui/AppIdentity.h"
#include "ui/Choosers.h"
#include "ui/ExceptionRouting.h"
#include "ui/LocalizedMessage.h"
#include "ui/PageDrops.h"
#include "ui/ProgressDialog.h"
#include "ui/WrappingLabel.h"

namespace form = upd::form;

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QFont FontOf(std::string_view face, int pixelHeight) {
    QFont font(FromUtf8(face));
    font.setPixelSize(pixelHeight);
    return font;
}

QRect RectOf(const form::Rect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

// Qt's tabs are padded more widely than the platform tabs the layout was made for: with the
// default padding the four captions do not fit side by side in the window.
class NarrowTabsStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) {
            return 12;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

template <typename Widget>
Widget* Named(Widget* widget, std::string_view name) {
    widget->setObjectName(FromUtf8(name));
    return widget;
}

QLabel* CreateLabel(QWidget& page, const form::Control& control) {
    return Named(new QLabel(FromUtf8(control.text), &page), control.name);
}

QLabel* CreateWrappingLabel(QWidget& page, const form::Control& control) {
    return Named(new upd::WrappingLabel(FromUtf8(control.text), &page), control.name);
}

using HandlerMethod = void (TMainForm::*)();

HandlerMethod MethodOf(form::Handler handler) {
    switch (handler) {
        case form::Handler::SelectUpdatesXml:
            return &TMainForm::btnSelectUpdatesXMLClick;
        case form::Handler::GenerateUpdates:
            return &TMainForm::btnGenerateUpdatesClick;
        case form::Handler::SelectUpdateFiles:
            return &TMainForm::btnSelectUpdateFilesClick;
        case form::Handler::GenerateUpdateArchive:
            return &TMainForm::btnGenerateUpdateArchiveClick;
        case form::Handler::SelectUpdFile:
            return &TMainForm::btnSelectUpdFileClick;
        case form::Handler::RestoreUpdatesXml:
            return &TMainForm::btnRestoreUpdatesXMLClick;
        case form::Handler::None:
            break;
    }
    return nullptr;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    const form::Form& description = form::MainForm();
    setObjectName(FromUtf8(description.name));
    setWindowTitle(FromUtf8(description.caption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(description.clientWidth, description.clientHeight);
    setFont(FontOf(description.windowFont.face, description.windowFont.pixelHeight));
    QPalette buttonFace = palette();
    buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
    setPalette(buttonFace);
    setAutoFillBackground(true);

    pages_ = Named(new QTabWidget(this), description.pagesName);
    pages_->setGeometry(0, 0, description.clientWidth, description.clientHeight);
    pages_->setFont(FontOf(description.pagesFont.face, description.pagesFont.pixelHeight));
    auto* tabStyle = new NarrowTabsStyle;
    tabStyle->setParent(pages_);
    pages_->tabBar()->setStyle(tabStyle);
    for (const form::Page& page : description.pages) {
        CreatePage(page);
    }
    pages_->setCurrentIndex(description.activePage);
    CreateExitAction();
    upd::AcceptDropsOnPages(*this, *pages_);
    const auto activeStops = form::TabOrder(description.pages[description.activePage]);
    if (!activeStops.empty()) {
        findChild<QWidget*>(FromUtf8(activeStops.front().name))->setFocus();
    }

    upd::CenterOnScreen(*this);
    FormCreate();
}

TMainForm::~TMainForm() {
    upd::SetApplicationExceptionHandler({});
}

void TMainForm::CreatePage(const form::Page& description) {
    auto* page = Named(new QWidget, description.name);
    pages_->addTab(page, FromUtf8(description.caption));
    if (description.stacked) {
        CreateStackedLabels(*page, description);
        return;
    }
    for (const form::Control& control : description.controls) {
        CreateControl(*page, control);
    }
    SetTabOrder(description);
}

void TMainForm::CreateControl(QWidget& page, const form::Control& control) {
    QWidget* widget = nullptr;
    switch (control.kind) {
        case form::Kind::Label:
            widget = CreateLabel(page, control);
            break;
        case form::Kind::WrappingLabel:
            widget = CreateWrappingLabel(page, control);
            break;
        case form::Kind::Edit: {
            auto* edit = Named(new QLineEdit(FromUtf8(control.text), &page), control.name);
            edit->setReadOnly(control.readOnly);
            widget = edit;
            break;
        }
        case form::Kind::Button: {
            auto* button = Named(new QPushButton(FromUtf8(control.text), &page), control.name);
            ConnectHandler(*button, control.onClick);
            widget = button;
            break;
        }
    }
    widget->setFont(FontOf(form::MainForm().pagesFont.face, control.fontPixels));
    QRect rect = RectOf(control.rect);
    if (control.kind == form::Kind::WrappingLabel) {
        rect.setHeight(widget->heightForWidth(rect.width()));
    }
    widget->setGeometry(rect);
}

// From the top at the full page width; a label that wraps pushes the next ones down.
void TMainForm::CreateStackedLabels(QWidget& page, const form::Page& description) {
    auto* stack = new QVBoxLayout(&page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    for (const form::Control& control : description.controls) {
        QLabel* label = CreateWrappingLabel(page, control);
        label->setFont(FontOf(form::MainForm().pagesFont.face, control.fontPixels));
        label->setMinimumHeight(control.rect.height);
        label->setForegroundRole(QPalette::WindowText);
        stack->addWidget(label);
    }
    stack->addStretch();
}

void TMainForm::ConnectHandler(QPushButton& button, form::Handler handler) {
    const HandlerMethod method = MethodOf(handler);
    if (method == nullptr) {
        return;
    }
    connect(&button, &QPushButton::clicked, this,
            upd::Guarded([this, method] { (this->*method)(); }));
}

void TMainForm::CreateExitAction() {
    const QString name = FromUtf8(form::MainForm().exitAction);
    auto* actionManager1 = Named(new QObject(this), "actionManager1");
    auto* exit = new QAction(name, actionManager1);
    exit->setObjectName(name);
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    exit->setShortcutContext(Qt::WindowShortcut);
    addAction(exit);
    connect(exit, &QAction::triggered, this, upd::Guarded([this] { acExitExecute(); }));
}

void TMainForm::SetTabOrder(const form::Page& page) {
    QWidget* previous = nullptr;
    for (const form::Control& control : form::TabOrder(page)) {
        auto* current = findChild<QWidget*>(FromUtf8(control.name));
        if (previous != nullptr) {
            setTabOrder(previous, current);
        }
        previous = current;
    }
}

QLineEdit& TMainForm::Field(std::string_view name) const {
    auto* field = findChild<QLineEdit*>(FromUtf8(name));
    if (field == nullptr) {
        throw std::logic_error("The window has no field " + std::string(name));
    }
    return *field;
}

std::string TMainForm::ChooseFolder(const std::string& caption) {
    return upd::ChooseFolderWithDialog(this, QString::fromStdString(caption)).toStdString();
}

std::string TMainForm::ChooseFile(const std::string& filter, const std::string& title) {
    return upd::ChooseFileWithDialog(this, QString::fromStdString(filter),
                                     QString::fromStdString(title))
        .toStdString();
}

void TMainForm::ShowInfo(const std::string& text) {
    upd::ShowPlainMessage(QString::fromStdString(text));
}

bool TMainForm::ContinueWork(const upd::WorkProgress& progress) {
    working_ = true;
    if (!progress_ && progress.elapsed >= form::kProgressDelay) {
        progress_ = std::make_unique<upd::ProgressDialog>(this);
        progress_->show();
    }
    if (!progress_) {
        // Painting only: the window takes no input while the step runs.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }
    progress_->ShowProgress(progress);
    // The dialog is application-modal: only it takes input.
    QApplication::processEvents();
    return !progress_->Cancelled();
}

void TMainForm::WorkEnded() {
    working_ = false;
    progress_.reset();
}

// The step runs inside one of this window's handlers: the window stays until it has ended.
void TMainForm::closeEvent(QCloseEvent* event) {
    if (working_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TMainForm::AppExceptionHandler(const QString& message) {
    WorkEnded();  // a failed step leaves no progress dialog above the error
    upd::ShowErrorMessage(QStringLiteral("Exception: ") + message, upd::MessageButton::OK);
}

void TMainForm::FormCreate() {
    upd::SetApplicationExceptionHandler(
        [this](const QString& message) { AppExceptionHandler(message); });
}

void TMainForm::btnSelectUpdatesXMLClick() {
    // A cancel empties the field as well.
    Field("edUpdatesXMLPath")
        .setText(QString::fromStdString(
            ChooseFile(std::string(form::kUpdatesXmlFilter), std::string(form::kChooseFileTitle))));
}

void TMainForm::btnGenerateUpdatesClick() {
    upd::GenerateIndexPackage(Field("edUpdatesXMLPath").text().toStdString(), *this);
}

void TMainForm::btnSelectUpdateFilesClick() {
    const std::string folder = ChooseFolder(std::string(form::kPatchFolderCaption));
    if (!folder.empty()) {
        Field("edUpdateFilesPath").setText(QString::fromStdString(folder));
    }
}

void TMainForm::btnGenerateUpdateArchiveClick() {
    upd::GenerateUpdateArchive(Field("edUpdateFilesPath").text().toStdString(),
                               Field("edPassField").text().toStdString(), *this);
}

void TMainForm::btnSelectUpdFileClick() {
    // A cancel empties the field as well.
    Field("edUpdFilePath")
        .setText(QString::fromStdString(
            ChooseFile(std::string(form::kUpdFileFilter), std::string(form::kChooseFileTitle))));
}

void TMainForm::btnRestoreUpdatesXMLClick() {
    upd::RestoreIndex(Field("edUpdFilePath").text().toStdString(), *this);
}

void TMainForm::acExitExecute() {
    close();
}
