#include "app/win32/PublishDialog.h"

#include <commdlg.h>
#include <ole2.h>

#include <algorithm>
#include <utility>

#include "ui/ExceptionRouting.h"
#include "ui/win32/AppIdentity.h"
#include "ui/win32/Choosers.h"
#include "ui/win32/DropTarget.h"
#include "ui/win32/LocalizedMessage.h"
#include "ui/win32/WideText.h"

using upd::form::Control;
using upd::form::Kind;
using upd::win32::Scaled;
using upd::win32::Wide;

namespace {

constexpr wchar_t kDialogClass[] = L"TPublishDialog";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kFirstControlId = 100;

void RegisterDialogClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpfnWndProc = procedure;
        windowClass.lpszClassName = kDialogClass;
        return RegisterClassExW(&windowClass) != 0;
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
        case Kind::WrappingLabel:
            return {L"Static", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case Kind::Edit:
            return {L"Edit",
                    DWORD(ES_AUTOHSCROLL | WS_TABSTOP | (control.masked ? ES_PASSWORD : 0)),
                    WS_EX_CLIENTEDGE};
        case Kind::List:
            return {L"ListBox",
                    LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL |
                        WS_HSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case Kind::Button:
            return {L"Button", BS_PUSHBUTTON | WS_TABSTOP, 0};
    }
    return {L"Static", 0, 0};
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return upd::win32::Utf8(text);
}

}  // namespace

TPublishDialog::TPublishDialog(HWND owner) : owner_(owner) {
    RegisterDialogClass(&upd::win32::WindowProcedure<TPublishDialog>);
    const auto& dialog = upd::form::PublishDialogForm();
    dpi_ = upd::win32::WindowDpi(owner);
    RECT frame{0, 0, Scaled(dialog.clientWidth, dpi_), Scaled(dialog.clientHeight, dpi_)};
    upd::win32::AdjustFrame(frame, kStyle, kExStyle, dpi_);
    handle_ =
        CreateWindowExW(kExStyle, kDialogClass, Wide(dialog.caption).c_str(), kStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
                        nullptr, GetModuleHandleW(nullptr), this);
    AttachStepWindow(handle_);
    font_ = upd::win32::CreatePixelFont(dialog.font.face, dialog.font.pixelHeight, dpi_);
    CreateControls();
    Set(upd::form::Field::PublishFolder, upd::form::StartingPublishFolder());
    upd::win32::CenterOnMonitor(handle_);
    // The archives' list takes drops onto itself, the fields onto themselves: what is taken
    // depends on the control under the pointer.
    IDropTarget* target = upd::win32::NewDropTarget([this](const upd::form::DraggedItems& items,
                                                           POINT screen, DWORD allowed, bool drop) {
        const auto control = DropTargetAt(screen);
        const auto paths =
            control && !StepRunning() ? upd::form::JudgePublishDrop(*control, items) : std::nullopt;
        const DWORD effect = paths ? upd::win32::HarmlessEffect(allowed) : DROPEFFECT_NONE;
        if (drop && effect != DROPEFFECT_NONE) {
            upd::form::TakePublishDrop(*control, *paths, *this);
        }
        return effect;
    });
    if (SUCCEEDED(RegisterDragDrop(handle_, target))) {
        dropTarget_ = target;  // held by the registration until it is revoked
    }
    target->Release();
}

TPublishDialog::~TPublishDialog() {
    EndSteps();
    if (dropTarget_ != nullptr) {
        RevokeDragDrop(handle_);
    }
    EnableWindow(owner_, TRUE);  // before the dialog goes, so that the owner is activated
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
}

