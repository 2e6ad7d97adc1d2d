#include "ui/win32/LocalizedMessage.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "ui/win32/AppIdentity.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/WideText.h"

namespace upd::win32 {

namespace {

constexpr int kHelpId = 9;  // IDHELP
// Posted to the box on its activation: some systems lay a box out only after activating it.
constexpr UINT kArrangeMessage = WM_APP + 1;

struct ButtonId {
    MessageButton button;
    int id;
};

constexpr std::array<ButtonId, 8> kButtonIds{{
    {MessageButton::Yes, IDYES},
    {MessageButton::No, IDNO},
    {MessageButton::OK, IDOK},
    {MessageButton::Cancel, IDCANCEL},
    {MessageButton::Abort, IDABORT},
    {MessageButton::Retry, IDRETRY},
    {MessageButton::Ignore, IDIGNORE},
    {MessageButton::Help, kHelpId},
}};

int IdOf(MessageButton button) {
    for (const auto& [candidate, id] : kButtonIds) {
        if (candidate == button) {
            return id;
        }
    }
    return 0;
}

MessageButton ButtonOf(int id) {
    for (const auto& [button, candidate] : kButtonIds) {
        if (candidate == id) {
            return button;
        }
    }
    return MessageButton::None;
}

struct Layout {
    MessageButtonSet buttons;
    UINT style;
};

constexpr std::array<Layout, 6> kLayouts{{
    {MessageButton::OK, MB_OK},
    {MessageButton::OK | MessageButton::Cancel, MB_OKCANCEL},
    {MessageButton::Abort | MessageButton::Retry | MessageButton::Ignore,
     MB_ABORTRETRYIGNORE | MB_DEFBUTTON2},
    {MessageButton::Yes | MessageButton::No | MessageButton::Cancel, MB_YESNOCANCEL},
    {MessageButton::Yes | MessageButton::No, MB_YESNO},
    {MessageButton::Retry | MessageButton::Cancel, MB_RETRYCANCEL},
}};

bool SameButtons(MessageButtonSet a, MessageButtonSet b) {
    return std::all_of(
        kMessageButtons.begin(), kMessageButtons.end(),
        [&](const MessageButtonText& entry) { return a.Has(entry.button) == b.Has(entry.button); });
}

MessageButtonSet WithoutHelp(MessageButtonSet buttons) {
    MessageButtonSet rest;
    for (const auto& entry : kMessageButtons) {
        if (entry.button != MessageButton::Help && buttons.Has(entry.button)) {
            rest = rest | entry.button;
        }
    }
    return rest;
}

UINT IconStyleOf(MessageType type) {
    switch (type) {
        case MessageType::Warning:
            return MB_ICONWARNING;
        case MessageType::Error:
            return MB_ICONERROR;
        case MessageType::Information:
            return MB_ICONINFORMATION;
        case MessageType::Confirmation:
            return MB_ICONQUESTION;
        case MessageType::Custom:
            break;
    }
    return 0;
}

// What the hook and the subclassed box of the one box being opened on this thread need.
struct OpenBox {
    MessageButtonSet buttons;
    int escapeId = 0;  // 0: Escape and the close box do nothing
    int defaultId = 0;
    HHOOK hook = nullptr;
    HWND window = nullptr;
    WNDPROC original = nullptr;
};

thread_local OpenBox* openBox = nullptr;

void Arrange(HWND window, const OpenBox& box);
void FitTitle(HWND window);

// Escape and the close box arrive as IDCANCEL: they press the escape button, whichever it is.
// Help ends the box too, so that it can be returned.
LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    OpenBox& box = *openBox;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && box.escapeId != IDCANCEL) {
        if (box.escapeId == 0) {
            return 0;
        }
        wParam = MAKEWPARAM(box.escapeId, BN_CLICKED);
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kHelpId) {
        EndDialog(window, kHelpId);
        return 0;
    }
    if (message == kArrangeMessage) {
        try {
            FitTitle(window);  // not on activation: wine places the buttons after it
            Arrange(window, box);
        } catch (...) {  // out of memory for a caption: the box still works, in English
        }
        return 0;
    }
    return CallWindowProcW(box.original, window, message, wParam, lParam);
}

