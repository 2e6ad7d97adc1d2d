#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <string>

#include "ops/InteractionServices.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTabWidget;

// The tool's only window: one page per command and a help page. Handlers are named after
// their control and event; each hands its page's field texts and the window itself, as the
// commands' InteractionServices, to its command.
class TMainForm : public QWidget, public upd::InteractionServices {
    Q_OBJECT

  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const std::string& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    // A window-modal progress dialog with a cancel button, shown once the work takes a
    // moment; the window keeps repainting meanwhile.
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

  private:
    void CreateIndexPackagePage();
    void CreateUpdateArchivePage();
    void CreateRestorePage();
    void CreateHelpPage();
    void CreateExitAction();
    void SetTabOrder();

    QTabWidget* pgc1_ = nullptr;
    QWidget* ts1_ = nullptr;
    QWidget* ts2_ = nullptr;
    QWidget* ts3_ = nullptr;
    QWidget* ts4_ = nullptr;

    QLineEdit* edUpdatesXMLPath_ = nullptr;
    QPushButton* btnSelectUpdatesXML_ = nullptr;
    QPushButton* btnGenerateUpdates_ = nullptr;

    QLineEdit* edUpdateFilesPath_ = nullptr;
    QPushButton* btnSelectUpdateFiles_ = nullptr;
    QLineEdit* edPassField_ = nullptr;
    QPushButton* btnGenerateUpdateArchive_ = nullptr;

    QLineEdit* edUpdFilePath_ = nullptr;
    QPushButton* btnSelectUpdFile_ = nullptr;
    QPushButton* btnRestoreUpdatesXML_ = nullptr;

    QAction* acExit_ = nullptr;
    std::unique_ptr<QProgressDialog> progress_;
};
