#include "util/PatchFolderWalk.h"

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

// Pushes the subfolders of folder onto pending; throws at the first reparse point.
void ScanFolder(const std::wstring& folder, std::vector<std::wstring>& pending) {
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
        }
    } while (FindNextFileW(handle, &found));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) {
        throw OperationError(CannotOpenMessage(std::filesystem::path(folder), long(error)));
    }
}

}  // namespace

void RequireOrdinaryTree(const std::string& patchFolder) {
    std::wstring root = ToPath(patchFolder).wstring();
    while (!root.empty() && (root.back() == L'\\' || root.back() == L'/')) {
        root.pop_back();
    }
    std::vector<std::wstring> pending{root};
    while (!pending.empty()) {
        const std::wstring folder = std::move(pending.back());
        pending.pop_back();
        ScanFolder(folder, pending);
    }
}

}  // namespace upd
