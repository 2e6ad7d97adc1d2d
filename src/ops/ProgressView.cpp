#include "ops/ProgressView.h"

#include <algorithm>
#include <cstdio>

#include "util/Text.h"
#include "util/Texts.h"

namespace upd::form {

namespace {

constexpr std::chrono::seconds kEstimateAfter{2};
constexpr int kEstimateFromPercent = 3;

struct PhaseTexts {
    std::string_view title;  // the progress dialog's
    std::string_view name;
    std::string_view sizeLabel;  // before the bytes written
};

// In WorkPhase's order.
constexpr PhaseTexts kPhases[] = {
    {text::kProgressTitle, text::kPhaseArchiving, text::kProgressSize},
    {text::kProgressTitle, text::kPhaseChecking, text::kProgressSize},
    {text::kPhasePacking, text::kPhasePacking, text::kProgressPackageSize},
    {text::kPhaseRestoring, text::kPhaseRestoring, text::kProgressRestored},
    {text::kPhasePublishing, text::kPhaseHashing, text::kProgressHashed},
    {text::kPhasePublishing, text::kPhasePublishing, text::kProgressPublished}};

PhaseTexts TextsOf(WorkPhase phase) {
    return kPhases[static_cast<std::size_t>(phase)];
}

std::string PercentText(int percent) {
    return std::to_string(percent) + std::string(text::kPercentSign);
}

}  // namespace

std::optional<std::chrono::seconds> TimeLeft(const WorkProgress& progress) {
    std::optional<double> done = progress.work;
    if (!done && progress.percent) {
        done = *progress.percent / 100.0;
    }
    if (!done || *done < kEstimateFromPercent / 100.0 || progress.phaseElapsed < kEstimateAfter) {
        return std::nullopt;
    }
    const double left = progress.phaseElapsed.count() * (1 - std::min(*done, 1.0)) / *done;
    return std::chrono::ceil<std::chrono::seconds>(std::chrono::duration<double, std::milli>(left));
}

ProgressView ViewOf(const WorkProgress& progress) {
    ProgressView view;
    view.title = std::string(TextsOf(progress.phase).title);
    view.phase = std::string(TextsOf(progress.phase).name);
    view.percent = progress.percent;
    if (progress.percent) {
        view.percentText = PercentText(*progress.percent);
    }
    view.elapsed = ProgressElapsedText(progress.elapsed);
    if (const auto left = TimeLeft(progress)) {
        view.timeLeft = std::string(text::kTimeLeft) + ClockText(*left);
    }
    view.size = ProgressSizeText(progress.outputBytes, progress.phase);
    return view;
}

std::string ProgressLine(const WorkProgress& progress) {
    std::string line = std::string(TextsOf(progress.phase).name) + ": ";
    if (progress.percent) {
        line += PercentText(*progress.percent) + ", ";
    }
    line += ClockText(progress.elapsed);
    if (const auto left = TimeLeft(progress)) {
        line += ", " + std::string(text::kTimeLeftShort) + ClockText(*left);
    }
    return line + ", " + SizeText(progress.outputBytes);
}

std::string ClockText(std::chrono::milliseconds time) {
    const long long total = std::chrono::duration_cast<std::chrono::seconds>(time).count();
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    char clock[32];
    if (hours > 0) {
        std::snprintf(clock, sizeof clock, "%lld:%02lld:%02lld", hours, minutes, seconds);
    } else {
        std::snprintf(clock, sizeof clock, "%lld:%02lld", minutes, seconds);
    }
    return clock;
}

std::string ProgressElapsedText(std::chrono::milliseconds elapsed) {
    return std::string(text::kProgressElapsed) + ClockText(elapsed);
}

std::string ProgressSizeText(std::int64_t bytes, WorkPhase phase) {
    return std::string(TextsOf(phase).sizeLabel) + SizeText(bytes);
}

}  // namespace upd::form
