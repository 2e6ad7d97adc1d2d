#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <thread>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/MainFrm.h"
#include "app/PublishDialog.h"
#include "container/UpdContainer.h"
#include "support/DropCases.h"
#include "support/ModalDialogs.h"
#include "support/StepWindowChecks.h"
#include "support/TestFiles.h"
#include "ui/FormDescription.h"
#include "ui/ProgressDialog.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace {

namespace form = upd::form;
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
    // Clicks and waits until the command's step, if any, has ended and its end is handled.
    void Click(const QString& button) {
        QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton);
        WaitForStep();
    }
    // QTest's QTRY_ macros only return from the function outside a QTest run: gtest's check.
    void WaitForStep(int timeoutMs = 30'000) {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form.StepRunning(); }, timeoutMs));
    }
    void Activate() {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

TEST_F(MainForm, IsTheDescribedFixedSizeWindowWithItsPagesAndActivePage) {
    const form::Form& description = form::MainForm();
    EXPECT_EQ(form.objectName(), FromUtf8(description.name));
    EXPECT_EQ(form.windowTitle(), FromUtf8(description.caption));
    const QSize client(description.clientWidth, description.clientHeight);
    EXPECT_EQ(form.size(), client);
    EXPECT_EQ(form.minimumSize(), client);
    EXPECT_EQ(form.maximumSize(), client);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.font().family(), FromUtf8(description.windowFont.face));
    EXPECT_EQ(form.font().pixelSize(), description.windowFont.pixelHeight);

    QTabWidget* pages = Get<QTabWidget>(FromUtf8(description.pagesName));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->geometry(), QRect(QPoint(), client));
    EXPECT_EQ(pages->font().pixelSize(), description.pagesFont.pixelHeight);
    ASSERT_EQ(pages->count(), int(description.pages.size()));
    for (int i = 0; i < pages->count(); ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), FromUtf8(description.pages[i].name));
        EXPECT_EQ(pages->tabText(i), FromUtf8(description.pages[i].caption));
        // All captions must be visible side by side, without scroll buttons.
        EXPECT_LE(pages->tabBar()->tabRect(i).right(), pages->width()) << i;
    }
    EXPECT_EQ(pages->currentIndex(), description.activePage);
}

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

bool IsOfKind(QWidget* widget, form::Kind kind) {
    switch (kind) {
        case form::Kind::Label:
            return qobject_cast<QLabel*>(widget) && !qobject_cast<QLabel*>(widget)->wordWrap();
        case form::Kind::WrappingLabel:
            return qobject_cast<QLabel*>(widget) && qobject_cast<QLabel*>(widget)->wordWrap();
        case form::Kind::Edit:
            return qobject_cast<QLineEdit*>(widget) != nullptr;
        case form::Kind::Button:
            return qobject_cast<QPushButton*>(widget) != nullptr;
        case form::Kind::List:
            return qobject_cast<QListWidget*>(widget) != nullptr;
    }
    return false;
}

TEST_F(MainForm, EveryControlOfTheCommandPagesIsAsDescribed) {
    for (const form::Page& page : form::MainForm().pages) {
        if (page.stacked) {
            continue;
        }
        for (const form::Control& c : page.controls) {
            SCOPED_TRACE(std::string(c.name));
            QWidget* widget = Get(FromUtf8(c.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->parentWidget()->objectName(), FromUtf8(page.name));
            EXPECT_TRUE(IsOfKind(widget, c.kind));
            EXPECT_EQ(TextOf(widget), FromUtf8(c.text));
            QRect expected(c.rect.left, c.rect.top, c.rect.width, c.rect.height);
            if (c.kind == form::Kind::WrappingLabel) {
                // As high as its text needs at its width.
                expected.setHeight(widget->heightForWidth(c.rect.width));
                EXPECT_GE(expected.height(), c.rect.height);
            }
            EXPECT_EQ(widget->geometry(), expected);
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                EXPECT_EQ(edit->isReadOnly(), c.readOnly);
                EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
            }
            EXPECT_TRUE(IsCalibri(widget->font()))
                << QFontInfo(widget->font()).family().toStdString();
            EXPECT_EQ(widget->font().pixelSize(), c.fontPixels);
        }
    }
}

