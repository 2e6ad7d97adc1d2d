// The Win32 window in this process, checked through the system's own calls against the shared
// description of the form. Dialogs are read and answered from a second thread while the
// test's thread sits in their modal loop.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/win32/MainFrm.h"
#include "app/win32/PublishDialog.h"
#include "support/DropCases.h"
#include "support/StepWindowChecks.h"
#include "ui/win32/AppIdentity.h"
#include "ui/win32/Choosers.h"
#include "ui/win32/LocalizedMessage.h"
#include "ui/win32/ProgressDialog.h"
#include "ui/win32/TaskbarProgress.h"
#include "ui/win32/WideText.h"

namespace {

using namespace std::chrono_literals;
using upd::MessageButton;
using upd::MessageType;
using upd::form::Kind;
using upd::win32::Utf8;
using upd::win32::Wide;

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return Utf8(name);
}

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return Utf8(text);
}

RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<HWND> Children(HWND parent, const char* className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == className && IsWindowVisible(child)) {
            found.push_back(child);
        }
    }
    return found;
}

// The first visible top-level window of the thread with that class, within a few seconds.
HWND WaitForWindow(DWORD thread, const char* className) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        struct Search {
            const char* className;
            HWND found;
        } search{className, nullptr};
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) {
                auto& s = *reinterpret_cast<Search*>(data);
                if (IsWindowVisible(window) && ClassOf(window) == s.className) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            std::this_thread::sleep_for(200ms);  // let the box finish being localized
            return search.found;
        }
        std::this_thread::sleep_for(20ms);
    }
    return nullptr;
}

struct BoxSeen {
    std::string title;
    std::string text;
    std::vector<std::string> captions;  // left to right
    int defaultId = 0;
    bool closedByEscape = false;
};

// Escape as a user presses it: a key press at the control with the focus.
void PressEscape(DWORD thread, HWND fallback) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    PostMessageW(info.hwndFocus ? info.hwndFocus : fallback, WM_KEYDOWN, VK_ESCAPE, 0);
}

// On another thread: waits for a message box of this thread, reads it, presses Escape and,
// if it is still open then, the button with id `fallbackId`.
std::future<BoxSeen> AnswerNextBox(int fallbackId) {
    const DWORD thread = GetCurrentThreadId();
    return std::async(std::launch::async, [thread, fallbackId] {
        BoxSeen seen;
        HWND box = WaitForWindow(thread, "#32770");
        if (box == nullptr) {
            return seen;
        }
        seen.title = TextOf(box);
        std::vector<HWND> buttons = Children(box, "Button");
        std::sort(buttons.begin(), buttons.end(),
                  [&](HWND a, HWND b) { return RectIn(a, box).left < RectIn(b, box).left; });
        for (HWND button : buttons) {
            seen.captions.push_back(TextOf(button));
        }
        for (HWND label : Children(box, "Static")) {
            seen.text += TextOf(label);
        }
        for (HWND button : buttons) {
            if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                seen.defaultId = GetDlgCtrlID(button);
            }
        }
        PressEscape(thread, box);
        std::this_thread::sleep_for(300ms);
        seen.closedByEscape = !IsWindow(box);
        if (!seen.closedByEscape) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(fallbackId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, fallbackId)));
        }
        return seen;
    });
}

TEST(Win32MessageBox, ShowsTheBulgarianButtonsInOrderWithTheSharedDefaultAndEscapeRules) {
    struct Case {
        upd::MessageButtonSet buttons;
        MessageType type;
        std::vector<std::string> captions;
        int defaultId;
        MessageButton onEscape;  // None: Escape leaves the box open, Ignore is pressed then
    };
    const Case cases[] = {
        {MessageButton::OK, MessageType::Error, {"OK"}, IDOK, MessageButton::OK},
        {MessageButton::Yes | MessageButton::No | MessageButton::Cancel,
         MessageType::Confirmation,
         {"&Дa", "&Не", "&Отказ"},
         IDYES,
         MessageButton::Cancel},
        {MessageButton::Yes | MessageButton::No,
         MessageType::Warning,
         {"&Дa", "&Не"},
         IDYES,
         MessageButton::No},
        {MessageButton::Abort | MessageButton::Retry | MessageButton::Ignore,
         MessageType::Information,
         {"От&каз", "О&тново", "&Игнориране"},
         IDRETRY,
         MessageButton::None},
        {MessageButton::Retry | MessageButton::Cancel,
         MessageType::Custom,
         {"&Отказ", "О&тново"},
         IDRETRY,
         MessageButton::Cancel},
    };
    for (const Case& c : cases) {
        auto seen = AnswerNextBox(IDIGNORE);
        const MessageButton pressed = upd::win32::ShowLocalizedMessage("Текст", c.type, c.buttons);
        const BoxSeen box = seen.get();
        const auto title = upd::MessageTitle(c.type);
        EXPECT_EQ(box.title, title ? std::string(*title) : Utf8(upd::win32::ApplicationTitle()));
        EXPECT_EQ(box.captions, c.captions) << box.title;
        EXPECT_EQ(box.defaultId, c.defaultId) << box.title;
        EXPECT_EQ(box.closedByEscape, c.onEscape != MessageButton::None) << box.title;
        EXPECT_EQ(pressed, c.onEscape == MessageButton::None ? MessageButton::Ignore : c.onEscape)
            << box.title;
    }
}

