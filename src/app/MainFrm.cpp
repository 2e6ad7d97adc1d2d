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
#include <QTimer>
#include <QVBoxLayout>

#include <stdexcept>
#include <utility>

#include "app/PublishDialog.h"
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

// Disabled during a step, the pages look as before: a short step must not make them flicker.
void LookTheSameDisabled(QWidget& widget) {
    QPalette palette = widget.palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto colorRole = QPalette::ColorRole(role);
        if (colorRole != QPalette::NoRole) {
            palette.setColor(QPalette::Disabled, colorRole,
                             palette.color(QPalette::Active, colorRole));
        }
    }
    widget.setPalette(palette);
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
    LookTheSameDisabled(*pages_);
    CreateExitAction();
    upd::AcceptDropsOnPages(*this, *pages_, *this, [this] { return steps_.Running(); });
    const auto activeStops = form::TabOrder(description.pages[description.activePage]);
    if (!activeStops.empty()) {
        findChild<QWidget*>(FromUtf8(activeStops.front().name))->setFocus();
    }

    upd::CenterOnScreen(*this);
    upd::SetErrorDialog([](const std::string& text) {
        upd::ShowErrorMessage(QString::fromStdString(text), upd::MessageButton::OK);
    });
}

TMainForm::~TMainForm() {
    steps_.Stop();
    progress_.reset();
    upd::SetApplicationExceptionHandler({});
}

void TMainForm::CreatePage(const form::Page& description) {
    auto* page = Named(new QWidget, description.name);
    pages_->addTab(page, FromUtf8(description.caption));
    if (description.stacked) {
        CreateStackedLabels(*page, description);
        for (const form::Control& control : description.below) {
            CreateControl(*page, control);  // at its place, outside the labels' stack
        }
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
        case form::Kind::List:  // only in the publication dialog (app/PublishDialog.cpp)
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
            ConnectHandler(*button, control);
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

void TMainForm::ConnectHandler(QPushButton& button, const form::Control& control) {
    if (control.onClick == form::Handler::None) {
        return;
    }
    if (control.onClick == form::Handler::OpenPublishDialog) {
        connect(&button, &QPushButton::clicked, this,
                [this] { steps_.RunCommand([this] { upd::PublishDialog(this).exec(); }); });
        return;
    }
    connect(&button, &QPushButton::clicked, this, [this, control] {
        steps_.RunCommand([&] { form::RunHandler(control, *this, *this); });
    });
}

void TMainForm::CreateExitAction() {
    const QString name = FromUtf8(form::MainForm().exitAction);
    auto* exit = new QAction(name, this);
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

QLineEdit& TMainForm::Field(form::Field field) const {
    const std::string_view name = form::FieldControl(field).name;
    auto* edit = findChild<QLineEdit*>(FromUtf8(name));
    if (edit == nullptr) {
        throw std::logic_error("The window has no field " + std::string(name));
    }
    return *edit;
}

std::string TMainForm::Read(form::Field field) const {
    return Field(field).text().toStdString();
}

void TMainForm::Set(form::Field field, const std::string& text) {
    Field(field).setText(QString::fromStdString(text));
}

std::string TMainForm::ChooseFolder(const std::string& caption) {
    return upd::ChooseFolderWithDialog(this, QString::fromStdString(caption)).toStdString();
}

std::string TMainForm::ChooseFile(const upd::ChooserFilter& filter, const std::string& title) {
    return upd::ChooseFileWithDialog(this, filter, QString::fromStdString(title)).toStdString();
}

void TMainForm::ShowInfo(const std::string& text) {
    upd::ShowPlainMessage(QString::fromStdString(text));
}

void TMainForm::RunStep(upd::Step step, upd::AfterStep afterStep) {
    steps_.Start(std::move(step), std::move(afterStep));
}

// Queued calls still waiting when the window goes are dropped with it.
void TMainForm::Post(upd::StepEvent event, std::chrono::milliseconds delay) {
    upd::PostStepEvent(this, steps_, event, delay);
}

void TMainForm::ShowProgress(const upd::WorkProgress& progress) {
    if (!progress_) {
        progress_ = std::make_unique<upd::ProgressDialog>(this);
        connect(progress_.get(), &upd::ProgressDialog::cancelRequested, this,
                [this] { steps_.Cancel(); });
        progress_->show();
    }
    progress_->ShowProgress(progress);
}

void TMainForm::HideProgress() {
    progress_.reset();
}

// The focus leaves the disabled pages; it comes back to where it was.
void TMainForm::EnableForm(bool enabled) {
    if (!enabled) {
        focusBeforeStep_ = focusWidget();
    }
    pages_->setEnabled(enabled);
    if (enabled && focusBeforeStep_) {
        focusBeforeStep_->setFocus();
    }
}

void TMainForm::Close() {
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!steps_.RequestClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TMainForm::acExitExecute() {
    close();
}