std::string Describe(const QWidget& widget) {
    const QRect r = widget.geometry();
    return QStringLiteral("%1 at %2,%3 %4x%5")
        .arg(widget.objectName())
        .arg(r.left())
        .arg(r.top())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

TEST_F(MainForm, NoTwoControlsOfAPageOverlapOnceTheirTextIsLaidOut) {
    for (const form::Page& page : form::MainForm().pages) {
        ShowPage(FromUtf8(page.name));  // lays the help page's labels out
        const QList<QWidget*> controls =
            Get(FromUtf8(page.name))->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (int a = 0; a < controls.size(); ++a) {
            EXPECT_TRUE(controls[a]->parentWidget()->rect().contains(controls[a]->geometry()))
                << controls[a]->objectName().toStdString();
            for (int b = a + 1; b < controls.size(); ++b) {
                EXPECT_FALSE(controls[a]->geometry().intersects(controls[b]->geometry()))
                    << Describe(*controls[a]) << " and " << Describe(*controls[b]);
            }
        }
    }
}

TEST_F(MainForm, HelpLabelsAreStackedFromTheTopAtFullWidthAndPushEachOtherDown) {
    const auto pages = form::MainForm().pages;
    const auto help = std::find_if(pages.begin(), pages.end(), [](auto& p) { return p.stacked; });
    ASSERT_NE(help, pages.end());
    ShowPage(FromUtf8(help->name));
    QWidget* page = Get(FromUtf8(help->name));
    for (const form::Control& c : help->controls) {
        auto* label = Get<QLabel>(FromUtf8(c.name));
        EXPECT_EQ(label->text(), FromUtf8(c.text)) << c.name;
        EXPECT_TRUE(label->wordWrap()) << c.name;
        EXPECT_TRUE(IsCalibri(label->font())) << c.name;
        EXPECT_EQ(label->font().pixelSize(), c.fontPixels) << c.name;
    }
    const auto checkStack = [&] {
        int top = 0;
        for (const form::Control& c : help->controls) {
            auto* label = Get<QLabel>(FromUtf8(c.name));
            EXPECT_EQ(label->geometry().topLeft(), QPoint(0, top)) << c.name;
            EXPECT_EQ(label->width(), page->width()) << c.name;
            EXPECT_GE(label->height(), c.rect.height) << c.name;
            top += label->height();
        }
        EXPECT_LE(top, page->height());
    };
    checkStack();

    auto* first = Get<QLabel>(FromUtf8(help->controls.front().name));
    const int oneLine = first->height();
    first->setText(first->text().repeated(3));
    QApplication::processEvents();
    EXPECT_GT(first->height(), oneLine);  // wrapped
    checkStack();
}

TEST_F(MainForm, TabRunsThroughEachPageInItsDescribedOrder) {
    Activate();
    for (const form::Page& page : form::MainForm().pages) {
        const std::vector<form::Control> order = form::TabOrder(page);
        if (order.empty()) {
            continue;
        }
        QStringList expected;
        for (const form::Control& control : order) {
            expected << FromUtf8(control.name);
        }
        ShowPage(FromUtf8(page.name));
        Get(expected.first())->setFocus();
        QStringList visited;
        for (qsizetype step = 0; step < expected.size(); ++step) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(visited, expected) << page.name;
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

// The drop cases sent to the native window as the platform sends them, at the page's path
// field, where an edit field would take the dragged text itself.
struct QtDrops {
    TMainForm& form;
    QMimeData data;
    Qt::DropActions actions;

    void ShowPage(int page) { form.findChild<QTabWidget*>("pgc1")->setCurrentIndex(page); }
    std::string Text(std::string_view field) {
        return form.findChild<QLineEdit*>(FromUtf8(field))->text().toStdString();
    }
    bool Enter(const updtest::Drag& drag) {
        QList<QUrl> urls;
        for (const std::string& item : drag.items) {
            const QString text = QString::fromStdString(item);
            urls << (drag.local ? QUrl::fromLocalFile(text) : QUrl(text));
        }
        data.setUrls(urls);
        data.setText(urls.front().toString());
        actions = drag.moveOnly ? Qt::MoveAction : Qt::CopyAction | Qt::MoveAction;
        return Send<QDragEnterEvent>() && Send<QDragMoveEvent>();
    }
    bool Drop() { return Send<QDropEvent>(); }
    template <typename Event>
    bool Send() {
        QWidget* page = form.findChild<QTabWidget*>("pgc1")->currentWidget();
        QWidget* edit = page->findChild<QLineEdit*>();
        QWidget* at = edit ? edit : page;
        Event event(at->mapTo(&form, at->rect().center()), actions, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.windowHandle(), &event);
        if (event.isAccepted()) {
            EXPECT_NE(event.dropAction(), Qt::MoveAction);  // the source would delete the file
        }
        return event.isAccepted();
    }
};

TEST_F(MainForm, DropsFillThePathFieldOfTheirPageAsItsChooserWouldAndNothingElse) {
    QtDrops drops{form, {}, {}};
    updtest::CheckDropCases(drops);
}

// A drop onto "Публикуване" goes to the control under the pointer, when it takes that kind:
// .upd files onto the archives' list (each once), a folder onto the folder field.
TEST_F(MainForm, PublishDialogTakesADropOnTheControlThatTakesItsKind) {
    const updtest::TempDir dir;
    updtest::WriteBytes(dir / "a.upd", "x");
    upd::PublishDialog dialog(&form);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const auto dropOnto = [&](const char* name, const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        data.setUrls(urls);
        auto* target = dialog.findChild<QWidget*>(name);
        const QPoint at = target->mapTo(&dialog, target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dialog.windowHandle(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dialog.windowHandle(), &drop);
        return drop.isAccepted();
    };
    EXPECT_TRUE(dropOnto("lbPublishArchives", {dir / "a.upd", dir / "a.upd"}));
    EXPECT_EQ(dialog.Archives(), std::vector<std::string>{dir / "a.upd"});
    EXPECT_FALSE(dropOnto("edPublishIndex", {dir.Text()}));
    EXPECT_FALSE(dropOnto("btnPublishRelease", {dir.Text()}));
    EXPECT_TRUE(dropOnto("edPublishFolder", {dir.Text()}));
    EXPECT_EQ(dialog.Read(form::Field::PublishFolder), dir.Text());
    EXPECT_EQ(dialog.Read(form::Field::PublishIndex), "");
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
     FromUtf8(upd::text::kChooseFileTitle),
     QFileDialog::AnyFile,
     {"XML Файлове (*.xml)"},
     true},
    {"ts2",
     "btnSelectUpdateFiles",
     "edUpdateFilesPath",
     FromUtf8(upd::text::kPatchFolderCaption),
     QFileDialog::Directory,
     {},
     false},
    {"ts3",
     "btnSelectUpdFile",
     "edUpdFilePath",
     FromUtf8(upd::text::kChooseFileTitle),
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

// A patch folder "patch" in `dir` and an archiver in `dir` that sleeps 30 s.
std::string SlowArchivingPatch(const TempDir& dir) {
    const std::string patch = dir / "patch";
    QDir().mkpath(QString::fromStdString(patch));
    updtest::WriteBytes(patch + "/descriptor.xml", "<patch/>");
    const std::string archiver = dir / "slow-archiver";
    updtest::WriteBytes(archiver, "#!/bin/sh\nsleep 30\n");
    std::filesystem::permissions(archiver, std::filesystem::perms::owner_all);
    return archiver;
}

TEST_F(MainForm, ArchivingShowsProgressAndCancelsQuietly) {
    TempDir dir;
    const std::string archiver = SlowArchivingPatch(dir);
    const QString archive = QString::fromStdString(dir / "u1.upd");

    QString label;
    ModalScript script({
        updtest::ChoosePath(QString::fromStdString(archiver)),
        updtest::ChoosePath(archive),
        [&label](QWidget& dialog) {  // the progress, cancelled with its only button
            label = dialog.windowTitle() + ": " + dialog.findChild<QLabel*>("elapsed")->text();
            dialog.findChild<QPushButton*>()->click();
        },
    });
    Edit("edUpdateFilesPath")->setText(QString::fromStdString(dir / "patch"));
    Edit("edPassField")->setText("pw");
    QElapsedTimer took;
    took.start();
    Click("btnGenerateUpdateArchive");

    EXPECT_LT(took.elapsed(), 10000);
    EXPECT_TRUE(script.Problems().empty());  // no "Готово!" and no error after a cancel
    EXPECT_EQ(script.Unused(), 0u);
    EXPECT_TRUE(label.startsWith("Архивиране: Изминало време")) << label.toStdString();
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(updtest::FolderEntries(dir.Path()),
              (std::vector<std::string>{"patch", "slow-archiver"}));
}

// A restore long enough for the progress dialog, cancelled there: the old index stays byte for
// byte and nothing else is left in its folder.
TEST_F(MainForm, CancellingARestoreKeepsTheOldIndex) {
    TempDir dir;
    const std::string index = dir / "updates.xml";
    updtest::WriteBytes(index, "");
    std::filesystem::resize_file(upd::ToPath(index), 512 << 20);
    upd::PackFiles({index}, dir / "updates.upd");  // zeros: a small package, a long restore
    const std::string restored = dir / "restored";
    std::filesystem::create_directory(upd::ToPath(restored));
    updtest::WriteBytes(restored + "/updates.xml", "old index");

    QString phase;
    ModalScript script({
        updtest::ChoosePath(QString::fromStdString(restored)),
        [&phase](QWidget& dialog) {
            phase = dialog.windowTitle();
            dialog.findChild<QPushButton*>()->click();
        },
    });
    ShowPage("ts3");
    Edit("edUpdFilePath")->setText(QString::fromStdString(dir / "updates.upd"));
    Click("btnRestoreUpdatesXML");

    EXPECT_TRUE(script.Problems().empty());  // no "Готово!" and no error after a cancel
    EXPECT_EQ(script.Unused(), 0u);
    EXPECT_EQ(phase, "Възстановяване");
    EXPECT_EQ(updtest::ReadBytes(restored + "/updates.xml"), "old index");
    EXPECT_EQ(updtest::FolderEntries(upd::ToPath(restored)),
              std::vector<std::string>{"updates.xml"});
}

upd::ProgressDialog* ShownProgressDialog(TMainForm& form) {
    auto* dialog = form.findChild<upd::ProgressDialog*>();
    return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
}

// The figure: how late the window's event loop answers a 10 ms timer, and how often the
// progress dialog changes, while a slow archiver runs for 3 s.
TEST_F(MainForm, TheWindowAnswersWithin100MsWhileTheArchiverRuns) {
    TempDir dir;
    const std::string archiver = SlowArchivingPatch(dir);
    Edit("edUpdateFilesPath")->setText(QString::fromStdString(dir / "patch"));
    {  // the choosers only: the progress dialog stays
        ModalScript script({updtest::ChoosePath(QString::fromStdString(archiver)),
                            updtest::ChoosePath(QString::fromStdString(dir / "u1.upd"))});
        QTest::mouseClick(Get<QPushButton>("btnGenerateUpdateArchive"), Qt::LeftButton);
        EXPECT_TRUE(script.Problems().empty());
    }
    ASSERT_TRUE(form.StepRunning());

    qint64 latest = 0, worstLateness = 0, worstUpdateGap = 0;
    QString lastText;
    QElapsedTimer clock, sinceUpdate;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worstLateness = std::max(worstLateness, clock.elapsed() - latest - 10);
        latest = clock.elapsed();
        if (upd::ProgressDialog* dialog = ShownProgressDialog(form)) {
            const QString text = dialog->findChild<QLabel*>("elapsed")->text() +
                                 dialog->findChild<QLabel*>("size")->text();
            if (text != lastText && sinceUpdate.isValid()) {
                worstUpdateGap = std::max(worstUpdateGap, sinceUpdate.restart());
            } else if (!sinceUpdate.isValid()) {
                sinceUpdate.start();
            }
            lastText = text;
        }
    });
    tick.start(10);
    QTest::qWait(3000);
    tick.stop();
    ASSERT_NE(ShownProgressDialog(form), nullptr);
    ShownProgressDialog(form)->reject();
    WaitForStep(5000);
    std::cout << "event loop lateness max " << worstLateness << " ms; progress dialog updated at "
              << "most every " << worstUpdateGap << " ms\n";
    EXPECT_LT(worstLateness, 100);
    EXPECT_GT(worstUpdateGap, 0);
    EXPECT_LT(worstUpdateGap, 1100);  // the elapsed time changes once a second
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

// The times come from the step's control: the elapsed time from the step's start, the time
// left once the phase has run 2 s with a percentage.
TEST_F(MainForm, TheProgressDialogShowsPhaseTimesAndArchiveSize) {
    const struct {
        upd::WorkProgress progress;
        QString timeLeft, size;
    } cases[] = {
        {{{}, 12'897'485, upd::WorkPhase::Archiving}, "", "Размер на архива: 12,3 MB"},
        {{{}, 13'000'000, upd::WorkPhase::Checking, 25},
         "Оставащо време: 0:",
         "Размер на архива: 12,4 MB"},
    };
    for (const auto& c : cases) {
        std::optional<upd::StepResult> result;
        form.RunStep(updtest::ReportingStep(c.progress), [&result](auto r) { result = r; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return ShownProgressDialog(form) != nullptr; }));
        upd::ProgressDialog* dialog = ShownProgressDialog(form);
        const auto text = [&](const char* name) {
            return dialog->findChild<QLabel*>(name)->text();
        };
        EXPECT_EQ(dialog->windowTitle(), "Архивиране");
        EXPECT_EQ(dialog->findChild<QPushButton*>("cancel")->text(), "Отказ");
        EXPECT_TRUE(text("elapsed").startsWith("Изминало време: 0:0"))
            << text("elapsed").toStdString();
        QTest::qWait(2500);
        EXPECT_EQ(text("timeLeft").left(c.timeLeft.size()), c.timeLeft);
        EXPECT_EQ(text("timeLeft").isEmpty(), c.timeLeft.isEmpty());
        EXPECT_EQ(text("size"), c.size);
        dialog->reject();
        WaitForStep();
        EXPECT_EQ(result, upd::StepResult::Cancelled);
        EXPECT_EQ(form.findChild<upd::ProgressDialog*>(), nullptr);
    }
}

// The Qt window for the shared step checks.
struct QtProbe {
    TMainForm& form;

    TMainForm& Form() { return form; }
    bool DeliverUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return QTest::qWaitFor(done, int(timeout.count()));
    }
    bool ProgressShown() {
        upd::ProgressDialog* dialog = ShownProgressDialog(form);
        return dialog != nullptr && QApplication::activeModalWidget() == dialog;
    }
    std::string ProgressPhase() {
        return ShownProgressDialog(form)->findChild<QLabel*>("phase")->text().toStdString();
    }
    std::optional<int> ProgressBar() {
        const auto* bar = ShownProgressDialog(form)->findChild<QProgressBar*>("bar");
        const bool busy = bar->minimum() == 0 && bar->maximum() == 0;
        return busy ? std::nullopt : std::optional<int>(bar->value());
    }
    void CancelProgress(updtest::CancelWay way) {
        upd::ProgressDialog* dialog = ShownProgressDialog(form);
        switch (way) {
            case updtest::CancelWay::Button:
                QTest::mouseClick(dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
                break;
            case updtest::CancelWay::Escape:
                QTest::keyClick(dialog, Qt::Key_Escape);
                break;
            case updtest::CancelWay::CloseBox:
                dialog->close();
                break;
        }
    }
    void CloseWindow() { form.close(); }
    bool WindowOpen() { return form.isVisible(); }
};

TEST_F(MainForm, CancelEscapeAndTheCloseBoxOfTheProgressDialogStopTheStep) {
    QtProbe probe{form};
    updtest::CheckProgressDialogAndItsCancel(probe);
}

TEST_F(MainForm, TheProgressBarShowsThePercentageOrIsBusy) {
    QtProbe probe{form};
    updtest::CheckTheBarFollowsThePercentage(probe);
}

// Opens, accepts and cancels every chooser of the window; run in a child process whose
// configuration and home folders are fresh.
void UseEveryChooser() {
    TMainForm form;
    form.show();
    TempDir dir;
    const QString chosen = QString::fromStdString(dir.Text());
    ModalScript script({updtest::ChoosePath(chosen + "/updates.xml"), updtest::Reject(),
                        updtest::ChoosePath(chosen), updtest::Reject(),
                        updtest::ChoosePath(chosen + "/updates.upd"), updtest::Reject()});
    for (const char* button : {"btnSelectUpdatesXML", "btnSelectUpdateFiles", "btnSelectUpdFile"}) {
        for (int twice = 0; twice < 2; ++twice) {
            form.findChild<QPushButton*>(button)->click();
        }
    }
    EXPECT_TRUE(script.Problems().empty());
    EXPECT_EQ(script.Unused(), 0u);
}

QStringList FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    return files;
}

TEST(Choosers, LeaveNoSettingsFileBehind) {
    if (qEnvironmentVariableIsSet("UPD_USE_EVERY_CHOOSER")) {
        UseEveryChooser();
        return;
    }
    TempDir dir;
    const QString home = QString::fromStdString(dir / "home");
    const QString config = QString::fromStdString(dir / "config");
    QDir().mkpath(home);
    QDir().mkpath(config);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("UPD_USE_EVERY_CHOOSER", "1");
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", config);
    environment.insert("XDG_CACHE_HOME", QString::fromStdString(dir / "cache"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=Choosers.LeaveNoSettingsFileBehind"});
    ASSERT_TRUE(child.waitForFinished(30'000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(FilesBelow(home) + FilesBelow(config), QStringList{});
}

}  // namespace
