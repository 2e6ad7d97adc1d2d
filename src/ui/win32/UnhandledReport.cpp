#include <windows.h>

#include <string>

#include "ui/ErrorText.h"
#include "ui/ExceptionRouting.h"

namespace upd {

void ReportUnhandled(const std::string& message) noexcept {
    try {
        const std::string text = ErrorDialogText(message) + "\n";
        std::wstring wide(text.size(), L'\0');
        wide.resize(std::size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()),
                                                    wide.data(), int(wide.size()))));
        OutputDebugStringW(wide.c_str());
    } catch (...) {  // nothing more can be done with it
    }
}

}  // namespace upd
