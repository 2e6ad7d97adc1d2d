#include "util/PatchFolderWalk.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd {

namespace {

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Pushes the subfolders of folder onto pending and its files onto files (their paths after
// skip characters); throws at the first reparse point.
void ScanFolder(const std::wstring& folder, std::vector<std::wstring>& pending,
                std::vector<WalkedFile>& files, std::size_t skip) {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = folder + L"\\*";
    const HANDLE handle =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
    if (handle == INVALID_HANDLE_VALUE) {
        throw OperationError(
            CannotOpenMessage(std::filesystem::path(folder), long(GetLastError())));
    }
    const std::unique_ptr<void, FindCloser> closer(handle);
    do {
        if (IsDotOrDotDot(found.cFileName)) {
            continue;
        }
        const std::wstring path = folder + L"\\" + found.cFileName;
        // Symbolic links, junctions, mount points and any other reparse point alike.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            throw OperationError(text::Around(text::kLinkInPatchFolderBefore,
                                              AbsolutePathText(std::filesystem::path(path)),
                                              text::kNotArchivedAfter));
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            pending.push_back(path);
        } else {
            std::string relative = FromPath(std::filesystem::path(path.substr(skip)));
            std::replace(relative.begin(), relative.end(), '\\', '/');
            files.push_back({std::move(relative),
                             (std::int64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow});
        }
    } while (FindNextFileW(handle, &found));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) {
        throw OperationError(CannotOpenMessage(std::filesystem::path(folder), long(error)));
    }
}

}  // namespace

std::vector<WalkedFile> RequireOrdinaryTree(const std::string& patchFolder) {
    std::wstring root = ToPath(patchFolder).wstring();
    while (!root.empty() && (root.back() == L'\\' || root.back() == L'/')) {
        root.pop_back();
    }
    std::vector<std::wstring> pending{root};
    std::vector<WalkedFile> files;
    while (!pending.empty()) {
        const std::wstring folder = std::move(pending.back());
        pending.pop_back();
        ScanFolder(folder, pending, files, root.size() + 1);
    }
    return files;
}

}  // namespace upd
