#include "container/CodePage.h"

#include <iconv.h>

#include <memory>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

const std::string_view kPathSeparators = "/";

namespace {

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

}  // namespace

std::string ConvertCodePage(const std::string& text, bool encode) {
    const char* to = encode ? "CP1251" : "UTF-8";
    const char* from = encode ? "UTF-8" : "CP1251";
    const iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        throw OperationError(std::string(text::kNoCodePage1251));
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

}  // namespace upd
