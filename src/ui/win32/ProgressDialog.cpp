#include "ui/win32/ProgressDialog.h"

#include "ui/FormDescription.h"
#include "ui/win32/AppIdentity.h"
#include "ui/win32/ExceptionBoundary.h"
#include "ui/win32/WideText.h"
#include "util/Texts.h"

namespace upd::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TProgressForm";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterClassOnce(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    (void)atom;
}

}  // namespace

ProgressDialog::ProgressDialog(HWND owner, std::function<void()> onCancel)
    : owner_(owner), onCancel_(std::move(onCancel)), dpi_(WindowDpi(owner)) {
    RegisterClassOnce(&Procedure);
    const form::ProgressLayout& layout = form::ProgressDialogLayout();
    RECT frame{0, 0, Scaled(layout.clientWidth, dpi_), Scaled(layout.clientHeight, dpi_)};
    AdjustFrame(frame, kStyle, kExStyle, dpi_);
    window_ =
        CreateWindowExW(kExStyle, kClassName, Wide(text::kProgressTitle).c_str(), kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                        frame.bottom - frame.top, owner, nullptr, GetModuleHandleW(nullptr), this);
    font_ = CreatePixelFont(layout.font.face, layout.font.pixelHeight, dpi_);
    CreateChildren();
    CenterOnMonitor(window_);
}

ProgressDialog::~ProgressDialog() {
    // The owner first, so that activation returns to it and not to another program.
    if (owner_ != nullptr) {
        EnableWindow(owner_, TRUE);
    }
    DestroyWindow(window_);
}

void ProgressDialog::CreateChildren() {
    struct Child {
        const wchar_t* className;
        int id;
        DWORD style;
        form::Rect place;
    };
    const form::ProgressLayout& layout = form::ProgressDialogLayout();
    const Child children[] = {
        {L"Static", kElapsedId, SS_LEFT | SS_NOPREFIX, layout.elapsed},
        {L"Static", kDetailId, SS_LEFT | SS_NOPREFIX, layout.detail},
        {L"Button", IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, layout.cancel},
    };
    for (const Child& child : children) {
        HWND control =
            CreateWindowExW(0, child.className, nullptr, WS_CHILD | WS_VISIBLE | child.style,
                            Scaled(child.place.left, dpi_), Scaled(child.place.top, dpi_),
                            Scaled(child.place.width, dpi_), Scaled(child.place.height, dpi_),
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)),
                            GetModuleHandleW(nullptr), nullptr);
        SetFont(control, font_.get());
    }
    SetDlgItemTextW(window_, IDCANCEL, Wide(text::kProgressCancel).c_str());
}

void ProgressDialog::Show(const WorkProgress& progress) {
    SetDlgItemTextW(window_, kElapsedId, Wide(form::ProgressElapsedText(progress.elapsed)).c_str());
    const std::string detail = progress.checking ? std::string(text::kProgressChecking)
                                                 : form::ProgressSizeText(progress.outputBytes);
    SetDlgItemTextW(window_, kDetailId, Wide(detail).c_str());
    if (!IsWindowVisible(window_)) {
        EnableWindow(owner_, FALSE);
        ShowWindow(window_, SW_SHOW);
        SetFocus(GetDlgItem(window_, IDCANCEL));
    }
}

LRESULT CALLBACK ProgressDialog::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* dialog = reinterpret_cast<ProgressDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const bool cancel =
        (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE;
    if (cancel && dialog != nullptr) {
        if (!dialog->cancelled_) {
            dialog->cancelled_ = true;
            EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
            RunGuarded([dialog] { dialog->onCancel_(); });
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace upd::win32