void TPublishDialog::CreateControls() {
    for (const Control& control : upd::form::PublishDialogForm().controls) {
        const ControlClass type = ClassOf(control);
        const auto id = static_cast<INT_PTR>(kFirstControlId + controls_.size());
        const upd::form::Rect& rect = control.rect;
        HWND window = CreateWindowExW(
            type.exStyle, type.name, Wide(control.text).c_str(), WS_CHILD | WS_VISIBLE | type.style,
            Scaled(rect.left, dpi_), Scaled(rect.top, dpi_), Scaled(rect.width, dpi_),
            Scaled(rect.height, dpi_), handle_, reinterpret_cast<HMENU>(id),
            GetModuleHandleW(nullptr), nullptr);
        upd::win32::SetFont(window, font_.get());
        controls_.emplace_back(control, window);
    }
    // The dialog manager moves the focus in z-order.
    for (const Control& control : upd::form::TabOrder(upd::form::PublishDialogForm().controls)) {
        SetWindowPos(Find(control.name), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TPublishDialog::RunModal() {
    EnableWindow(owner_, FALSE);
    ShowWindow(handle_, SW_SHOW);
    const auto order = upd::form::TabOrder(upd::form::PublishDialogForm().controls);
    SetFocus(Find(order.front().name));
    MSG message{};
    while (!closed_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsProgressDialogMessage(message) || IsDialogMessageW(handle_, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));  // for the owner's loop
    }
}

HWND TPublishDialog::Find(std::string_view name) const {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [name](const auto& each) { return each.first.name == name; });
    return found == controls_.end() ? nullptr : found->second;
}

HWND TPublishDialog::List() const {
    return Find(upd::form::PublishFieldControl(upd::form::Field::PublishArchives).name);
}

std::string TPublishDialog::Read(upd::form::Field field) const {
    return WindowText(Find(upd::form::PublishFieldControl(field).name));
}

void TPublishDialog::Set(upd::form::Field field, const std::string& text) {
    SetWindowTextW(Find(upd::form::PublishFieldControl(field).name), Wide(text).c_str());
}

std::vector<std::string> TPublishDialog::Archives() const {
    std::vector<std::string> paths;
    const auto count = SendMessageW(List(), LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        std::wstring text(size_t(SendMessageW(List(), LB_GETTEXTLEN, WPARAM(row), 0)) + 1, L'\0');
        text.resize(size_t(
            SendMessageW(List(), LB_GETTEXT, WPARAM(row), reinterpret_cast<LPARAM>(text.data()))));
        paths.push_back(upd::win32::Utf8(text));
    }
    return paths;
}

void TPublishDialog::SetArchives(const std::vector<std::string>& paths) {
    SendMessageW(List(), LB_RESETCONTENT, 0, 0);
    for (const std::string& path : paths) {
        SendMessageW(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(path).c_str()));
    }
}

std::vector<std::size_t> TPublishDialog::SelectedArchives() const {
    const auto count = SendMessageW(List(), LB_GETSELCOUNT, 0, 0);
    std::vector<int> rows(size_t(std::max<LRESULT>(count, 0)));
    if (!rows.empty()) {
        SendMessageW(List(), LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
    }
    return {rows.begin(), rows.end()};
}

std::string TPublishDialog::ChooseFolder(const std::string& caption) {
    return upd::win32::ChooseFolderWithDialog(handle_, caption);
}

std::string TPublishDialog::ChooseFile(const upd::ChooserFilter& filter, const std::string& title) {
    return upd::win32::ChooseFileWithDialog(handle_, filter, title);
}

std::vector<std::string> TPublishDialog::ChooseFiles(const upd::ChooserFilter& filter,
                                                     const std::string& title) {
    return upd::win32::ChooseFilesWithDialog(handle_, filter, title);
}

void TPublishDialog::ShowInfo(const std::string& text) {
    upd::win32::ShowPlainMessage(text);
}

// The system's box copies its whole text with Ctrl+C.
void TPublishDialog::ShowText(const std::string& title, const std::string& text) {
    MessageBoxW(handle_, Wide(text).c_str(), Wide(title).c_str(), MB_OK);
}

void TPublishDialog::RunStep(upd::Step step, upd::AfterStep afterStep) {
    steps_.Start(std::move(step), std::move(afterStep));
}

std::optional<Control> TPublishDialog::DropTargetAt(POINT screen) const {
    ScreenToClient(handle_, &screen);
    HWND child = ChildWindowFromPointEx(handle_, screen, CWP_SKIPINVISIBLE);
    for (const auto& [control, window] : controls_) {
        if (window == child && control.takes != upd::form::Takes::Nothing) {
            return control;
        }
    }
    return std::nullopt;
}

LRESULT TPublishDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (DeliverStepEvent(message, wParam)) {
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnCommand(LOWORD(wParam));
            }
            return 0;
        case WM_CLOSE:
            AskToClose();
            return 0;
        default:
            return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void TPublishDialog::OnCommand(int id) {
    if (id == IDCANCEL) {
        AskToClose();
        return;
    }
    const size_t index = static_cast<size_t>(id - kFirstControlId);
    if (id >= kFirstControlId && index < controls_.size() &&
        controls_[index].first.kind == Kind::Button) {
        const Control& control = controls_[index].first;
        steps_.RunCommand([&] { upd::form::RunPublishHandler(control, *this, *this); });
    }
}

// During a step: cancels it, and closes once it has ended.
void TPublishDialog::AskToClose() {
    if (steps_.RequestClose()) {
        closed_ = true;
    }
}

void TPublishDialog::EnableControls(bool enabled) {
    for (const auto& each : controls_) {
        EnableWindow(each.second, enabled);
    }
}

void TPublishDialog::Close() {
    closed_ = true;
}