// The width a title bar needs to show the whole title beside the icon and the close,
// minimize and maximize buttons a window manager may draw there.
int TitleBarNeeds(HWND box) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HDC context = GetDC(box);
    const HGDIOBJ previous = SelectObject(context, font);
    const std::wstring title = Wide(TextOf(box));
    SIZE text{};
    GetTextExtentPoint32W(context, title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(context, previous);
    ReleaseDC(box, context);
    DeleteObject(font);
    return text.cx + GetSystemMetrics(SM_CXSMICON) + 3 * GetSystemMetrics(SM_CXSIZE) +
           2 * GetSystemMetrics(SM_CXDLGFRAME);
}

TEST(Win32MessageBox, IsWideEnoughForItsTitleWithItsButtonInTheMiddle) {
    for (const char* text : {"Готово!", "OK", "Текст, който е малко по-дълъг от заглавието"}) {
        const DWORD thread = GetCurrentThreadId();
        auto measured = std::async(std::launch::async, [thread] {
            HWND box = WaitForWindow(thread, "#32770");
            RECT frame{};
            GetWindowRect(box, &frame);
            RECT client{};
            GetClientRect(box, &client);
            const RECT ok = RectIn(GetDlgItem(box, IDOK), box);
            // The width to spare beside the title; how far OK is off the middle.
            const std::pair<int, int> seen{frame.right - frame.left - TitleBarNeeds(box),
                                           (ok.left + ok.right) / 2 - client.right / 2};
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return seen;
        });
        upd::win32::ShowPlainMessage(text);
        const auto [spare, offMiddle] = measured.get();
        EXPECT_GE(spare, 0) << text;
        EXPECT_NEAR(offMiddle, 0, 4) << text;
    }
}

TEST(Win32MessageBox, ReturnsHelpWhenHelpIsPressed) {
    const DWORD thread = GetCurrentThreadId();
    auto seen = std::async(std::launch::async, [thread] {
        HWND box = WaitForWindow(thread, "#32770");
        const std::string caption = TextOf(GetDlgItem(box, 9));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), 0);
        return caption;
    });
    EXPECT_EQ(upd::win32::ShowLocalizedMessage("?", MessageType::Information,
                                               MessageButton::OK | MessageButton::Help),
              MessageButton::Help);
    EXPECT_EQ(seen.get(), "&Помощ");
}

TEST(Win32MessageBox, RefusesButtonSetsTheSystemBoxCannotShow) {
    for (const upd::MessageButtonSet buttons :
         {upd::MessageButtonSet(MessageButton::All), MessageButton::Yes | MessageButton::YesToAll,
          upd::MessageButtonSet(MessageButton::No), MessageButton::OK | MessageButton::Yes,
          upd::MessageButtonSet(MessageButton::Help), upd::MessageButtonSet()}) {
        EXPECT_FALSE(upd::win32::MessageBoxStyleFor(buttons).has_value());
        EXPECT_THROW(upd::win32::ShowErrorMessage("x", buttons), std::invalid_argument);
    }
}

TEST(Win32Choosers, TurnTheFilterIntoTheDialogsDoubleNulList) {
    EXPECT_EQ(upd::win32::DialogFilter(upd::ChooserFilter::Parse("XML Файлове|*.xml")),
              std::wstring(L"XML Файлове\0*.xml\0\0", 19));
    EXPECT_EQ(upd::win32::DialogFilter(upd::ChooserFilter::Parse("B|*.b;*.c")),
              std::wstring(L"B\0*.b;*.c\0\0", 11));
}

