#include "ui/PublishDialog.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "ops/UpdateArchive.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Texts.h"

namespace upd::form {

namespace {

constexpr std::size_t kShownHashDigits = 16;

bool IsSamePath(const std::string& a, const std::string& b) {
    return std::filesystem::path(a).lexically_normal() ==
           std::filesystem::path(b).lexically_normal();
}

std::string_view StateText(const PublishedFile& file, bool dryRun) {
    if (file.alreadyThere) {
        return text::kPublishAlreadyThere;
    }
    return dryRun ? text::kPublishPlanned : text::kPublishCopied;
}

std::string Lines(const std::vector<PublishedFile>& files, bool report) {
    std::string lines;
    for (const PublishedFile& file : files) {
        lines += file.name + std::string(text::kPublishLineState) +
                 std::string(StateText(file, !report)) + ", " + std::to_string(file.size) +
                 std::string(text::kPublishBytes);
        if (report) {
            lines += std::string(text::kPublishSha256) + file.sha256.substr(0, kShownHashDigits);
        }
        lines += '\n';
    }
    return lines;
}

// The step's files arrive on its worker; the end reads them on the window's thread, after
// the worker has ended.
void RunPublication(PublishForm& form, InteractionServices& services, bool dryRun) {
    const PublishJob job = GatherPublishJob(form, dryRun);
    auto files = std::make_shared<std::vector<PublishedFile>>();
    services.RunStep(
        [job, files](StepControl& control) {
            return PublishStep(job, control,
                               [&](const PublishedFile& file) { files->push_back(file); });
        },
        [&form, &services, files, dryRun](StepResult result) {
            if (result != StepResult::Done) {
                return;  // cancelled: the old index package stays
            }
            if (dryRun) {
                form.ShowText(std::string(text::kPublishPlanTitle), PlanText(*files));
                return;
            }
            services.ShowInfo(std::string(text::kDone));
            form.ShowText(std::string(text::kPublishReportTitle), ReportText(*files));
        });
}

void RemoveSelected(PublishForm& form) {
    std::vector<std::string> archives = form.Archives();
    std::vector<std::size_t> selected = form.SelectedArchives();
    std::sort(selected.rbegin(), selected.rend());
    for (const std::size_t index : selected) {
        if (index < archives.size()) {
            archives.erase(archives.begin() + std::ptrdiff_t(index));
        }
    }
    form.SetArchives(archives);
}

}  // namespace

PublishJob GatherPublishJob(const PublishForm& form, bool dryRun) {
    PublishJob job;
    job.folder = form.Read(Field::PublishFolder);
    job.indexPackage = form.Read(Field::PublishIndex);
    if (job.folder.empty()) {
        throw OperationError(std::string(text::kPublishNoFolder));
    }
    if (job.indexPackage.empty()) {
        throw OperationError(std::string(text::kPublishNoIndex));
    }
    job.archives = form.Archives();
    job.dryRun = dryRun;
    job.password = form.Read(Field::PublishPassword);
    if (!job.password.empty()) {
        job.archiver = DefaultArchiverPath();
        if (!FileExists(job.archiver)) {
            throw OperationError(std::string(text::kPublishNoArchiver));
        }
    }
    return job;
}

void RunPublishHandler(const Control& button, PublishForm& form, InteractionServices& services) {
    switch (button.onClick) {
        case Handler::ChoosePublishFolder: {
            const std::string folder =
                services.ChooseFolder(std::string(text::kPublishFolderCaption));
            if (!folder.empty()) {
                form.Set(Field::PublishFolder, folder);
            }
            return;
        }
        case Handler::ChoosePublishIndex: {
            const Control& edit = PublishFieldControl(Field::PublishIndex);
            const std::string file = services.ChooseFile(ChooserFilter::Parse(edit.filter),
                                                         std::string(text::kChooseFileTitle));
            if (!file.empty()) {
                form.Set(Field::PublishIndex, file);
            }
            return;
        }
        case Handler::AddPublishArchives: {
            const Control& list = PublishFieldControl(Field::PublishArchives);
            form.SetArchives(WithArchivesAdded(
                form.Archives(), form.ChooseFiles(ChooserFilter::Parse(list.filter),
                                                  std::string(text::kPublishArchivesTitle))));
            return;
        }
        case Handler::RemovePublishArchives:
            return RemoveSelected(form);
        case Handler::CheckPublication:
            return RunPublication(form, services, true);
        case Handler::Publish:
            return RunPublication(form, services, false);
        default:
            return;
    }
}

std::vector<std::string> WithArchivesAdded(std::vector<std::string> list,
                                           const std::vector<std::string>& added) {
    for (const std::string& path : added) {
        const bool listed = std::any_of(list.begin(), list.end(), [&](const std::string& each) {
            return IsSamePath(each, path);
        });
        if (!listed && !path.empty()) {
            list.push_back(path);
        }
    }
    return list;
}

std::string PlanText(const std::vector<PublishedFile>& files) {
    return Lines(files, false);
}

std::string ReportText(const std::vector<PublishedFile>& files) {
    return Lines(files, true);
}

std::optional<std::vector<std::string>> JudgePublishDrop(const Control& target,
                                                         const DraggedItems& items) {
    const bool several = target.takes == Takes::Files;
    if (target.takes == Takes::Nothing || items.empty() || (items.size() > 1 && !several)) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const std::optional<std::string>& item : items) {
        if (!item || !TakesPath(target, *item)) {
            return std::nullopt;
        }
        paths.push_back(*item);
    }
    return paths;
}

void TakePublishDrop(const Control& target, const std::vector<std::string>& paths,
                     PublishForm& form) {
    if (target.takes == Takes::Files) {
        form.SetArchives(WithArchivesAdded(form.Archives(), paths));
    } else if (!paths.empty()) {
        form.Set(target.field, paths.front());
    }
}

}  // namespace upd::form
