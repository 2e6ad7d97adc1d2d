#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/MainFrm.h"
#include "container/UpdContainer.h"
#include "support/ModalDialogs.h"
#include "support/TestFiles.h"

namespace {

using updtest::MessageBoxView;
using updtest::ModalScript;
using updtest::TempDir;

class MainForm : public ::testing::Test {
  protected:
    TMainForm form;

    void SetUp() override {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    template <typename Widget = QWidget>
    Widget* Get(const QString& name) {
        auto* widget = form.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QTabWidget* Pages() { return Get<QTabWidget>("pgc1"); }
    QLineEdit* Edit(const QString& name) { return Get<QLineEdit>(name); }

    void ShowPage(const QString& page) { Pages()->setCurrentWidget(Get(page)); }
    void Click(const QString& button) {
        QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton);
    }
    void Activate() {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

TEST_F(MainForm, IsAFixedSizeWindowWithFourPagesAndTheFirstActive) {
    EXPECT_EQ(form.objectName(), "MainForm");
    EXPECT_EQ(form.windowTitle(), "Генериране на допълнителни актуализации за Дарвела 2");
    EXPECT_EQ(form.size(), QSize(642, 219));
    EXPECT_EQ(form.minimumSize(), QSize(642, 219));
    EXPECT_EQ(form.maximumSize(), QSize(642, 219));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowCloseButtonHint);

    QTabWidget* pages = Pages();
    EXPECT_EQ(pages->geometry(), QRect(0, 0, 642, 219));
    const std::pair<QString, QString> expected[] = {
        {"ts1", "Генериране на updates.xml"},
        {"ts2", "Генериране на update архив"},
        {"ts3", "Възстановяване на updates.xml"},
        {"ts4", "Какво да правя?"},
    };
    ASSERT_EQ(pages->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), expected[i].first);
        EXPECT_EQ(pages->tabText(i), expected[i].second);
        // All four captions must be visible side by side, without scroll buttons.
        EXPECT_LE(pages->tabBar()->tabRect(i).right(), pages->width()) << i;
    }
    EXPECT_EQ(pages->currentWidget()->objectName(), "ts1");
}

enum class Kind { Label, WrappingLabel, Edit, ReadOnlyEdit, Button, CommandButton };

struct Control {
    const char* page;
    const char* name;
    Kind kind;
    QRect rect;  // for wrapping labels the height is the one the text needs
    QString text;
};

const Control kControls[] = {
    {"ts1", "lbl1", Kind::Label, {0, 0, 107, 15}, "Път до updates.xml"},
    {"ts1", "edUpdatesXMLPath", Kind::Edit, {0, 16, 441, 23}, ""},
    {"ts1", "btnSelectUpdatesXML", Kind::Button, {448, 14, 97, 25}, "Избери"},
    {"ts1",
     "lbl4",
     Kind::WrappingLabel,
     {0, 40, 425, 0},
     "В избрания файл трябва да са описани имената на update архивите, които трябва да се "
     "приложат."},
    {"ts1",
     "lbl10",
     Kind::WrappingLabel,
     {0, 72, 418, 0},
     "Ще бъде генериран upd файл, който се дърпа от аптечната програма при проверка за нов "
     "ъпдейт."},
    {"ts1",
     "btnGenerateUpdates",
     Kind::CommandButton,
     {176, 134, 281, 49},
     "Генерирай updates.upd"},
    {"ts2", "lbl2", Kind::Label, {0, 0, 204, 15}, "Път до папката с файловете на пача"},
    {"ts2", "edUpdateFilesPath", Kind::ReadOnlyEdit, {0, 16, 441, 23}, ""},
    {"ts2", "btnSelectUpdateFiles", Kind::Button, {448, 14, 97, 25}, "Избери"},
    {"ts2", "lbl11", Kind::Label, {0, 40, 43, 15}, "Парола"},
    {"ts2", "edPassField", Kind::Edit, {0, 56, 441, 23}, "KORVE482tm915$"},
    {"ts2",
     "lbl3",
     Kind::WrappingLabel,
     {0, 80, 404, 0},
     "От избраната папка ще бъде генериран архив с файловете на ъпдейта. "},
    // Widened so that they do not overlap each other or the button.
    {"ts2",
     "lbl8",
     Kind::WrappingLabel,
     {0, 96, 404, 0},
     "Този архив трябва да носи името, посочено в updates.xml."},
    {"ts2",
     "lbl9",
     Kind::WrappingLabel,
     {0, 112, 404, 0},
     "Сваля се от аптечната програма ако не е приложен."},
    {"ts2",
     "btnGenerateUpdateArchive",
     Kind::CommandButton,
     {176, 134, 281, 49},
     "Генерирай upd с update файловете"},
    {"ts3", "lbl5", Kind::Label, {0, 0, 108, 15}, "Път до updates.upd"},
    {"ts3", "edUpdFilePath", Kind::ReadOnlyEdit, {0, 16, 441, 23}, ""},
    {"ts3", "btnSelectUpdFile", Kind::Button, {448, 14, 97, 25}, "Избери"},
    {"ts3",
     "lbl6",
     Kind::WrappingLabel,
     {0, 40, 319, 0},
     "От избрания файл ще бъде генериран updates.xml файл."},
    {"ts3",
     "lbl7",
     Kind::WrappingLabel,
     {0, 56, 419, 0},
     "Целта е по-лесно добавяне на нови ъпдейти, ако updates.xml не е наличен"},
    {"ts3",
     "btnRestoreUpdatesXML",
     Kind::CommandButton,
     {176, 134, 281, 49},
     "Възстанови updates.xml"},
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        return button->text();
    }
    return "(no text)";
}

