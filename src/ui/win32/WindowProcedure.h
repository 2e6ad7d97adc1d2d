#pragma once

#include <windows.h>

#include "ui/ExceptionRouting.h"

namespace upd::win32 {

// The window procedure of a class whose windows are Window objects, which come with
// WM_NCCREATE (CreateWindowEx's last argument). Until CreateWindowEx has returned (Handle() is
// still null) the system's default answers. Nothing may unwind through the system's frames:
// the handlers have their own boundary, this one catches what layout or painting might throw
// (out of memory).
template <typename Window>
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* object = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object == nullptr || object->Handle() == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    RunGuarded([&] { result = object->Dispatch(message, wParam, lParam); });
    return result;
}

}  // namespace upd::win32