TEST(Win32Identity, TitleIsTheNameUpToTheFirstDotLowerCasedAfterItsFirstLetter) {
    EXPECT_EQ(upd::win32::ApplicationTitleFor(L"UpdatePublisher.exe"), L"Updatepublisher");
    EXPECT_EQ(upd::win32::ApplicationTitleFor(L"MyTool.v2.exe"), L"Mytool");
    EXPECT_EQ(upd::win32::ApplicationTitleFor(L"ИЗДАТЕЛ"), L"Издател");
}

void SelectPage(TMainForm& form, int page) {
    HWND tabs = form.Find(upd::form::MainForm().pagesName);
    SendMessageW(tabs, TCM_SETCURSEL, page, 0);
    NMHDR change{tabs, 0, TCN_SELCHANGE};
    SendMessageW(form.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
}

class Win32Window : public ::testing::Test {
  protected:
    TMainForm form;
    UINT dpi = upd::win32::WindowDpi(form.Handle());

    int Px(int at96) const { return upd::win32::Scaled(at96, dpi); }

    void Click(const char* button) {
        HWND window = form.Find(button);
        SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
    }
};

TEST_F(Win32Window, IsTheDescribedFixedFrameWithItsCaptionAndClientSize) {
    const auto& description = upd::form::MainForm();
    EXPECT_EQ(ClassOf(form.Handle()), "TMainForm");
    EXPECT_EQ(TextOf(form.Handle()), description.caption);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, Px(description.clientWidth));
    EXPECT_EQ(client.bottom, Px(description.clientHeight));
    const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
}

TEST_F(Win32Window, HasTheDescribedTabsWithTheActivePageAloneVisible) {
    const auto& description = upd::form::MainForm();
    HWND tabs = form.Find(description.pagesName);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ClassOf(tabs), "SysTabControl32");
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), LRESULT(description.pages.size()));
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), description.activePage);
    for (int index = 0; index < int(description.pages.size()); ++index) {
        wchar_t caption[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption;
        item.cchTextMax = 128;
        SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(Utf8(caption), description.pages[index].caption);
        HWND page = form.Find(description.pages[index].name);
        EXPECT_EQ(bool(GetWindowLongPtrW(page, GWL_STYLE) & WS_VISIBLE),
                  index == description.activePage);
        const RECT area = RectIn(page, tabs);
        EXPECT_EQ(area.left, Px(description.pageArea.left));
        EXPECT_EQ(area.top, Px(description.pageArea.top));
    }
}

// Every control of every page as the description has it, laid out for dpi.
void ExpectControlsAsDescribed(const TMainForm& form, UINT dpi) {
    const auto px = [dpi](int at96) { return upd::win32::Scaled(at96, dpi); };
    const char* const classes[] = {"Static", "Static", "Edit", "Button"};  // by Kind
    for (const auto& page : upd::form::MainForm().pages) {
        HWND pageWindow = form.Find(page.name);
        for (const auto& control : page.controls) {
            SCOPED_TRACE(std::string(control.name) + " at " + std::to_string(dpi) + " DPI");
            HWND window = form.Find(control.name);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(GetParent(window), pageWindow);
            EXPECT_EQ(ClassOf(window), classes[int(control.kind)]);
            EXPECT_EQ(TextOf(window), control.text);
            const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
            EXPECT_EQ(control.kind == Kind::Edit && (style & ES_READONLY) != 0, control.readOnly);
            EXPECT_EQ((style & WS_TABSTOP) != 0, control.Focusable());
            const RECT rect = RectIn(window, pageWindow);
            EXPECT_EQ(rect.right - rect.left, px(control.rect.width));
            if (!page.stacked) {
                EXPECT_EQ(rect.left, px(control.rect.left));
                EXPECT_EQ(rect.top, px(control.rect.top));
            }
            if (control.kind == Kind::WrappingLabel) {
                EXPECT_GE(rect.bottom - rect.top, px(control.rect.height));
            } else {
                EXPECT_EQ(rect.bottom - rect.top, px(control.rect.height));
            }
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            // Rounded down, so that a text fitting at 96 DPI fits when scaled.
            EXPECT_EQ(-font.lfHeight, control.fontPixels * int(dpi) / 96);
            EXPECT_EQ(Utf8(font.lfFaceName), upd::form::MainForm().pagesFont.face);
        }
    }
}

TEST_F(Win32Window, BuildsEveryControlOfEveryPageFromTheDescription) {
    ExpectControlsAsDescribed(form, dpi);
}

