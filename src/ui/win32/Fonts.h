#pragma once

#include <windows.h>

#include <memory>
#include <string_view>
#include <type_traits>

namespace upd::win32 {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// Pixels at 96 dots per inch, scaled to dpi (rounded).
int Scaled(int pixelsAt96, UINT dpi);

// A Cyrillic font of the face with an em height of pixelsAt96 at 96 DPI, scaled to dpi.
FontHandle CreatePixelFont(std::string_view face, int pixelsAt96, UINT dpi);

void SetFont(HWND window, HFONT font);

// The dots per inch of the window's monitor (the system's where it cannot tell per monitor).
UINT WindowDpi(HWND window);

// The frame rectangle around a client rectangle at that DPI.
void AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace upd::win32