bool IsCalibri(const QFont& font) {
    // Carlito stands in for Calibri where Calibri itself is not installed.
    const QString family = QFontInfo(font).family();
    return family == "Calibri" || family == "Carlito";
}

TEST_F(MainForm, EveryControlHasItsNamePageRectangleTextAndFont) {
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = Get(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), c.page);
        EXPECT_EQ(TextOf(widget), c.text);
        QRect expected = c.rect;
        if (c.kind == Kind::WrappingLabel) {
            auto* label = qobject_cast<QLabel*>(widget);
            EXPECT_TRUE(label->wordWrap());
            expected.setHeight(label->heightForWidth(c.rect.width()));
            EXPECT_GE(expected.height(), 15);
        }
        EXPECT_EQ(widget->geometry(), expected);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(edit->isReadOnly(), c.kind == Kind::ReadOnlyEdit);
            EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
        }
        EXPECT_TRUE(IsCalibri(widget->font())) << QFontInfo(widget->font()).family().toStdString();
        EXPECT_EQ(widget->font().pixelSize(), c.kind == Kind::CommandButton ? 16 : 13);
    }
}

TEST_F(MainForm, HelpLabelsAreStackedFromTheTopAtFullWidthAndPushEachOtherDown) {
    const std::pair<const char*, QString> kLines[] = {
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
    ShowPage("ts4");
    QWidget* page = Get("ts4");
    for (const auto& [name, text] : kLines) {
        EXPECT_EQ(Get<QLabel>(name)->text(), text) << name;
        EXPECT_TRUE(IsCalibri(Get<QLabel>(name)->font())) << name;
    }
    const auto checkStack = [&] {
        int top = 0;
        for (const auto& [name, text] : kLines) {
            auto* label = Get<QLabel>(name);
            EXPECT_EQ(label->geometry().topLeft(), QPoint(0, top)) << name;
            EXPECT_EQ(label->width(), page->width()) << name;
            EXPECT_GE(label->height(), 15) << name;
            top += label->height();
        }
        EXPECT_LE(top, page->height());
    };
    checkStack();

    auto* first = Get<QLabel>("lbl13");
    const int oneLine = first->height();
    first->setText(first->text().repeated(3));
    QApplication::processEvents();
    EXPECT_GT(first->height(), oneLine);  // wrapped
    checkStack();
}

TEST_F(MainForm, TabRunsThroughEachPageInItsOrder) {
    const QStringList orders[] = {
        {"edUpdatesXMLPath", "btnSelectUpdatesXML", "btnGenerateUpdates"},
        {"edUpdateFilesPath", "btnSelectUpdateFiles", "btnGenerateUpdateArchive", "edPassField"},
        {"edUpdFilePath", "btnSelectUpdFile", "btnRestoreUpdatesXML"},
    };
    Activate();
    for (int page = 0; page < 3; ++page) {
        Pages()->setCurrentIndex(page);
        Get(orders[page].first())->setFocus();
        QStringList visited;
        for (int step = 0; step < orders[page].size(); ++step) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(visited, orders[page]);
    }
}

TEST_F(MainForm, OnlyTheUpdateIndexAndPasswordFieldsTakeTyping) {
    Activate();
    const std::pair<const char*, QString> cases[] = {
        {"edUpdatesXMLPath", "abc"},
        {"edPassField", "KORVE482tm915$abc"},
        {"edUpdateFilesPath", ""},
        {"edUpdFilePath", ""},
    };
    for (const auto& [name, after] : cases) {
        QLineEdit* edit = Edit(name);
        Pages()->setCurrentWidget(edit->parentWidget());
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, "abc");
        EXPECT_EQ(edit->text(), after) << name;
    }
}

