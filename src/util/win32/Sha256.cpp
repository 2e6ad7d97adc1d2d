#include "util/Sha256.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <algorithm>

#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {
[[noreturn]] void ThrowNoSha256() {
    throw OperationError(std::string(text::kNoSha256));
}
void Require(NTSTATUS status) {
    if (!BCRYPT_SUCCESS(status)) {
        ThrowNoSha256();
    }
}
}  // namespace

struct Sha256::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~State() {
        if (hash) {
            BCryptDestroyHash(hash);
        }
        if (algorithm) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    Require(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    Require(BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {  // BCryptHashData takes a ULONG length
        const ULONG piece = ULONG(std::min<std::size_t>(size, 1u << 30));
        Require(BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), piece, 0));
        bytes += piece;
        size -= piece;
    }
}

std::string Sha256::HexDigest() {
    unsigned char digest[32];
    Require(BCryptFinishHash(state_->hash, digest, sizeof digest, 0));
    return HexText(digest, sizeof digest);
}

}  // namespace upd
