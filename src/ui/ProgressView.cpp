#include "ui/ProgressView.h"

#include "ui/FormDescription.h"
#include "util/Text.h"
#include "util/Texts.h"

namespace upd::form {

namespace {

constexpr std::chrono::seconds kEstimateAfter{2};
constexpr int kEstimateFromPercent = 3;

std::string PhaseText(WorkPhase phase) {
    switch (phase) {
        case WorkPhase::Checking:
            return std::string(text::kPhaseChecking);
        case WorkPhase::Publishing:
            return std::string(text::kPhasePublishing);
        default:
            return std::string(text::kPhaseArchiving);
    }
}

std::string PercentText(int percent) {
    return std::to_string(percent) + std::string(text::kPercentSign);
}

}  // namespace

std::optional<std::chrono::seconds> TimeLeft(const WorkProgress& progress) {
    if (!progress.percent || *progress.percent < kEstimateFromPercent ||
        progress.phaseElapsed < kEstimateAfter) {
        return std::nullopt;
    }
    const int done = *progress.percent;
    const auto left = progress.phaseElapsed * (100 - done) / done;
    return std::chrono::ceil<std::chrono::seconds>(left);
}

ProgressView ViewOf(const WorkProgress& progress) {
    ProgressView view;
    view.phase = PhaseText(progress.phase);
    view.percent = progress.percent;
    if (progress.percent) {
        view.percentText = PercentText(*progress.percent);
    }
    view.elapsed = ProgressElapsedText(progress.elapsed);
    if (const auto left = TimeLeft(progress)) {
        view.timeLeft = std::string(text::kTimeLeft) + ClockText(*left);
    }
    view.size = ProgressSizeText(progress.outputBytes);
    return view;
}

std::string ProgressLine(const WorkProgress& progress) {
    std::string line = PhaseText(progress.phase) + ": ";
    if (progress.percent) {
        line += PercentText(*progress.percent) + ", ";
    }
    line += ClockText(progress.elapsed);
    if (const auto left = TimeLeft(progress)) {
        line += ", " + std::string(text::kTimeLeftShort) + ClockText(*left);
    }
    return line + ", " + SizeText(progress.outputBytes);
}

}  // namespace upd::form