struct ChooserCase {
    const char* page;
    const char* button;
    const char* field;
    QString title;
    QFileDialog::FileMode mode;
    QStringList filters;
    bool cancelEmptiesField;
};

const ChooserCase kChoosers[] = {
    {"ts1",
     "btnSelectUpdatesXML",
     "edUpdatesXMLPath",
     "Избери файл...",
     QFileDialog::AnyFile,
     {"XML Файлове (*.xml)"},
     true},
    {"ts2",
     "btnSelectUpdateFiles",
     "edUpdateFilesPath",
     "Изберете папката с файловете на пача",
     QFileDialog::Directory,
     {},
     false},
    {"ts3",
     "btnSelectUpdFile",
     "edUpdFilePath",
     "Избери файл...",
     QFileDialog::AnyFile,
     {"UPD Файлове (*.upd)"},
     true},
};

TEST_F(MainForm, CancellingAChooserEmptiesTheFileFieldsButKeepsTheFolderField) {
    for (const ChooserCase& c : kChoosers) {
        SCOPED_TRACE(c.button);
        ShowPage(c.page);
        Edit(c.field)->setText("/earlier/choice");
        QString title;
        QFileDialog::FileMode mode{};
        QStringList filters;
        ModalScript script({[&](QWidget& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            title = files.windowTitle();
            mode = files.fileMode();
            filters = files.nameFilters();
            files.reject();
        }});
        Click(c.button);
        EXPECT_TRUE(script.Problems().empty());
        EXPECT_EQ(script.Unused(), 0u);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(mode, c.mode);
        if (!c.filters.isEmpty()) {
            EXPECT_EQ(filters, c.filters);
        }
        EXPECT_EQ(Edit(c.field)->text(), c.cancelEmptiesField ? "" : "/earlier/choice");
    }
}

TEST_F(MainForm, ChosenPathsFillTheFieldsAndFilesNeedNotExist) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.Text());
    const QString chosen[] = {folder + "/нов.xml", folder, folder + "/updates.upd"};
    for (int i = 0; i < 3; ++i) {
        const ChooserCase& c = kChoosers[i];
        SCOPED_TRACE(c.button);
        ShowPage(c.page);
        ModalScript script({updtest::ChoosePath(chosen[i])});
        Click(c.button);
        EXPECT_TRUE(script.Problems().empty());
        EXPECT_EQ(Edit(c.field)->text(), chosen[i]);
    }
}

