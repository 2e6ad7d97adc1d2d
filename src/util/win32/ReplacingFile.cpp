#include "util/ReplacingFile.h"

#include <windows.h>

namespace upd {

long MoveOver(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (!MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return long(GetLastError());
    }
    return 0;
}

}  // namespace upd
