#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "ops/Step.h"

namespace upd::form {

// What the progress dialog of a long step shows, the same in both windows.
struct ProgressView {
    std::string title;  // the step's: "Архивиране" for both of the archiver's phases
    std::string phase;  // "Архивиране", "Проверка на архива", "Пакетиране", ...
    std::optional<int> percent;  // the bar's value, 0-100; absent: a busy bar
    std::string percentText;     // "42 %"; empty when the percentage is unknown
    std::string elapsed;         // "Изминало време: 0:07"
    std::string timeLeft;  // "Оставащо време: 0:42"; empty while no estimate means much
    std::string size;  // "Размер на архива: 12,3 MB", or what the phase has written
};

// The time the phase still needs at its pace so far, in whole seconds rounded up: by the
// share of its work done where the step knows it, else by the percentage. Absent without
// either, and before 2 s and 3 %, when a guess would jump about.
std::optional<std::chrono::seconds> TimeLeft(const WorkProgress& progress);

ProgressView ViewOf(const WorkProgress& progress);

// The same on one line for a terminal: "Архивиране: 42 %, 0:12, остава 0:17, 3,4 MB"; the
// percentage and the estimate only when known.
std::string ProgressLine(const WorkProgress& progress);

// "0:07": minutes and seconds, hours in front once there are any.
std::string ClockText(std::chrono::milliseconds time);

// "Изминало време: 0:07" (ClockText).
std::string ProgressElapsedText(std::chrono::milliseconds elapsed);

// "Размер на архива: 12,3 MB" (SizeText), with the phase's own words for what it writes.
std::string ProgressSizeText(std::int64_t bytes, WorkPhase phase = WorkPhase::Archiving);

}  // namespace upd::form
