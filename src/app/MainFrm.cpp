#include "app/MainFrm.h"

#include <chrono>
#include <climits>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ops/IndexCommands.h"
#include "ops/UpdateArchive.h"
#include "ui/AppIdentity.h"
#include "ui/Choosers.h"
#include "ui/ExceptionRouting.h"
#include "ui/LocalizedMessage.h"

namespace {

constexpr int kClientWidth = 642;
constexpr int kClientHeight = 219;
constexpr int kTextPixels = 13;
constexpr int kCommandButtonPixels = 16;

QFont CalibriFont(int pixelSize) {
    QFont font(QStringLiteral("Calibri"));
    font.setPixelSize(pixelSize);
    return font;
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
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* AddLabel(QWidget* page, const char* name, const char* text, const QRect& rect) {
    auto* label = Named(new QLabel(QString::fromUtf8(text), page), name);
    label->setGeometry(rect);
    return label;
}

// A label that breaks its text into lines within its width and grows to the height they need.
QLabel* AddWrappingLabel(QWidget* page, const char* name, const char* text, const QRect& rect) {
    QLabel* label = AddLabel(page, name, text, rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->resize(rect.width(), label->heightForWidth(rect.width()));
    return label;
}

QLineEdit* AddEdit(QWidget* page, const char* name, const QRect& rect, bool readOnly) {
    auto* edit = Named(new QLineEdit(page), name);
    edit->setGeometry(rect);
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton* AddButton(QWidget* page, const char* name, const char* text, const QRect& rect) {
    auto* button = Named(new QPushButton(QString::fromUtf8(text), page), name);
    button->setGeometry(rect);
    return button;
}

// "Избери" at the right of a page's path field.
QPushButton* AddSelectButton(QWidget* page, const char* name) {
    return AddButton(page, name, "Избери", QRect(448, 14, 97, 25));
}

// The large button in the lower middle of a page that runs its command.
QPushButton* AddCommandButton(QWidget* page, const char* name, const char* text) {
    QPushButton* button = AddButton(page, name, text, QRect(176, 134, 281, 49));
    button->setFont(CalibriFont(kCommandButtonPixels));
    return button;
}

QLineEdit* AddPathEdit(QWidget* page, const char* name, bool readOnly) {
    return AddEdit(page, name, QRect(0, 16, 441, 23), readOnly);
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Генериране на допълнителни актуализации за Дарвела 2"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    QPalette buttonFace = palette();
    buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
    setPalette(buttonFace);
    setAutoFillBackground(true);

    pgc1_ = Named(new QTabWidget(this), "pgc1");
    pgc1_->setGeometry(0, 0, kClientWidth, kClientHeight);
    pgc1_->setFont(CalibriFont(kTextPixels));
    auto* tabStyle = new NarrowTabsStyle;
    tabStyle->setParent(pgc1_);
    pgc1_->tabBar()->setStyle(tabStyle);
    CreateIndexPackagePage();
    CreateUpdateArchivePage();
    CreateRestorePage();
    CreateHelpPage();
    pgc1_->setCurrentWidget(ts1_);
    CreateExitAction();
    SetTabOrder();
    edUpdatesXMLPath_->setFocus();

    upd::CenterOnScreen(*this);
    FormCreate();
}

TMainForm::~TMainForm() {
    upd::SetApplicationExceptionHandler({});
}

void TMainForm::CreateIndexPackagePage() {
    ts1_ = Named(new QWidget, "ts1");
    pgc1_->addTab(ts1_, QStringLiteral("Генериране на updates.xml"));
    AddLabel(ts1_, "lbl1", "Път до updates.xml", QRect(0, 0, 107, 15));
    edUpdatesXMLPath_ = AddPathEdit(ts1_, "edUpdatesXMLPath", false);
    btnSelectUpdatesXML_ = AddSelectButton(ts1_, "btnSelectUpdatesXML");
    AddWrappingLabel(ts1_, "lbl4",
                     "В избрания файл трябва да са описани имената на update архивите, които "
                     "трябва да се приложат.",
                     QRect(0, 40, 425, 30));
    AddWrappingLabel(ts1_, "lbl10",
                     "Ще бъде генериран upd файл, който се дърпа от аптечната програма при "
                     "проверка за нов ъпдейт.",
                     QRect(0, 72, 418, 30));
    btnGenerateUpdates_ = AddCommandButton(ts1_, "btnGenerateUpdates", "Генерирай updates.upd");

    connect(btnSelectUpdatesXML_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnSelectUpdatesXMLClick(); }));
    connect(btnGenerateUpdates_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnGenerateUpdatesClick(); }));
}

