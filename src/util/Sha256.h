#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace upd {

// SHA-256 from the system's library (libcrypto on POSIX, CNG on Windows), fed in pieces.
class Sha256 {
  public:
    Sha256();  // throws OperationError when the library cannot give the algorithm
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t size);
    // The digest of everything fed, in lower-case hex; call once.
    std::string HexDigest();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Lower-case hex of bytes.
std::string HexText(const unsigned char* bytes, std::size_t size);

}  // namespace upd
