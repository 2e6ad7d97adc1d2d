#include "container/CodePage.h"

#include <windows.h>

namespace upd {

// A drive letter's colon ends a folder too, and Windows accepts both slashes.
const std::string_view kPathSeparators = "\\/:";

std::string ConvertCodePage(const std::string& text, bool encode) {
    if (text.empty()) {
        return {};
    }
    const UINT from = encode ? CP_UTF8 : CP_ACP;
    const UINT to = encode ? CP_ACP : CP_UTF8;
    const int wideLength =
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(std::size_t(wideLength), L'\0');
    MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(),
                        wideLength);
    // The default-character check refuses names the code page cannot hold. Windows rejects
    // it (and the flag) for UTF-8, which holds every name anyway.
    const bool checkDefault = encode && GetACP() != CP_UTF8;
    BOOL usedDefault = FALSE;
    const DWORD flags = checkDefault ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL* defaultFlag = checkDefault ? &usedDefault : nullptr;
    const int length =
        WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, nullptr, defaultFlag);
    if (length <= 0 || usedDefault) {
        return {};
    }
    std::string result(std::size_t(length), '\0');
    WideCharToMultiByte(to, flags, wide.data(), wideLength, result.data(), length, nullptr,
                        defaultFlag);
    return usedDefault ? std::string() : result;
}

}  // namespace upd