TEST_F(Win32Window, LaysItselfOutAgainWhenMovedToAMonitorOfAnotherDpi) {
    for (const UINT newDpi : {144u, 120u, 96u}) {
        RECT suggested{10, 10, 10 + Px(650), 10 + Px(246)};
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ExpectControlsAsDescribed(form, newDpi);
        const RECT area = RectIn(form.Find("ts1"), form.Find("pgc1"));
        EXPECT_EQ(area.right - area.left,
                  upd::win32::Scaled(upd::form::MainForm().pageArea.width, newDpi));
    }
}

TEST_F(Win32Window, StacksTheHelpLabelsEachBelowTheOneBefore) {
    for (const auto& page : upd::form::MainForm().pages) {
        if (!page.stacked) {
            continue;
        }
        int top = 0;
        for (const auto& control : page.controls) {
            const RECT rect = RectIn(form.Find(control.name), form.Find(page.name));
            EXPECT_EQ(rect.top, top) << control.name;
            top = rect.bottom;
        }
        EXPECT_LE(top, Px(upd::form::MainForm().pageArea.height));
    }
}

TEST_F(Win32Window, MovesTheFocusInTheDescribedTabOrderOnEveryPage) {
    const auto& pages = upd::form::MainForm().pages;
    for (int index = 0; index < int(pages.size()); ++index) {
        SelectPage(form, index);
        const auto order = upd::form::TabOrder(pages[index]);
        for (size_t i = 0; i < order.size(); ++i) {
            HWND next = GetNextDlgTabItem(form.Handle(), form.Find(order[i].name), FALSE);
            EXPECT_EQ(next, form.Find(order[(i + 1) % order.size()].name))
                << order[i].name << " -> " << TextOf(next);
        }
    }
}

TEST_F(Win32Window, EscapeEndsTheMessageLoopOnEveryPage) {
    const auto& pages = upd::form::MainForm().pages;
    for (int index = 0; index < int(pages.size()); ++index) {
        TMainForm another;
        SelectPage(another, index);
        HWND first = another.Find(pages[index].controls.front().name);
        PostMessageW(first, WM_KEYDOWN, VK_ESCAPE, 0);
        // A loop that Escape fails to end is ended with another status.
        const UINT_PTR timer =
            SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
        EXPECT_EQ(another.RunMessageLoop(), 0) << pages[index].name;
        KillTimer(nullptr, timer);
        EXPECT_FALSE(IsWindow(another.Handle()));
    }
}

TEST_F(Win32Window, AFailingCommandShowsTheErrorDialogAndKeepsTheFields) {
    const std::string missing = "Z:\\няма\\такава\\папка\\updates.xml";
    form.SetText("edUpdatesXMLPath", missing);
    auto seen = AnswerNextBox(IDOK);
    Click("btnGenerateUpdates");
    const BoxSeen box = seen.get();
    EXPECT_EQ(box.title, "Грешка");
    EXPECT_EQ(box.text.rfind("Exception: ", 0), 0u) << box.text;
    EXPECT_EQ(box.captions, std::vector<std::string>{"OK"});
    EXPECT_TRUE(IsWindow(form.Handle()));
    EXPECT_EQ(form.Text("edUpdatesXMLPath"), missing);
    EXPECT_EQ(form.Text("edPassField"), upd::form::FindControl("edPassField")->text);
}

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};

// A drag's data as the system hands it over: its own data object, here the clipboard's,
// holding CF_HDROP with the paths, or text alone.
std::unique_ptr<IDataObject, Releaser> DataOf(const updtest::Drag& drag) {
    std::wstring list;
    for (const std::string& item : drag.items) {
        list += Wide(item) + L'\0';
    }
    DROPFILES header{sizeof header, {}, FALSE, TRUE};
    std::string bytes(drag.local ? reinterpret_cast<const char*>(&header) : "",
                      drag.local ? sizeof header : 0);
    bytes.append(reinterpret_cast<const char*>(list.c_str()), (list.size() + 1) * sizeof(wchar_t));
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(global), bytes.data(), bytes.size());
    GlobalUnlock(global);
    EXPECT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
    SetClipboardData(drag.local ? CF_HDROP : CF_UNICODETEXT, global);
    CloseClipboard();
    IDataObject* data = nullptr;
    EXPECT_EQ(OleGetClipboard(&data), S_OK);
    return std::unique_ptr<IDataObject, Releaser>(data);
}

