#include "ui/win32/Choosers.h"

#include <commdlg.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "ui/win32/WideText.h"

namespace upd::win32 {

namespace {

// Critical-error boxes of the system (a drive without a disk) stay away while browsing.
class QuietCriticalErrors {
  public:
    QuietCriticalErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~QuietCriticalErrors() { SetErrorMode(previous_); }
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

  private:
    UINT previous_;
};

struct ItemListFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

constexpr DWORD kLongPath = 32768;

}  // namespace

std::wstring DialogFilter(const ChooserFilter& filter) {
    std::wstring result = Wide(filter.name);
    result.push_back(L'\0');
    for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
        result += (i == 0 ? L"" : L";") + Wide(filter.patterns[i]);
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

namespace {

// The open-file dialog; false when cancelled. With several files chosen the buffer holds the
// folder, then each name, each ended by a NUL; with one file, its whole path.
bool RunOpenFileDialog(HWND owner, const ChooserFilter& filter, std::string_view title, DWORD flags,
                       std::vector<wchar_t>& file) {
    const std::wstring filterText = DialogFilter(filter);
    const std::wstring titleText = Wide(title);
    file.assign(kLongPath, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterText.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kLongPath;
    dialog.lpstrTitle = titleText.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | flags;
    return GetOpenFileNameW(&dialog) != FALSE;
}

}  // namespace

std::string ChooseFileWithDialog(HWND owner, const ChooserFilter& filter, std::string_view title) {
    std::vector<wchar_t> file;
    return RunOpenFileDialog(owner, filter, title, 0, file) ? Utf8(file.data()) : std::string();
}

std::vector<std::string> ChooseFilesWithDialog(HWND owner, const ChooserFilter& filter,
                                               std::string_view title) {
    std::vector<wchar_t> buffer;
    if (!RunOpenFileDialog(owner, filter, title, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                           buffer)) {
        return {};
    }
    const std::wstring first(buffer.data());
    std::vector<std::string> paths;
    for (const wchar_t* name = buffer.data() + first.size() + 1; *name != L'\0';
         name += wcslen(name) + 1) {
        paths.push_back(Utf8(first + L"\\" + name));
    }
    if (paths.empty()) {
        paths.push_back(Utf8(first));
    }
    return paths;
}

std::string ChooseFolderWithDialog(HWND owner, std::string_view caption) {
    const std::wstring captionText = Wide(caption);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = captionText.c_str();
    // The edit box lets a path be typed as well as picked from the tree.
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    const QuietCriticalErrors quiet;
    const std::unique_ptr<ITEMIDLIST, ItemListFree> chosen(SHBrowseForFolderW(&browse));
    if (!chosen) {
        return {};
    }
    std::vector<wchar_t> path(kLongPath, L'\0');
    if (!SHGetPathFromIDListEx(chosen.get(), path.data(), kLongPath, GPFIDL_DEFAULT)) {
        return {};
    }
    return Utf8(path.data());
}

}  // namespace upd::win32
