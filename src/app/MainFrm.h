#pragma once

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <string>

#include "ui/FormActions.h"
#include "ui/FormDescription.h"
#include "ui/InteractionServices.h"
#include "ui/StepSession.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace upd {
class ProgressDialog;
}

// The tool's only window: one page per command and a help page, built from the window's
// description (ui/FormDescription.h). Its buttons run the shared handlers (ui/FormActions.h)
// against its fields and itself as the commands' InteractionServices; a command's long step
// runs on a worker while the window stays in its event loop.
class TMainForm : public QWidget,
                  public upd::InteractionServices,
                  public upd::form::Fields,
                  private upd::StepHost {
    Q_OBJECT

  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const upd::ChooserFilter& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    // Starts the step on a worker (ui/StepSession.h).
    void RunStep(upd::Step step, upd::AfterStep afterStep) override;
    // From RunStep until the step's end has been handled ("Готово!" closed).
    bool StepRunning() const { return steps_.Running(); }

    std::string Read(upd::form::Field field) const override;
    void Set(upd::form::Field field, const std::string& text) override;

    void acExitExecute();

  protected:
    // During a step: cancels it, and closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreatePage(const upd::form::Page& page);
    void CreateControl(QWidget& page, const upd::form::Control& control);
    void CreateStackedLabels(QWidget& page, const upd::form::Page& description);
    void ConnectHandler(QPushButton& button, const upd::form::Control& control);
    void CreateExitAction();
    void SetTabOrder(const upd::form::Page& page);
    QLineEdit& Field(upd::form::Field field) const;

    void Post(upd::StepEvent event, std::chrono::milliseconds delay) override;
    void ShowProgress(const upd::WorkProgress& progress) override;
    void HideProgress() override;
    void EnableForm(bool enabled) override;
    void Close() override;

    QTabWidget* pages_ = nullptr;
    upd::StepSession steps_{*this};
    std::unique_ptr<upd::ProgressDialog> progress_;
    QPointer<QWidget> focusBeforeStep_;
};
