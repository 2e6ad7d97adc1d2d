#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace upd {

// Walks the whole patch folder before anything is archived. Throws OperationError naming the
// first entry that is not an ordinary file or folder: a symbolic link, a junction or another
// reparse point (which would pull in files from outside the folder, or loop), or a FIFO,
// device or socket (which the archiver would wait on). A folder that cannot be read gives
// "Cannot open file ...". The patch folder itself may be reached through a link.
// Returns the files found: their paths relative to the folder, with '/' between the parts.
struct WalkedFile {
    std::string path;
    std::int64_t size = 0;
};
std::vector<WalkedFile> RequireOrdinaryTree(const std::string& patchFolder);

}  // namespace upd