// The system's layout places the buttons in its own order; they take the shared one here.
void ArrangeButtons(HWND window, MessageButtonSet buttons) {
    std::vector<HWND> shown;
    std::vector<RECT> places;
    for (const auto& entry : kMessageButtons) {
        HWND button = buttons.Has(entry.button) ? GetDlgItem(window, IdOf(entry.button)) : nullptr;
        if (button == nullptr) {
            continue;
        }
        SetWindowTextW(button, Wide(entry.caption).c_str());
        RECT place{};
        GetWindowRect(button, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        shown.push_back(button);
        places.push_back(place);
    }
    std::sort(places.begin(), places.end(),
              [](const RECT& a, const RECT& b) { return a.left < b.left; });
    for (size_t i = 0; i < shown.size(); ++i) {
        SetWindowPos(shown[i], nullptr, places[i].left, places[i].top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The width the title bar needs for the whole title beside the icon and the frame's buttons,
// with half the title's width to spare: a window manager draws it in its own, often wider, font.
int TitleBarWidth(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const FontHandle font(CreateFontIndirectW(&metrics.lfCaptionFont));
    std::wstring title(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(
        static_cast<size_t>(GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    HDC context = GetDC(window);
    const HGDIOBJ previous = SelectObject(context, font.get());
    SIZE text{};
    GetTextExtentPoint32W(context, title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(context, previous);
    ReleaseDC(window, context);
    return text.cx * 3 / 2 + GetSystemMetrics(SM_CXSMICON) + 3 * GetSystemMetrics(SM_CXSIZE) +
           2 * GetSystemMetrics(SM_CXDLGFRAME);
}

// The system sizes a box by its text and buttons alone: "Готово!" gave a box too narrow for
// its title, and a window manager then shows an empty title bar. The box grows to fit the
// title; its contents move along so that they stay in the middle.
void FitTitle(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int grow = TitleBarWidth(window) - (frame.right - frame.left);
    if (grow <= 0) {
        return;
    }
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + grow, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(child, nullptr, place.left + grow / 2, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Arrange(HWND window, const OpenBox& box) {
    ArrangeButtons(window, box.buttons);
    SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(box.defaultId), 0);
    CenterOnMonitor(window);
}

void Localize(HWND window, OpenBox& box) {
    box.window = window;
    Arrange(window, box);
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(ApplicationIcon(GetSystemMetrics(SM_CXSMICON))));
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(ApplicationIcon(GetSystemMetrics(SM_CXICON))));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, style & ~LONG_PTR(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    box.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxProc)));
    PostMessageW(window, kArrangeMessage, 0, 0);
}

bool IsDialogWindow(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wstring_view(className) == L"#32770";
}

LRESULT CALLBACK ActivationHook(int code, WPARAM wParam, LPARAM lParam) {
    OpenBox* box = openBox;
    if (code == HCBT_ACTIVATE && box != nullptr && box->window == nullptr) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (IsDialogWindow(window)) {
            try {
                Localize(window, *box);
            } catch (...) {  // as in BoxProc: nothing may leave a hook
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Shows one system box with the hook in place; the previous box of this thread, if one is
// still open below this one, gets its state back afterwards.
int RunBox(const std::wstring& text, const std::wstring& title, UINT style,
           MessageButtonSet buttons) {
    OpenBox box{buttons, IdOf(EscapeMessageButton(buttons)), IdOf(DefaultMessageButton(buttons))};
    OpenBox* const outer = openBox;
    openBox = &box;
    box.hook = SetWindowsHookExW(WH_CBT, &ActivationHook, nullptr, GetCurrentThreadId());
    const int pressed =
        MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
    if (box.hook != nullptr) {
        UnhookWindowsHookEx(box.hook);
    }
    openBox = outer;
    return pressed;
}

}  // namespace

std::optional<UINT> MessageBoxStyleFor(MessageButtonSet buttons) {
    const MessageButtonSet rest = WithoutHelp(buttons);
    for (const Layout& layout : kLayouts) {
        if (SameButtons(layout.buttons, rest)) {
            return layout.style | (buttons.Has(MessageButton::Help) ? MB_HELP : 0u);
        }
    }
    return std::nullopt;
}

MessageButton ShowLocalizedMessage(const std::string& text, MessageType type,
                                   MessageButtonSet buttons) {
    const std::optional<UINT> style = MessageBoxStyleFor(buttons);
    if (!style) {
        throw std::invalid_argument("The system message box cannot show this set of buttons");
    }
    const std::optional<std::string_view> title = MessageTitle(type);
    const std::wstring caption = title ? Wide(*title) : ApplicationTitle();
    const int pressed = RunBox(Wide(text), caption, *style | IconStyleOf(type), buttons);
    return ButtonOf(pressed);
}

MessageButton ShowErrorMessage(const std::string& text, MessageButtonSet buttons) {
    return ShowLocalizedMessage(text, MessageType::Error, buttons);
}

void ShowPlainMessage(const std::string& text) {
    RunBox(Wide(text), ApplicationTitle(), MB_OK, MessageButton::OK);
}

}  // namespace upd::win32