// The drop cases as calls on the drop target the window has registered with OLE.
struct Win32Drops {
    explicit Win32Drops(TMainForm& window) : form(window) {}

    TMainForm& form;
    IDropTarget* target =
        static_cast<IDropTarget*>(GetPropW(form.Handle(), L"OleDropTargetInterface"));
    std::unique_ptr<IDataObject, Releaser> data;
    DWORD allowed = DROPEFFECT_NONE;

    void ShowPage(int page) { SelectPage(form, page); }
    std::string Text(std::string_view field) { return form.Text(field); }
    bool Enter(const updtest::Drag& drag) {
        data = DataOf(drag);
        allowed = drag.moveOnly ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_MOVE;
        DWORD entered = allowed;
        DWORD over = allowed;
        target->DragEnter(data.get(), MK_LBUTTON, {}, &entered);
        target->DragOver(MK_LBUTTON, {}, &over);
        return Taken(entered) && Taken(over);
    }
    bool Drop() {
        DWORD effect = allowed;
        target->Drop(data.get(), 0, {}, &effect);
        return Taken(effect);
    }
    static bool Taken(DWORD effect) {
        EXPECT_EQ(effect & DROPEFFECT_MOVE, 0u);  // the source would delete the file
        return effect != DROPEFFECT_NONE;
    }
};

TEST_F(Win32Window, DropsFillThePathFieldOfTheirPageAsItsChooserWouldAndNothingElse) {
    Win32Drops drops(form);
    ASSERT_NE(drops.target, nullptr);
    updtest::CheckDropCases(drops);
}

// A drop onto "Публикуване" goes to the control under the pointer, when it takes that kind:
// .upd files onto the archives' list (each once), a folder onto the folder field.
TEST_F(Win32Window, PublishDialogTakesADropOnTheControlThatTakesItsKind) {
    const updtest::TempDir dir;
    updtest::WriteBytes(dir / "a.upd", "x");
    TPublishDialog dialog(form.Handle());
    ShowWindow(dialog.Handle(), SW_SHOWNA);
    auto* target = static_cast<IDropTarget*>(GetPropW(dialog.Handle(), L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr);
    const auto dropOnto = [&](std::string_view name, const std::vector<std::string>& paths) {
        RECT rect{};
        GetWindowRect(dialog.Find(name), &rect);
        const POINTL at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        const auto data = DataOf({paths});
        DWORD effect = DROPEFFECT_COPY;
        target->DragEnter(data.get(), MK_LBUTTON, at, &effect);
        effect = DROPEFFECT_COPY;
        target->Drop(data.get(), 0, at, &effect);
        return effect != DROPEFFECT_NONE;
    };
    EXPECT_TRUE(dropOnto("lbPublishArchives", {dir / "a.upd", dir / "a.upd"}));
    EXPECT_EQ(dialog.Archives(), std::vector<std::string>{dir / "a.upd"});
    EXPECT_FALSE(dropOnto("edPublishIndex", {dir.Text()}));
    EXPECT_FALSE(dropOnto("btnPublishRelease", {dir.Text()}));
    EXPECT_TRUE(dropOnto("edPublishFolder", {dir.Text()}));
    EXPECT_EQ(dialog.Read(upd::form::Field::PublishFolder), dir.Text());
    EXPECT_EQ(dialog.Read(upd::form::Field::PublishIndex), "");
}

// Resources of a built executable, read without running it.
class ExecutableResources {
  public:
    explicit ExecutableResources(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ExecutableResources() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    bool Loaded() const { return module_ != nullptr; }
    std::string Resource(LPCWSTR type, int id) const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (!found) {
            return {};
        }
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(bytes, SizeofResource(module_, found));
    }

  private:
    HMODULE module_;
};

std::wstring Beside(const char* relative) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + Wide(relative);
}

// The version block holds its strings as UTF-16; "ProductVersion" is followed by its value.
std::string VersionString(const std::string& block, const char* key) {
    const std::wstring wideKey = Wide(key);
    const std::string keyBytes(reinterpret_cast<const char*>(wideKey.c_str()),
                               (wideKey.size() + 1) * sizeof(wchar_t));
    size_t at = block.find(keyBytes);
    if (at == std::string::npos) {
        return {};
    }
    at += keyBytes.size();
    while (at < block.size() && block[at] == '\0') {
        ++at;  // padding to a 32-bit boundary
    }
    std::wstring value(reinterpret_cast<const wchar_t*>(block.data() + at - (at % 2)));
    return Utf8(value);
}

