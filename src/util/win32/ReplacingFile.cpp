#include "util/ReplacingFile.h"

#include <windows.h>

#include "util/FileSystem.h"

namespace upd {

ReplacedTarget InspectTarget(const std::filesystem::path& target) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    ReplacedTarget replaced;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return replaced;
    }
    replaced.exists = true;
    replaced.attributes = attributes & kKept;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        replaced.refusal = kIsAFolder;
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        replaced.refusal = ERROR_ACCESS_DENIED;  // as creating it would say
    }
    return replaced;
}

long MoveOver(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (!MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return long(GetLastError());
    }
    return 0;
}

}  // namespace upd
