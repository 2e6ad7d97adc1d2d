#include "ui/ErrorText.h"

#include <algorithm>

#include "util/Texts.h"

namespace upd {

std::string ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return std::string(text::kUnknownException);
    }
}

std::string ErrorDialogText(std::string_view message) {
    return std::string(text::kExceptionPrefix) + std::string(message);
}

namespace {
// The length of the UTF-8 sequence that starts with this byte.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return lead >= 0xC0 ? 2 : 1;
}
}  // namespace

std::string ApplicationTitleFor(std::string_view executableFileName,
                                const std::function<std::string(std::string_view)>& lower) {
    const std::string_view name = executableFileName.substr(0, executableFileName.find('.'));
    if (name.empty()) {
        return {};
    }
    const std::size_t first =
        std::min(SequenceLength(static_cast<unsigned char>(name[0])), name.size());
    return std::string(name.substr(0, first)) + lower(name.substr(first));
}

}  // namespace upd
