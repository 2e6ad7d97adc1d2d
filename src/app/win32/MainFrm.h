#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ops/InteractionServices.h"
#include "ui/FormDescription.h"
#include "ui/win32/DropTarget.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/ProgressDialog.h"

// The tool's only window on Windows, built from the shared description of the form: a tab
// control with one page per command and a help page. Handlers are named after their control
// and event; each hands its page's field texts and the window itself, as the commands'
// InteractionServices, to its command. Every handler runs inside the exception boundary.
class TMainForm : public upd::InteractionServices {
  public:
    TMainForm();  // created hidden
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const { return handle_; }
    void Show(int showCommand);
    // Runs the message loop until the window has closed; returns the program's exit status.
    int RunMessageLoop();

    // The window of a control, a page or the tab control, by its name in the description.
    HWND Find(std::string_view name) const;
    std::string Text(std::string_view name) const;
    void SetText(std::string_view name, const std::string& text);

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const std::string& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    bool ContinueWork(const upd::WorkProgress& progress) override;
    void WorkEnded() override;

    // Shows "Exception: " + message in the error dialog; the window stays as it was.
    void AppExceptionHandler(const std::string& message);

    void FormCreate();
    void btnSelectUpdatesXMLClick();
    void btnGenerateUpdatesClick();
    void btnSelectUpdateFilesClick();
    void btnGenerateUpdateArchiveClick();
    void btnSelectUpdFileClick();
    void btnRestoreUpdatesXMLClick();
    void acExitExecute();

  private:
    struct Child {
        std::string_view name;
        HWND window;
        upd::form::Control control;  // kind Label and empty for the pages and pgc1
        int page;                    // -1 for pgc1
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    void RunHandler(upd::form::Handler handler);
    void CreatePages();
    void CreateControls(int page, HWND pageWindow);
    void ArrangeTabOrder(const upd::form::Page& page);
    void LayOut(UINT dpi);
    void PlaceControls(int page);
    int WrappedHeight(HWND label, int width) const;
    HFONT FontOf(const upd::form::Control& control) const;
    void ShowPage(int page);
    void PumpMessages();

    HWND handle_ = nullptr;
    HWND pages_ = nullptr;
    std::vector<HWND> pageWindows_;
    std::vector<Child> children_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    upd::win32::FontHandle windowFont_;
    upd::win32::FontHandle textFont_;
    upd::win32::FontHandle commandFont_;
    std::unique_ptr<std::remove_pointer_t<HACCEL>, decltype(&DestroyAcceleratorTable)>
        accelerators_{nullptr, &DestroyAcceleratorTable};
    std::unique_ptr<upd::win32::ProgressDialog> progress_;
    bool workCancelled_ = false;
    bool closing_ = false;
    std::unique_ptr<upd::win32::DropRegistration> drops_;
};