void TMainForm::CreateUpdateArchivePage() {
    ts2_ = Named(new QWidget, "ts2");
    pgc1_->addTab(ts2_, QStringLiteral("Генериране на update архив"));
    AddLabel(ts2_, "lbl2", "Път до папката с файловете на пача", QRect(0, 0, 204, 15));
    edUpdateFilesPath_ = AddPathEdit(ts2_, "edUpdateFilesPath", true);
    btnSelectUpdateFiles_ = AddSelectButton(ts2_, "btnSelectUpdateFiles");
    AddLabel(ts2_, "lbl11", "Парола", QRect(0, 40, 43, 15));
    edPassField_ = AddEdit(ts2_, "edPassField", QRect(0, 56, 441, 23), false);
    edPassField_->setText(QStringLiteral("KORVE482tm915$"));
    AddWrappingLabel(ts2_, "lbl3",
                     "От избраната папка ще бъде генериран архив с файловете на ъпдейта. ",
                     QRect(0, 80, 404, 15));
    // lbl8 and lbl9 take lbl3's width so that each reads on one line: at their narrower
    // widths of 258 and 233 pixels both wrap, overlap each other and run into the button.
    AddWrappingLabel(ts2_, "lbl8", "Този архив трябва да носи името, посочено в updates.xml.",
                     QRect(0, 96, 404, 15));
    AddWrappingLabel(ts2_, "lbl9", "Сваля се от аптечната програма ако не е приложен.",
                     QRect(0, 112, 404, 15));
    btnGenerateUpdateArchive_ =
        AddCommandButton(ts2_, "btnGenerateUpdateArchive", "Генерирай upd с update файловете");

    connect(btnSelectUpdateFiles_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnSelectUpdateFilesClick(); }));
    connect(btnGenerateUpdateArchive_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnGenerateUpdateArchiveClick(); }));
}

void TMainForm::CreateRestorePage() {
    ts3_ = Named(new QWidget, "ts3");
    pgc1_->addTab(ts3_, QStringLiteral("Възстановяване на updates.xml"));
    AddLabel(ts3_, "lbl5", "Път до updates.upd", QRect(0, 0, 108, 15));
    edUpdFilePath_ = AddPathEdit(ts3_, "edUpdFilePath", true);
    btnSelectUpdFile_ = AddSelectButton(ts3_, "btnSelectUpdFile");
    AddWrappingLabel(ts3_, "lbl6", "От избрания файл ще бъде генериран updates.xml файл.",
                     QRect(0, 40, 319, 15));
    AddWrappingLabel(ts3_, "lbl7",
                     "Целта е по-лесно добавяне на нови ъпдейти, ако updates.xml не е наличен",
                     QRect(0, 56, 419, 15));
    btnRestoreUpdatesXML_ =
        AddCommandButton(ts3_, "btnRestoreUpdatesXML", "Възстанови updates.xml");

    connect(btnSelectUpdFile_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnSelectUpdFileClick(); }));
    connect(btnRestoreUpdatesXML_, &QPushButton::clicked, this,
            upd::Guarded([this] { btnRestoreUpdatesXMLClick(); }));
}

