#include "app/win32/MainFrm.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "app/win32/PublishDialog.h"
#include "ui/ExceptionRouting.h"
#include "ui/win32/AppIdentity.h"
#include "ui/win32/Choosers.h"
#include "ui/win32/LocalizedMessage.h"
#include "ui/win32/WideText.h"

using upd::form::Control;
using upd::form::Kind;
using upd::form::MainForm;
using upd::win32::Scaled;
using upd::win32::Wide;

namespace {

constexpr wchar_t kFormClass[] = L"TMainForm";
constexpr wchar_t kPageClass[] = L"TTabSheet";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kFirstControlId = 100;
constexpr int kNextPageId = 0x7F00;      // Ctrl+Tab, as in the system's tabbed dialogs
constexpr int kPreviousPageId = 0x7F01;  // Ctrl+Shift+Tab

// A page passes its controls' commands on to the form.
LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses(WNDPROC formProcedure) {
    static const bool registered = [formProcedure] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpfnWndProc = formProcedure;
        windowClass.lpszClassName = kFormClass;
        windowClass.hIcon = upd::win32::ApplicationIcon(GetSystemMetrics(SM_CXICON));
        windowClass.hIconSm = upd::win32::ApplicationIcon(GetSystemMetrics(SM_CXSMICON));
        RegisterClassExW(&windowClass);
        windowClass.lpfnWndProc = &PageProcedure;
        windowClass.lpszClassName = kPageClass;
        windowClass.hIcon = windowClass.hIconSm = nullptr;
        RegisterClassExW(&windowClass);
        return true;
    }();
    (void)registered;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(const Control& control) {
    switch (control.kind) {
        case Kind::Label:
            return {L"Static", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case Kind::WrappingLabel:
            return {L"Static", SS_LEFT | SS_NOPREFIX, 0};
        case Kind::Edit:
            return {L"Edit",
                    DWORD(ES_AUTOHSCROLL | WS_TABSTOP | (control.readOnly ? ES_READONLY : 0)),
                    WS_EX_CLIENTEDGE};
        case Kind::Button:
            return {L"Button", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case Kind::List:  // only in the publication dialog (app/win32/PublishDialog.cpp)
            return {L"ListBox", LBS_EXTENDEDSEL | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }
    return {L"Static", 0, 0};
}

void Place(HWND window, const upd::form::Rect& rect, UINT dpi, int height) {
    SetWindowPos(window, nullptr, Scaled(rect.left, dpi), Scaled(rect.top, dpi),
                 Scaled(rect.width, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TMainForm::TMainForm() {
    RegisterClasses(&upd::win32::WindowProcedure<TMainForm>);
    const auto& form = MainForm();
    handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Wide(form.caption).c_str(),
                              kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT, form.clientWidth,
                              form.clientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    AttachStepWindow(handle_);
    pages_ = CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                             form.clientWidth, form.clientHeight, handle_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    children_.push_back({form.pagesName, pages_, {}, -1});
    CreatePages();
    ACCEL keys[] = {{FVIRTKEY, VK_ESCAPE, IDCANCEL},
                    {FVIRTKEY | FCONTROL, VK_TAB, kNextPageId},
                    {FVIRTKEY | FCONTROL | FSHIFT, VK_TAB, kPreviousPageId}};
    accelerators_.reset(CreateAcceleratorTableW(keys, 3));
    LayOut(upd::win32::WindowDpi(handle_));
    upd::win32::CenterOnMonitor(handle_);
    ShowPage(form.activePage);
    drops_ = std::make_unique<upd::win32::DropRegistration>(handle_, pages_, *this,
                                                            [this] { return steps_.Running(); });
    upd::SetErrorDialog([](const std::string& text) {
        upd::win32::ShowErrorMessage(text, upd::MessageButton::OK);
    });
}

TMainForm::~TMainForm() {
    EndSteps();
    upd::SetApplicationExceptionHandler({});
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
}

void TMainForm::CreatePages() {
    const auto& pages = MainForm().pages;
    for (int index = 0; index < static_cast<int>(pages.size()); ++index) {
        std::wstring caption = Wide(pages[index].caption);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(pages_, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
        HWND page =
            CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, nullptr, WS_CHILD | WS_CLIPSIBLINGS, 0,
                            0, 0, 0, pages_, nullptr, GetModuleHandleW(nullptr), nullptr);
        pageWindows_.push_back(page);
        children_.push_back({pages[index].name, page, {}, -1});
        CreateControls(index, page);
        ArrangeTabOrder(pages[index]);
    }
}

void TMainForm::CreateControls(int page, HWND pageWindow) {
    std::vector<Control> controls(MainForm().pages[page].controls.begin(),
                                  MainForm().pages[page].controls.end());
    controls.insert(controls.end(), MainForm().pages[page].below.begin(),
                    MainForm().pages[page].below.end());
    for (const Control& control : controls) {
        const ControlClass type = ClassOf(control);
        const auto id = static_cast<INT_PTR>(kFirstControlId + children_.size());
        HWND window =
            CreateWindowExW(type.exStyle, type.name, Wide(control.text).c_str(),
                            WS_CHILD | WS_VISIBLE | type.style, 0, 0, 0, 0, pageWindow,
                            reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
        children_.push_back({control.name, window, control, page});
    }
}

// The dialog manager moves the focus in z-order: the focusable controls go to the bottom,
// one after another, in the order of their tab stops.
void TMainForm::ArrangeTabOrder(const upd::form::Page& page) {
    auto order = upd::form::TabOrder(page);
    const auto below = upd::form::TabOrder(page.below);
    order.insert(order.end(), below.begin(), below.end());
    for (const Control& control : order) {
        SetWindowPos(Find(control.name), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TMainForm::LayOut(UINT dpi) {
    dpi_ = dpi;
    const auto& form = MainForm();
    windowFont_ =
        upd::win32::CreatePixelFont(form.windowFont.face, form.windowFont.pixelHeight, dpi);
    // The pages' face at each height the described controls take (the command buttons' is
    // larger).
    std::map<int, upd::win32::FontHandle> pageFonts;
    pageFonts[form.pagesFont.pixelHeight] =
        upd::win32::CreatePixelFont(form.pagesFont.face, form.pagesFont.pixelHeight, dpi);
    for (const upd::form::Page& page : form.pages) {
        for (const Control& control : page.controls) {
            if (!pageFonts.contains(control.fontPixels)) {
                pageFonts[control.fontPixels] =
                    upd::win32::CreatePixelFont(form.pagesFont.face, control.fontPixels, dpi);
            }
        }
    }
    pageFonts_ = std::move(pageFonts);
    upd::win32::SetFont(handle_, windowFont_.get());

    const SIZE frame = FrameSize();
    SetWindowPos(handle_, nullptr, 0, 0, frame.cx, frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(pages_, nullptr, 0, 0, Scaled(form.clientWidth, dpi),
                 Scaled(form.clientHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    upd::win32::SetFont(pages_, pageFonts_.at(form.pagesFont.pixelHeight).get());
    for (int page = 0; page < static_cast<int>(pageWindows_.size()); ++page) {
        Place(pageWindows_[page], form.pageArea, dpi, Scaled(form.pageArea.height, dpi));
        PlaceControls(page);
    }
}

SIZE TMainForm::FrameSize() const {
    const auto& form = MainForm();
    RECT frame{0, 0, Scaled(form.clientWidth, dpi_), Scaled(form.clientHeight, dpi_)};
    upd::win32::AdjustFrame(frame, kFormStyle, WS_EX_CONTROLPARENT, dpi_);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void TMainForm::PlaceControls(int page) {
    const bool stacked = MainForm().pages[page].stacked;
    int stackTop = 0;
    for (const Child& child : children_) {
        if (child.page != page) {
            continue;
        }
        upd::win32::SetFont(child.window, FontOf(child.control));
        upd::form::Rect rect = child.control.rect;
        int height = Scaled(rect.height, dpi_);
        if (child.control.kind == Kind::WrappingLabel) {
            height = std::max(height, WrappedHeight(child.window, Scaled(rect.width, dpi_)));
        }
        if (stacked && child.control.kind == Kind::WrappingLabel) {  // not what stands below
            SetWindowPos(child.window, nullptr, Scaled(rect.left, dpi_), stackTop,
                         Scaled(rect.width, dpi_), height, SWP_NOZORDER | SWP_NOACTIVATE);
            stackTop += height;
        } else {
            Place(child.window, rect, dpi_, height);
        }
    }
}

int TMainForm::WrappedHeight(HWND label, int width) const {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
    HDC context = GetDC(label);
    const HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, width, 0};
    DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(context, previous);
    ReleaseDC(label, context);
    return bounds.bottom - bounds.top;
}

HFONT TMainForm::FontOf(const Control& control) const {
    return pageFonts_.at(control.fontPixels).get();
}

void TMainForm::ShowPage(int page) {
    SendMessageW(pages_, TCM_SETCURSEL, page, 0);
    for (int index = 0; index < static_cast<int>(pageWindows_.size()); ++index) {
        ShowWindow(pageWindows_[index], index == page ? SW_SHOW : SW_HIDE);
    }
}

void TMainForm::Show(int showCommand) {
    const bool maximized = showCommand == SW_SHOWMAXIMIZED || showCommand == SW_MAXIMIZE;
    ShowWindow(handle_, maximized ? SW_SHOWNORMAL : showCommand);
    if (IsZoomed(handle_)) {  // the first ShowWindow may take the start-up's own command
        ShowWindow(handle_, SW_RESTORE);
    }
    UpdateWindow(handle_);
    const auto order = upd::form::TabOrder(MainForm().pages[MainForm().activePage]);
    if (!order.empty()) {
        SetFocus(Find(order.front().name));
    }
}

int TMainForm::RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        Deliver(message);
    }
    return static_cast<int>(message.wParam);
}

// The progress dialog first: its Escape cancels the step, not the window.
void TMainForm::Deliver(MSG& message) {
    if (IsProgressDialogMessage(message) ||
        TranslateAcceleratorW(handle_, accelerators_.get(), &message) ||
        IsDialogMessageW(handle_, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

HWND TMainForm::Find(std::string_view name) const {
    const auto found = std::find_if(children_.begin(), children_.end(),
                                    [name](const Child& child) { return child.name == name; });
    return found == children_.end() ? nullptr : found->window;
}

std::string TMainForm::Text(std::string_view name) const {
    HWND window = Find(name);
    std::wstring buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    buffer.resize(static_cast<size_t>(
        GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()))));
    return upd::win32::Utf8(buffer);
}

void TMainForm::SetText(std::string_view name, const std::string& text) {
    SetWindowTextW(Find(name), Wide(text).c_str());
}

std::string TMainForm::Read(upd::form::Field field) const {
    return Text(upd::form::FieldControl(field).name);
}

void TMainForm::Set(upd::form::Field field, const std::string& text) {
    SetText(upd::form::FieldControl(field).name, text);
}

LRESULT TMainForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (DeliverStepEvent(message, wParam)) {
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
                ShowPage(static_cast<int>(SendMessageW(pages_, TCM_GETCURSEL, 0, 0)));
            }
            return 0;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(handle_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(HIWORD(wParam));
            return 0;
        }
        case WM_CLOSE:
            acExitExecute();
            return 0;
        case WM_GETMINMAXINFO: {  // fixed size, also when maximized
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE frame = FrameSize();
            limits->ptMinTrackSize = limits->ptMaxTrackSize =
                limits->ptMaxSize = {frame.cx, frame.cy};
            return 0;
        }
        case WM_DESTROY:
            if (closing_) {
                PostQuitMessage(0);
            }
            return 0;
        default:
            return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void TMainForm::OnCommand(int id) {
    if (id == IDCANCEL) {
        acExitExecute();
        return;
    }
    if (id == kNextPageId || id == kPreviousPageId) {
        const int count = static_cast<int>(pageWindows_.size());
        const int current = static_cast<int>(SendMessageW(pages_, TCM_GETCURSEL, 0, 0));
        ShowPage((current + (id == kNextPageId ? 1 : count - 1)) % count);
        return;
    }
    const size_t index = static_cast<size_t>(id - kFirstControlId);
    if (id >= kFirstControlId && index < children_.size()) {
        const Control& control = children_[index].control;
        if (control.onClick == upd::form::Handler::OpenPublishDialog) {
            steps_.RunCommand([&] { TPublishDialog(handle_).RunModal(); });
            return;
        }
        steps_.RunCommand([&] { upd::form::RunHandler(control, *this, *this); });
    }
}

std::string TMainForm::ChooseFolder(const std::string& caption) {
    return upd::win32::ChooseFolderWithDialog(handle_, caption);
}

std::string TMainForm::ChooseFile(const upd::ChooserFilter& filter, const std::string& title) {
    return upd::win32::ChooseFileWithDialog(handle_, filter, title);
}

void TMainForm::ShowInfo(const std::string& text) {
    upd::win32::ShowPlainMessage(text);
}

void TMainForm::RunStep(upd::Step step, upd::AfterStep afterStep) {
    steps_.Start(std::move(step), std::move(afterStep));
}

// The pages, not the window: its close box still asks to close.
void TMainForm::EnableControls(bool enabled) {
    for (HWND page : pageWindows_) {
        EnableWindow(page, enabled);
    }
}

void TMainForm::Close() {
    acExitExecute();
}

void TMainForm::acExitExecute() {
    if (!steps_.RequestClose()) {
        return;
    }
    closing_ = true;
    DestroyWindow(handle_);
}
