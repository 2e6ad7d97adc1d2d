#include "ops/IndexCommands.h"

#include <algorithm>
#include <chrono>

#include "container/UpdContainer.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd {

namespace {

void RequireDirectory(const std::string& folder) {
    if (!DirectoryExists(folder)) {
        throw OperationError(folder + std::string(text::kDoesNotExist));
    }
}

// The container's work, its cancel turned into the step's result.
template <typename Work>
StepResult UntilCancelled(const Work& work) {
    try {
        work();
        return StepResult::Done;
    } catch (const WorkCancelled&) {
        return StepResult::Cancelled;
    }
}

}  // namespace

ByteProgress StepProgress(StepControl& control, WorkPhase phase) {
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    return [&control, phase, started, lastShown = Clock::time_point(),
            lastPercent = -1](const ByteCount& count) mutable {
        const int percent = count.total > 0 ? int(count.done * 100 / count.total) : 0;
        const auto now = Clock::now();
        if (percent != lastPercent || now - lastShown >= std::chrono::milliseconds(100)) {
            lastPercent = percent;
            lastShown = now;
            WorkProgress progress;
            progress.phase = phase;
            progress.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - started);
            progress.phaseElapsed = progress.elapsed;
            progress.outputBytes = count.written;
            progress.percent = std::min(percent, 100);
            control.Report(progress);
        }
        return !control.Cancelled();
    };
}

Step PackStep(std::vector<std::string> sources, std::string destination) {
    return
        [sources = std::move(sources), destination = std::move(destination)](StepControl& control) {
            return UntilCancelled([&] {
                PackFiles(sources, destination, StepProgress(control, WorkPhase::Packing));
            });
        };
}

Step UnpackStep(std::string container, std::string targetFolder) {
    return
        [container = std::move(container), folder = std::move(targetFolder)](StepControl& control) {
            return UntilCancelled([&] {
                UnpackFiles(container, folder, StepProgress(control, WorkPhase::Restoring));
            });
        };
}

StepResult PackIndexJob(const std::string& updateIndexPath, const std::string& targetFolder,
                        StepControl& control) {
    if (!FileExists(updateIndexPath)) {
        throw OperationError(updateIndexPath + std::string(text::kDoesNotExist));
    }
    RequireDirectory(targetFolder);
    return PackStep({updateIndexPath},
                    WithTrailingSeparator(targetFolder) + "updates.upd")(control);
}

StepResult UnpackIndexJob(const std::string& indexPackagePath, const std::string& targetFolder,
                          StepControl& control) {
    RequireDirectory(targetFolder);
    return UnpackStep(indexPackagePath, targetFolder)(control);
}

}  // namespace upd