struct FailureCase {
    const char* page;
    const char* button;
    QString message;
};

TEST_F(MainForm, AFailingCommandShowsTheErrorDialogAndLeavesTheFieldsAsTheyWere) {
    const FailureCase cases[] = {
        {"ts1", "btnGenerateUpdates", "Exception: Невалиден път до updates.xml!"},
        {"ts2", "btnGenerateUpdateArchive",
         "Exception: /няма/такъв/edUpdateFilesPath не съществува!"},
        {"ts3", "btnRestoreUpdatesXML", "Exception: Невалиден път до updates.upd!"},
    };
    const char* fields[] = {"edUpdatesXMLPath", "edUpdateFilesPath", "edPassField",
                            "edUpdFilePath"};
    for (const char* field : fields) {
        Edit(field)->setText(QStringLiteral("/няма/такъв/%1").arg(field));
    }
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.button);
        ShowPage(c.page);
        MessageBoxView seen;
        ModalScript script({updtest::Press("OK", &seen)});
        Click(c.button);
        EXPECT_TRUE(script.Problems().empty());
        EXPECT_EQ(script.Unused(), 0u);
        EXPECT_EQ(seen.title, "Грешка");
        EXPECT_EQ(seen.text, c.message);
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.captions, QStringList{"OK"});
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Pages()->currentWidget()->objectName(), c.page);
        for (const char* field : fields) {
            EXPECT_EQ(Edit(field)->text(), QStringLiteral("/няма/такъв/%1").arg(field));
        }
    }
}

TEST_F(MainForm, GeneratesTheIndexPackageAndRestoresItThroughTheRealDialogs) {
    TempDir dir;
    const std::string index = dir / "updates.xml";
    updtest::WriteBytes(index, "<updates><update name=\"u1.upd\"/></updates>");
    const QString packageFolder = QString::fromStdString(dir / "пакет");
    const QString restoreFolder = QString::fromStdString(dir / "възстановен");
    QDir().mkpath(packageFolder);
    QDir().mkpath(restoreFolder);

    QString packTitle, restoreTitle;
    MessageBoxView packDone, restoreDone;
    ModalScript script({
        updtest::ChoosePath(packageFolder, &packTitle),
        updtest::Press("OK", &packDone),
        updtest::ChoosePath(restoreFolder, &restoreTitle),
        updtest::Press("OK", &restoreDone),
    });
    Activate();
    Edit("edUpdatesXMLPath")->setFocus();
    QTest::keyClicks(Edit("edUpdatesXMLPath"), QString::fromStdString(index));
    Click("btnGenerateUpdates");
    ShowPage("ts3");
    Edit("edUpdFilePath")->setText(packageFolder + "/updates.upd");
    Click("btnRestoreUpdatesXML");

    EXPECT_TRUE(script.Problems().empty());
    EXPECT_EQ(script.Unused(), 0u);
    EXPECT_EQ(packTitle, "Директория, в която да се запише updates.upd");
    EXPECT_EQ(restoreTitle, "Директория, в която да се запише updates.xml");
    for (const MessageBoxView& done : {packDone, restoreDone}) {
        EXPECT_EQ(done.title, "mainfrm_test");  // the application title
        EXPECT_EQ(done.text, "Готово!");
        EXPECT_EQ(done.icon, QMessageBox::NoIcon);
        EXPECT_EQ(done.captions, QStringList{"OK"});
    }
    EXPECT_EQ(updtest::ReadBytes(restoreFolder.toStdString() + "/updates.xml"),
              updtest::ReadBytes(index));
}

