#include "util/File.h"

#include <utility>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

void File::ThrowReadError() {
    throw OperationError(std::string(text::kStreamReadError));
}

void File::ThrowWriteError() {
    throw OperationError(std::string(text::kStreamWriteError));
}

File::~File() {
    Release();
}

File::File(File&& other) noexcept {
    *this = std::move(other);
}

void File::ReadExact(void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const std::size_t got = Read(bytes, size);
        if (got == 0) {
            ThrowReadError();
        }
        bytes += got;
        size -= got;
    }
}

}  // namespace upd
