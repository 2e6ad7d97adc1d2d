#include "container/StoredName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "container/CodePage.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {

std::string BaseName(const std::string& path) {
    const auto cut = path.find_last_of(kPathSeparators);
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
    const std::string encoded = ConvertCodePage(utf8, true);
    if (encoded.empty() && !utf8.empty()) {
        throw OperationError(std::string(text::kTheName) + utf8 +
                             std::string(text::kNameHasUnstorableCharacters));
    }
    return encoded;
}

std::string DecodeStoredName(const std::string& bytes) {
    const std::string decoded = ConvertCodePage(bytes, false);
    if (decoded.empty() && !bytes.empty()) {
        throw OperationError(std::string(text::kStoredNameUnknownCharacters));
    }
    return decoded;
}

std::string StoredNameOf(const std::string& sourcePath) {
    const std::string name = BaseName(sourcePath);
    if (!IsSafeEntryName(name)) {
        throw OperationError(std::string(text::kTheName) + name +
                             std::string(text::kNameCannotBeStored));
    }
    return EncodeStoredName(name);
}

}  // namespace upd
