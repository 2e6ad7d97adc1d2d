#include "ui/win32/ProgressDialog.h"

// after windows.h
#include <commctrl.h>

#include "ops/ProgressView.h"
#include "ui/ExceptionRouting.h"
#include "ui/FormDescription.h"
#include "ui/win32/AppIdentity.h"
#include "ui/win32/WideText.h"
#include "util/Texts.h"

namespace upd::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TProgressForm";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterClassOnce(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
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

// A static control repaints on every new text, also the same one: that would flicker at each
// report.
void SetTextIfChanged(HWND control, const std::wstring& text) {
    std::wstring shown(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    shown.resize(std::size_t(GetWindowTextW(control, shown.data(), int(shown.size()))));
    if (shown != text) {
        SetWindowTextW(control, text.c_str());
    }
}

}  // namespace

ProgressDialog::ProgressDialog(HWND owner, std::function<void()> onCancel)
    : owner_(owner), onCancel_(std::move(onCancel)), dpi_(WindowDpi(owner)), taskbar_(owner) {
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
        {L"Static", kPhaseId, SS_LEFT | SS_NOPREFIX, layout.phase},
        {L"Static", kPercentId, SS_RIGHT | SS_NOPREFIX, layout.percent},
        {PROGRESS_CLASSW, kBarId, 0, layout.bar},
        {L"Static", kElapsedId, SS_LEFT | SS_NOPREFIX, layout.elapsed},
        {L"Static", kTimeLeftId, SS_LEFT | SS_NOPREFIX, layout.timeLeft},
        {L"Static", kSizeId, SS_LEFT | SS_NOPREFIX, layout.size},
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
    const form::ProgressView view = form::ViewOf(progress);
    const std::pair<int, const std::string&> lines[] = {
        {kPhaseId, view.phase},       {kPercentId, view.percentText}, {kElapsedId, view.elapsed},
        {kTimeLeftId, view.timeLeft}, {kSizeId, view.size},
    };
    for (const auto& [id, line] : lines) {
        SetTextIfChanged(GetDlgItem(window_, id), Wide(line));
    }
    SetTextIfChanged(window_, Wide(view.title));
    ShowOnBar(view.percent);
    taskbar_.Show(progress);
    if (!IsWindowVisible(window_)) {
        EnableWindow(owner_, FALSE);
        ShowWindow(window_, SW_SHOW);
        SetFocus(GetDlgItem(window_, IDCANCEL));
    }
}

// A marquee while the percentage is unknown; the style changes only when that does, since
// setting it again restarts the marquee.
void ProgressDialog::ShowOnBar(std::optional<int> percent) {
    HWND bar = GetDlgItem(window_, kBarId);
    const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
    const bool busy = !percent.has_value();
    if (busy != ((style & PBS_MARQUEE) != 0)) {
        SetWindowLongPtrW(bar, GWL_STYLE, busy ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
        SendMessageW(bar, PBM_SETMARQUEE, busy ? TRUE : FALSE, 0);
    }
    if (!busy) {
        SendMessageW(bar, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar, PBM_SETPOS, WPARAM(*percent), 0);
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
