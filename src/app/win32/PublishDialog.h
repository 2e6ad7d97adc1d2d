#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/InteractionServices.h"
#include "ui/PublishDialog.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/StepWindow.h"
#include "ui/win32/WindowProcedure.h"

// "Публикуване" on Windows: a window drawn from the dialog's description
// (ui/FormDescription.h), modal over its owner, whose buttons run the shared handlers
// (ui/PublishDialog.h) against its fields and itself as their InteractionServices. The
// publication's step runs in a session of its own while the dialog keeps its message loop.
class TPublishDialog : public upd::InteractionServices,
                       public upd::form::PublishForm,
                       private upd::win32::StepWindow {
  public:
    explicit TPublishDialog(HWND owner);
    ~TPublishDialog() override;
    TPublishDialog(const TPublishDialog&) = delete;
    TPublishDialog& operator=(const TPublishDialog&) = delete;

    // Shows the dialog with its owner disabled until it has closed.
    void RunModal();
    HWND Handle() const { return handle_; }
    HWND Find(std::string_view name) const;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const upd::ChooserFilter& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    void RunStep(upd::Step step, upd::AfterStep afterStep) override;

    std::string Read(upd::form::Field field) const override;
    void Set(upd::form::Field field, const std::string& text) override;
    std::vector<std::string> Archives() const override;
    void SetArchives(const std::vector<std::string>& paths) override;
    std::vector<std::size_t> SelectedArchives() const override;
    std::vector<std::string> ChooseFiles(const upd::ChooserFilter& filter,
                                         const std::string& title) override;
    void ShowText(const std::string& title, const std::string& text) override;

    // Whether a drag over that point of the screen lands on a control that takes it, and the
    // drop itself (for the dialog's drop target).
    std::optional<upd::form::Control> DropTargetAt(POINT screen) const;
    using StepWindow::StepRunning;

  private:
    friend LRESULT CALLBACK upd::win32::WindowProcedure<TPublishDialog>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void OnCommand(int id);
    void AskToClose();
    HWND List() const;

    void EnableControls(bool enabled) override;
    void Close() override;

    HWND owner_;
    HWND handle_ = nullptr;
    std::vector<std::pair<upd::form::Control, HWND>> controls_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    upd::win32::FontHandle font_;
    IDropTarget* dropTarget_ = nullptr;
    bool closed_ = false;
};
