#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FormActions.h"
#include "ui/FormDescription.h"
#include "ui/InteractionServices.h"
#include "ui/win32/DropTarget.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/StepWindow.h"
#include "ui/win32/WindowProcedure.h"

// The tool's only window on Windows, built from the shared description of the form: a tab
// control with one page per command and a help page. Its buttons run the shared handlers
// (ui/FormActions.h) against its fields and itself as the commands' InteractionServices; a
// command's long step runs on a worker that posts its progress and its end to the window,
// which stays in its message loop. Every handler runs inside the exception boundary.
class TMainForm : public upd::InteractionServices,
                  public upd::form::Fields,
                  private upd::win32::StepWindow {
  public:
    TMainForm();  // created hidden
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const { return handle_; }
    // A maximized start shows the window at its fixed size.
    void Show(int showCommand);
    // Runs the message loop until the window has closed; returns the program's exit status.
    int RunMessageLoop();
    // Handles one message as the loop does (for tests that run the loop themselves).
    void Deliver(MSG& message);

    // The window of a control, a page or the tab control, by its name in the description.
    HWND Find(std::string_view name) const;
    std::string Text(std::string_view name) const;
    void SetText(std::string_view name, const std::string& text);

    std::string Read(upd::form::Field field) const override;
    void Set(upd::form::Field field, const std::string& text) override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const upd::ChooserFilter& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    // Starts the step on a worker (ui/StepSession.h).
    void RunStep(upd::Step step, upd::AfterStep afterStep) override;
    using StepWindow::StepRunning;

    // During a step: cancels it, and closes once it has ended.
    void acExitExecute();

  private:
    struct Child {
        std::string_view name;
        HWND window;
        upd::form::Control control;  // kind Label and empty for the pages and pgc1
        int page;                    // -1 for pgc1
    };

    friend LRESULT CALLBACK upd::win32::WindowProcedure<TMainForm>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    void CreatePages();
    void CreateControls(int page, HWND pageWindow);
    void ArrangeTabOrder(const upd::form::Page& page);
    void LayOut(UINT dpi);
    void PlaceControls(int page);
    int WrappedHeight(HWND label, int width) const;
    HFONT FontOf(const upd::form::Control& control) const;
    void ShowPage(int page);
    SIZE FrameSize() const;

    void EnableControls(bool enabled) override;
    void Close() override;

    HWND handle_ = nullptr;
    HWND pages_ = nullptr;
    std::vector<HWND> pageWindows_;
    std::vector<Child> children_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    upd::win32::FontHandle windowFont_;
    std::map<int, upd::win32::FontHandle> pageFonts_;  // by em height at 96 DPI
    std::unique_ptr<std::remove_pointer_t<HACCEL>, decltype(&DestroyAcceleratorTable)>
        accelerators_{nullptr, &DestroyAcceleratorTable};
    bool closing_ = false;
    std::unique_ptr<upd::win32::DropRegistration> drops_;
};