TEST(Win32Executables, CarryTheProjectVersionAndTheWindowItsManifestAndIcon) {
    for (const char* relative : {UPDATE_PUBLISHER_RELATIVE_PATH, UPDTOOL_RELATIVE_PATH}) {
        SCOPED_TRACE(relative);
        const ExecutableResources executable(Beside(relative));
        ASSERT_TRUE(executable.Loaded());
        const std::string version = executable.Resource(MAKEINTRESOURCEW(16), 1);  // RT_VERSION
        EXPECT_EQ(VersionString(version, "ProductVersion"), UPD_PROJECT_VERSION);
        EXPECT_EQ(VersionString(version, "FileVersion"), UPD_PROJECT_VERSION);
    }
    const ExecutableResources window(Beside(UPDATE_PUBLISHER_RELATIVE_PATH));
    const std::string manifest = window.Resource(MAKEINTRESOURCEW(24), 1);  // RT_MANIFEST
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm<"), std::string::npos);
    // Stored names stay in the system's ANSI code page: no UTF-8 code page for the process.
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);
    EXPECT_FALSE(window.Resource(MAKEINTRESOURCEW(14), 1).empty());  // RT_GROUP_ICON
}

HWND ProgressWindow() {
    return FindWindowW(L"TProgressForm", Wide("Архивиране").c_str());
}

// The Win32 window for the shared step checks.
struct Win32Probe {
    TMainForm& form;

    TMainForm& Form() { return form; }
    // Runs the window's messages, as its loop does, until done() or the timeout.
    bool DeliverUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            MSG message{};
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                form.Deliver(message);
            } else {
                std::this_thread::sleep_for(5ms);
            }
        }
        return true;
    }
    bool ProgressShown() {
        HWND dialog = ProgressWindow();
        return dialog != nullptr && IsWindowVisible(dialog) && !IsWindowEnabled(form.Handle());
    }
    std::string ProgressPhase() {
        return TextOf(GetDlgItem(ProgressWindow(), upd::win32::ProgressDialog::kPhaseId));
    }
    std::optional<int> ProgressBar() {
        HWND bar = GetDlgItem(ProgressWindow(), upd::win32::ProgressDialog::kBarId);
        if ((GetWindowLongPtrW(bar, GWL_STYLE) & PBS_MARQUEE) != 0) {
            return std::nullopt;
        }
        return int(SendMessageW(bar, PBM_GETPOS, 0, 0));
    }
    void CancelProgress(updtest::CancelWay way) {
        HWND dialog = ProgressWindow();
        switch (way) {
            case updtest::CancelWay::Button:
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
                break;
            case updtest::CancelWay::Escape:
                PostMessageW(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
                break;
            case updtest::CancelWay::CloseBox:
                PostMessageW(dialog, WM_CLOSE, 0, 0);
                break;
        }
    }
    void CloseWindow() { PostMessageW(form.Handle(), WM_CLOSE, 0, 0); }
    bool WindowOpen() { return IsWindow(form.Handle()); }
};

TEST_F(Win32Window, ShowsProgressAfterHalfASecondAndCancelStopsTheStep) {
    Win32Probe probe{form};
    updtest::CheckProgressDialogAndItsCancel(probe);
}

TEST_F(Win32Window, TheProgressBarShowsThePercentageOrIsBusy) {
    Win32Probe probe{form};
    updtest::CheckTheBarFollowsThePercentage(probe);
}

// Wine may offer no taskbar list: then the button is quietly left alone.
TEST_F(Win32Window, TheTaskbarButtonTakesTheProgressWhereThereIsATaskbar) {
    form.Show(SW_SHOWNORMAL);
    upd::win32::TaskbarProgress taskbar(form.Handle());
    std::cout << "taskbar list: " << (taskbar.Available() ? "available" : "not available") << "\n";
    for (const std::optional<int> percent : {std::optional<int>{}, std::optional<int>{42}}) {
        upd::WorkProgress progress;
        progress.percent = percent;
        EXPECT_TRUE(taskbar.Show(progress));
    }
}

TEST_F(Win32Window, StaysItsFixedSizeWhenStartedMaximized) {
    form.Show(SW_SHOWMAXIMIZED);
    EXPECT_FALSE(IsZoomed(form.Handle()));
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, Px(upd::form::MainForm().clientWidth));
    EXPECT_EQ(client.bottom, Px(upd::form::MainForm().clientHeight));
}

}  // namespace
