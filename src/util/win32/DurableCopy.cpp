#include <windows.h>

#include <memory>

#include "util/DurableCopy.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {

struct CloseHandle_ {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct FreePages {
    void operator()(void* pages) const { VirtualFree(pages, 0, MEM_RELEASE); }
};

constexpr DWORD kPieceSize = 1u << 20;  // a multiple of every sector size

}  // namespace

bool ReadFromDisk(const std::filesystem::path& path, const ReadPiece& piece) {
    // Unbuffered: every read goes to the disk or the share, not to the system's cache. It
    // needs sector-aligned buffers and lengths: whole pages from VirtualAlloc.
    const HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        throw OperationError(CannotOpenMessage(path, long(GetLastError())));
    }
    const std::unique_ptr<void, CloseHandle_> file(opened);
    const std::unique_ptr<void, FreePages> buffer(
        VirtualAlloc(nullptr, kPieceSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!buffer) {
        ThrowReadBackError(path, long(GetLastError()));
    }
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.get(), kPieceSize, &got, nullptr)) {
            ThrowReadBackError(path, long(GetLastError()));
        }
        if (got == 0) {
            return true;
        }
        if (!piece(static_cast<const unsigned char*>(buffer.get()), got)) {
            return false;
        }
    }
}

}  // namespace upd