void TMainForm::CreateHelpPage() {
    ts4_ = Named(new QWidget, "ts4");
    pgc1_->addTab(ts4_, QStringLiteral("Какво да правя?"));
    static constexpr std::pair<const char*, const char*> kLines[] = {
        {"lbl13", "Приложението служи за създаване на допълнителни актуализации за Дарвела 2."},
        {"lbl14", "За добавяне на нова актуализация е необходимо следното:"},
        {"lbl15",
         " • Ако не е наличен updates.xml,  от М-ката\\x\\updates\\dvl2autopatcher се сваля "
         "updates.upd файла."},
        {"lbl16", " • От updates.upd се възстановява updates.xml файла."},
        {"lbl17",
         " • Добавя се името на новия ъпдейт в updates.xml файла (за повече информация как виж "
         "updates.dtd)"},
        {"lbl18", " • Генерира се updatex.upd от updates.xml"},
        {"lbl19",
         " • Генерира се update архив с файловете на пача ( в него трябва да има описващия пача "
         "файл descriptor.xml)"},
        {"lbl12",
         " • updates.upd и update архивът се качват на М-ката\\x\\updates\\dvl2autopatcher"},
    };
    // Stacked from the top at full width; a label that wraps pushes the next ones down.
    auto* stack = new QVBoxLayout(ts4_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    for (const auto& [name, text] : kLines) {
        auto* label = Named(new QLabel(QString::fromUtf8(text), ts4_), name);
        label->setWordWrap(true);
        label->setMinimumHeight(15);
        label->setForegroundRole(QPalette::WindowText);
        stack->addWidget(label);
    }
    stack->addStretch();
}

void TMainForm::CreateExitAction() {
    auto* actionManager1 = Named(new QObject(this), "actionManager1");
    acExit_ = Named(new QAction(QStringLiteral("acExit"), actionManager1), "acExit");
    acExit_->setShortcut(QKeySequence(Qt::Key_Escape));
    acExit_->setShortcutContext(Qt::WindowShortcut);
    addAction(acExit_);
    connect(acExit_, &QAction::triggered, this, upd::Guarded([this] { acExitExecute(); }));
}

void TMainForm::SetTabOrder() {
    setTabOrder(edUpdatesXMLPath_, btnSelectUpdatesXML_);
    setTabOrder(btnSelectUpdatesXML_, btnGenerateUpdates_);
    setTabOrder(edUpdateFilesPath_, btnSelectUpdateFiles_);
    setTabOrder(btnSelectUpdateFiles_, btnGenerateUpdateArchive_);
    setTabOrder(btnGenerateUpdateArchive_, edPassField_);
    setTabOrder(edUpdFilePath_, btnSelectUpdFile_);
    setTabOrder(btnSelectUpdFile_, btnRestoreUpdatesXML_);
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

void TMainForm::AppExceptionHandler(const QString& message) {
    upd::ShowErrorMessage(QStringLiteral("Exception: ") + message, upd::MessageButton::OK);
}

void TMainForm::FormCreate() {
    upd::SetApplicationExceptionHandler(
        [this](const QString& message) { AppExceptionHandler(message); });
}

bool TMainForm::ContinueWork(const upd::WorkProgress& progress) {
    constexpr std::chrono::milliseconds kShowAfter{1000};
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(this);
        progress_->setWindowTitle(windowTitle());
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setCancelButtonText(QStringLiteral("Отказ"));
        progress_->setRange(0, 0);  // no end is known: a busy bar
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(INT_MAX);  // shown below, not by the dialog's own timer
    }
    progress_->setLabelText(QString::fromStdString(upd::DescribeProgress(progress)));
    if (progress.elapsed >= kShowAfter && !progress_->isVisible()) {
        progress_->show();
    }
    // Until the window-modal dialog stands, a click could start a second command.
    QApplication::processEvents(progress_->isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
    return !progress_->wasCanceled();
}

void TMainForm::WorkEnded() {
    progress_.reset();
}

void TMainForm::btnSelectUpdatesXMLClick() {
    // A cancel empties the field as well.
    edUpdatesXMLPath_->setText(
        QString::fromStdString(ChooseFile("XML Файлове|*.xml", "Избери файл...")));
}

void TMainForm::btnGenerateUpdatesClick() {
    upd::GenerateIndexPackage(edUpdatesXMLPath_->text().toStdString(), *this);
}

void TMainForm::btnSelectUpdateFilesClick() {
    const std::string folder = ChooseFolder("Изберете папката с файловете на пача");
    if (!folder.empty()) {
        edUpdateFilesPath_->setText(QString::fromStdString(folder));
    }
}

void TMainForm::btnGenerateUpdateArchiveClick() {
    upd::GenerateUpdateArchive(edUpdateFilesPath_->text().toStdString(),
                               edPassField_->text().toStdString(), *this);
}

void TMainForm::btnSelectUpdFileClick() {
    edUpdFilePath_->setText(
        QString::fromStdString(ChooseFile("UPD Файлове|*.upd", "Избери файл...")));
}

void TMainForm::btnRestoreUpdatesXMLClick() {
    upd::RestoreIndex(edUpdFilePath_->text().toStdString(), *this);
}

void TMainForm::acExitExecute() {
    close();
}
