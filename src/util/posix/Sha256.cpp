#include "util/Sha256.h"

#include <openssl/evp.h>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

struct Sha256::State {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> context{EVP_MD_CTX_new()};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    if (!state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1) {
        throw OperationError(std::string(text::kNoSha256));
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    if (EVP_DigestUpdate(state_->context.get(), data, size) != 1) {
        throw OperationError(std::string(text::kNoSha256));
    }
}

std::string Sha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(state_->context.get(), digest, &size) != 1) {
        throw OperationError(std::string(text::kNoSha256));
    }
    return HexText(digest, size);
}

}  // namespace upd
