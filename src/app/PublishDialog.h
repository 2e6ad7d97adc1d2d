#pragma once

#include <QDialog>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ops/InteractionServices.h"
#include "ui/PublishDialog.h"
#include "ui/StepSession.h"

class QLineEdit;
class QListWidget;

namespace upd {

class ProgressDialog;

// "Публикуване" in Qt: drawn from the dialog's description (ui/FormDescription.h), its
// buttons run the shared handlers (ui/PublishDialog.h) against its fields and itself as their
// InteractionServices; the publication's step runs in a session of its own (ui/StepSession.h)
// while the dialog stays in its event loop.
class PublishDialog : public QDialog,
                      public InteractionServices,
                      public form::PublishForm,
                      private StepHost {
    Q_OBJECT

  public:
    explicit PublishDialog(QWidget* parent);
    ~PublishDialog() override;

    std::string ChooseFolder(const std::string& caption) override;
    std::string ChooseFile(const ChooserFilter& filter, const std::string& title) override;
    void ShowInfo(const std::string& text) override;
    void RunStep(Step step, AfterStep afterStep) override;

    std::string Read(form::Field field) const override;
    void Set(form::Field field, const std::string& text) override;
    std::vector<std::string> Archives() const override;
    void SetArchives(const std::vector<std::string>& paths) override;
    std::vector<std::size_t> SelectedArchives() const override;
    std::vector<std::string> ChooseFiles(const ChooserFilter& filter,
                                         const std::string& title) override;
    void ShowText(const std::string& title, const std::string& text) override;

  public slots:
    // Escape and the close box: during a step, cancel it; the dialog closes once it has ended.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControl(const form::Control& control);
    QLineEdit& Edit(form::Field field) const;
    QListWidget& List() const;
    std::optional<form::Control> DropTargetAt(const QPoint& point) const;

    void Post(StepEvent event, std::chrono::milliseconds delay) override;
    void ShowProgress(const WorkProgress& progress) override;
    void HideProgress() override;
    void EnableForm(bool enabled) override;
    void Close() override;

    StepSession steps_{*this};
    std::unique_ptr<ProgressDialog> progress_;
};

}  // namespace upd
