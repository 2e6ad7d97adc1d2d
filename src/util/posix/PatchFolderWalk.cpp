#include "util/PatchFolderWalk.h"

#include <fts.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {

struct FtsCloser {
    void operator()(FTS* tree) const { fts_close(tree); }
};

[[noreturn]] void Refuse(std::string_view before, const char* path) {
    throw OperationError(
        text::Around(before, AbsolutePathText(ToPath(path)), text::kNotArchivedAfter));
}

}  // namespace

std::vector<WalkedFile> RequireOrdinaryTree(const std::string& patchFolder) {
    std::string root = FromPath(ToPath(patchFolder));
    char* roots[] = {root.data(), nullptr};
    // Physical: links are reported, never followed (the root excepted, as the user named it).
    const std::unique_ptr<FTS, FtsCloser> tree(
        fts_open(roots, FTS_PHYSICAL | FTS_COMFOLLOW | FTS_NOCHDIR, nullptr));
    if (!tree) {
        throw OperationError(CannotOpenMessage(ToPath(patchFolder), LastSystemError()));
    }
    std::vector<WalkedFile> files;
    errno = 0;
    while (const FTSENT* entry = fts_read(tree.get())) {
        switch (entry->fts_info) {
            case FTS_F:  // the root's own path and its separator stand before each
                files.push_back({std::string(entry->fts_path)
                                     .substr(std::min(std::size_t(entry->fts_pathlen),
                                                      root.find_last_not_of('/') + 2)),
                                 std::int64_t(entry->fts_statp->st_size)});
                break;
            case FTS_SL:
            case FTS_SLNONE:
            case FTS_DC:  // a folder inside itself: only a bind mount does that without links
                Refuse(text::kLinkInPatchFolderBefore, entry->fts_path);
            case FTS_DEFAULT:
                Refuse(text::kSpecialInPatchFolderBefore, entry->fts_path);
            case FTS_DNR:
            case FTS_ERR:
            case FTS_NS:
                throw OperationError(CannotOpenMessage(ToPath(entry->fts_path), entry->fts_errno));
            default:
                break;
        }
    }
    if (errno != 0) {
        throw OperationError(CannotOpenMessage(ToPath(patchFolder), LastSystemError()));
    }
    return files;
}

}  // namespace upd
