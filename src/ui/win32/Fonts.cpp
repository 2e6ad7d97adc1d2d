#include "ui/win32/Fonts.h"

#include "ui/win32/WideText.h"

namespace upd::win32 {

int Scaled(int pixelsAt96, UINT dpi) {
    return MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

FontHandle CreatePixelFont(std::string_view face, int pixelsAt96, UINT dpi) {
    // Rounded down: a text that fits its rectangle at 96 DPI must fit the scaled one too.
    const int pixels = pixelsAt96 * static_cast<int>(dpi) / USER_DEFAULT_SCREEN_DPI;
    return FontHandle(CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                  FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  Wide(face).c_str()));
}

void SetFont(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

UINT WindowDpi(HWND window) {
    const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace upd::win32