TEST_F(MainForm, GeneratesTheUpdateArchiveWithTheTypedPassword) {
    TempDir dir;
    const std::string patch = dir / "пач";
    QDir().mkpath(QString::fromStdString(patch));
    updtest::WriteBytes(patch + "/descriptor.xml", "<patch/>");
    updtest::WriteBytes(patch + "/file.dll", updtest::RandomBytes(1000, 7));
    const QString archive = QString::fromStdString(dir / "u1");  // ".upd" is added

    QString archiverTitle, outputTitle;
    MessageBoxView done;
    ModalScript script({
        updtest::ChoosePath(QString::fromStdString(patch)),
        // No archiver next to the test program: the command asks for it first.
        updtest::ChoosePath(SEVENZIP_PROGRAM_PATH, &archiverTitle),
        updtest::ChoosePath(archive, &outputTitle),
        updtest::Press("OK", &done),
    });
    ShowPage("ts2");
    Click("btnSelectUpdateFiles");
    EXPECT_EQ(Edit("edUpdateFilesPath")->text().toStdString(), patch);
    Edit("edPassField")->setText("таен ключ");
    Click("btnGenerateUpdateArchive");

    EXPECT_TRUE(script.Problems().empty());
    EXPECT_EQ(script.Unused(), 0u);
    EXPECT_EQ(archiverTitle, "Изберете път до SevenZip.exe");
    EXPECT_EQ(outputTitle, "Изберете път за запис на update архива");
    EXPECT_EQ(done.text, "Готово!");
    EXPECT_TRUE(QFileInfo::exists(archive + ".upd"));
    // Only the password typed into the field opens the archive.
    const auto test = [&](const std::string& password) {
        const std::string command = std::string(SEVENZIP_PROGRAM_PATH) + " t -p'" + password +
                                    "' '" + archive.toStdString() + ".upd' >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    EXPECT_EQ(test("таен ключ"), 0);
    EXPECT_NE(test("KORVE482tm915$"), 0);
}

TEST_F(MainForm, ArchivingShowsProgressAndCancelsQuietly) {
    TempDir dir;
    const std::string patch = dir / "patch";
    QDir().mkpath(QString::fromStdString(patch));
    updtest::WriteBytes(patch + "/descriptor.xml", "<patch/>");
    const std::string archiver = dir / "slow-archiver";
    updtest::WriteBytes(archiver, "#!/bin/sh\nsleep 30\n");
    std::filesystem::permissions(archiver, std::filesystem::perms::owner_all);
    const QString archive = QString::fromStdString(dir / "u1.upd");

    QString label;
    ModalScript script({
        updtest::ChoosePath(QString::fromStdString(archiver)),
        updtest::ChoosePath(archive),
        [&label](QWidget& dialog) {  // the progress, cancelled with its only button
            label = dialog.findChild<QLabel*>()->text();
            dialog.findChild<QPushButton*>()->click();
        },
    });
    Edit("edUpdateFilesPath")->setText(QString::fromStdString(patch));
    Edit("edPassField")->setText("pw");
    QElapsedTimer took;
    took.start();
    Click("btnGenerateUpdateArchive");

    EXPECT_LT(took.elapsed(), 10000);
    EXPECT_TRUE(script.Problems().empty());  // no "Готово!" and no error after a cancel
    EXPECT_EQ(script.Unused(), 0u);
    EXPECT_TRUE(label.startsWith("Архивиране: ")) << label.toStdString();
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(updtest::FolderEntries(dir.Path()),
              (std::vector<std::string>{"patch", "slow-archiver"}));
}

TEST_F(MainForm, EscapeClosesTheWindowAndEndsTheEventLoopFromEveryPage) {
    const char* focused[] = {"edUpdatesXMLPath", "edPassField", "edUpdFilePath", "pgc1"};
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page);
        form.show();
        Activate();
        Pages()->setCurrentIndex(page);
        Get(focused[page])->setFocus();
        QTimer::singleShot(0, [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
        bool timedOut = false;
        QTimer safetyNet;
        safetyNet.setSingleShot(true);
        QObject::connect(&safetyNet, &QTimer::timeout, [&] {
            timedOut = true;
            QApplication::quit();
        });
        safetyNet.start(5000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_FALSE(timedOut);
        EXPECT_FALSE(form.isVisible());
    }
}

}  // namespace
