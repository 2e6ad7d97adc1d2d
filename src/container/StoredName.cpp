#include "container/StoredName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string_view>

#include "util/OperationError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace upd {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
#else
constexpr std::string_view kSeparators = "/";
#endif

std::string BaseName(const std::string& path) {
    const auto cut = path.find_last_of(kSeparators);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool IsDeviceName(const std::string& name) {
    const std::string stem = Upper(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

#ifdef _WIN32

std::string Convert(const std::string& text, bool encode) {
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
    BOOL usedDefault = FALSE;
    const DWORD flags = encode ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL* defaultFlag = encode ? &usedDefault : nullptr;
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

#else

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

// Returns an empty text when a character has no counterpart.
std::string Convert(const std::string& text, bool encode) {
    const char* to = encode ? "CP1251" : "UTF-8";
    const char* from = encode ? "UTF-8" : "CP1251";
    const iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        throw OperationError(std::string("Кодовата таблица CP1251 не е налична в системата."));
    }
    const std::unique_ptr<void, IconvCloser> handle(raw);
    std::string result(text.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* out = result.data();
    std::size_t outLeft = result.size();
    if (iconv(raw, &in, &inLeft, &out, &outLeft) == std::size_t(-1)) {
        return {};
    }
    result.resize(result.size() - outLeft);
    return result;
}

#endif

}  // namespace

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    const bool forbidden = std::any_of(name.begin(), name.end(), [](unsigned char c) {
        return c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':';
    });
    return !forbidden && !IsDeviceName(name);
}

std::string EncodeStoredName(const std::string& utf8) {
    const std::string encoded = Convert(utf8, true);
    if (encoded.empty() && !utf8.empty()) {
        throw OperationError("Името \"" + utf8 +
                             "\" съдържа знаци, които не могат да бъдат записани в пакета.");
    }
    return encoded;
}

std::string DecodeStoredName(const std::string& bytes) {
    const std::string decoded = Convert(bytes, false);
    if (decoded.empty() && !bytes.empty()) {
        throw OperationError("Пакетът съдържа име на файл с непознати знаци.");
    }
    return decoded;
}

std::string StoredNameOf(const std::string& sourcePath) {
    const std::string name = BaseName(sourcePath);
    if (!IsSafeEntryName(name)) {
        throw OperationError("Името \"" + name + "\" не може да бъде записано в пакета.");
    }
    return EncodeStoredName(name);
}

}  // namespace upd
