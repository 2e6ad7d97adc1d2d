#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

#include "ops/InteractionServices.h"
#include "ui/FormDescription.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace upd {
class ProgressDialog;
}

// The tool's only window: one page per command and a help page, built from the window's
// description (ui/FormDescription.h). Handlers are named after their control and event; each
// hands its page's field texts and the window itself, as the commands' InteractionServices,
// to its command.
class TMainForm : public QWidget, public upd::InteractionServices {
    Q_OBJECT

  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const std::string& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    // Keeps the window painted during a long step; a step that lasts shows the progress
    // dialog, whose "Отказ" cancels it.
    bool ContinueWork(const upd::WorkProgress& progress) override;
    void WorkEnded() override;

    // Shows "Exception: " + message in the error dialog; the window stays as it was.
    void AppExceptionHandler(const QString& message);

    void FormCreate();
    void btnSelectUpdatesXMLClick();
    void btnGenerateUpdatesClick();
    void btnSelectUpdateFilesClick();
    void btnGenerateUpdateArchiveClick();
    void btnSelectUpdFileClick();
    void btnRestoreUpdatesXMLClick();
    void acExitExecute();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreatePage(const upd::form::Page& page);
    void CreateControl(QWidget& page, const upd::form::Control& control);
    void CreateStackedLabels(QWidget& page, const upd::form::Page& description);
    void ConnectHandler(QPushButton& button, upd::form::Handler handler);
    void CreateExitAction();
    void SetTabOrder(const upd::form::Page& page);
    QLineEdit& Field(std::string_view name) const;

    QTabWidget* pages_ = nullptr;
    bool working_ = false;  // a long step runs: from its first ContinueWork to WorkEnded
    std::unique_ptr<upd::ProgressDialog> progress_;
};
