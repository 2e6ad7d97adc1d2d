#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <string>

#include "ops/InteractionServices.h"
#include "ui/FormActions.h"
#include "ui/FormDescription.h"
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
class TMainForm : public QWidget, public upd::InteractionServices, public upd::form::Fields {
    Q_OBJECT

  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const upd::ChooserFilter& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    // Starts the step on a worker; its progress reaches the window as queued calls, and a
    // step that lasts shows the progress dialog, whose "Отказ" cancels it.
    void RunStep(upd::Step step, upd::AfterStep afterStep) override;
    // From RunStep until the step's end has been handled ("Готово!" closed).
    bool StepRunning() const { return steps_.Running(); }

    std::string Read(upd::form::Field field) const override;
    void Set(upd::form::Field field, const std::string& text) override;

    // Shows "Exception: " + message in the error dialog; the window stays as it was.
    void AppExceptionHandler(const QString& message);

    void FormCreate();
    void acExitExecute();

  protected:
    // During a step: cancels it, and closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreatePage(const upd::form::Page& page);
    void CreateControl(QWidget& page, const upd::form::Control& control);
    void CreateStackedLabels(QWidget& page, const upd::form::Page& description);
    void ConnectHandler(QPushButton& button, upd::form::Handler handler);
    void CreateExitAction();
    void SetTabOrder(const upd::form::Page& page);
    QLineEdit& Field(upd::form::Field field) const;
    void OnStepProgress();
    void OnStepEnded();

    QTabWidget* pages_ = nullptr;
    upd::StepSession steps_;
    std::unique_ptr<upd::ProgressDialog> progress_;
};
