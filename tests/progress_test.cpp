// Reading 7-Zip's progress and what the progress display makes of it.
#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "ops/ArchiveWork.h"
#include "ops/ArchiverProgress.h"
#include "ops/ProgressView.h"
#include "support/TestFiles.h"

namespace {

using namespace std::chrono_literals;
using std::nullopt;
using std::optional;

// One update as 7-Zip writes it: the text, then backspaces, blanks and backspaces that erase it.
std::string Update(const std::string& text) {
    const std::string back(text.size(), '\b');
    return text + back + std::string(text.size(), ' ') + back;
}

// Output captured from 7-Zip 26.02 with -bsp1 into a pipe, in the pieces it arrives in, and
// the percentage and the file being read it leaves.
const struct {
    const char* what;
    std::vector<std::string> pieces;
    optional<int> percent;
    std::string current = "";
} kOutputs[] = {
    {"the banner and the scan, without a percentage",
     {"\n7-Zip (z) 26.02 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-06-25\n"
      " 64-bit locale=C.UTF-8 Threads:2 OPEN_MAX:20000\n\nScanning the drive:\n" +
      Update("  0M Scan ") + "3 files, 60000005 bytes (58 MiB)\n"},
     nullopt},
    {"a: the last update, not yet erased",
     {"\nAdd new data to archive: 3 files, 60000005 bytes (58 MiB)\n\n" + Update("  0%") +
          Update("  0% + descriptor.xml") + "  2% 1 + rand.bin",
      std::string(17, '\b') + std::string(17, ' ') + std::string(17, '\b') + " 12% 1 + rand.bin"},
     12,
     "rand.bin"},
    {"a: the end",
     {Update(" 70% 2 + text.txt") + Update(" 91% 2 + text.txt") +
      "\nFiles read from disk: 3\nArchive size: 30007126 bytes (29 MiB)\nEverything is Ok\n"},
     91,
     "text.txt"},
    {"t: a whole check",
     {"Method = LZMA2:25 7zAES\nSolid = +\nBlocks = 1\n\n" + Update("  0%") + Update("  1%") +
      Update(" 47%") + Update("100%") +
      "Everything is Ok\n\nFiles: 3\nSize:       60000005\nCompressed: 30007126\n"},
     100},
    {"t with a wrong password",
     {Update("  0%") + Update("  0% T rand.bin") + Update("100% T text.txt"),
      "\nSub items Errors: 3\n\nArchives with Errors: 1\n",
      "ERROR: Data Error in encrypted file. Wrong password? : rand.bin\n"},
     100},
    {"updates ended by carriage returns", {"  5% a\r 10% b\r", " 30% c\r\n"}, 30},
    {"a step back is ignored", {Update(" 40% 1 + a . b.c "), " 12% 1 + b"}, 40, "a . b.c"},
    {"over 100 is ignored", {Update(" 40%"), Update("250%") + Update("1000%")}, 40},
    {"garbage",
     {"ERROR: 45% of nothing\n", "abc%\n%%%\n -5%\n12 %\n 7M Scan\n", std::string(5000, '9')},
     nullopt},
    {"7-Zip 9.20 refusing the switch",
     {"\n7-Zip 9.20  Copyright (c) 1999-2010 Igor Pavlov  2010-11-18\n\nError:\n"
      "Incorrect command line\n"},
     nullopt},
};

TEST(ArchiverProgress, ReadsTheLastPercentageHoweverTheOutputIsCut) {
    for (const auto& output : kOutputs) {
        SCOPED_TRACE(output.what);
        upd::ArchiverProgress asArrived;
        for (const std::string& piece : output.pieces) {
            asArrived.Feed(piece);
        }
        EXPECT_EQ(asArrived.Percent(), output.percent);
        EXPECT_EQ(asArrived.Current(), output.current);

        const std::string all =
            std::accumulate(output.pieces.begin(), output.pieces.end(), std::string());
        for (std::size_t cut = 0; cut <= all.size(); ++cut) {
            upd::ArchiverProgress twoReads;
            twoReads.Feed(std::string_view(all).substr(0, cut));
            const optional<int> before = twoReads.Percent();
            twoReads.Feed(std::string_view(all).substr(cut));
            ASSERT_EQ(twoReads.Percent(), output.percent) << "cut at " << cut;
            ASSERT_LE(before.value_or(0), output.percent.value_or(0)) << "cut at " << cut;
        }
    }
}

upd::WorkProgress Progress(upd::WorkPhase phase, optional<int> percent,
                           std::chrono::milliseconds phaseElapsed, optional<double> work = {}) {
    upd::WorkProgress progress;
    progress.work = work;
    progress.elapsed = phaseElapsed + 5s;
    progress.phaseElapsed = phaseElapsed;
    progress.outputBytes = 3'565'158;
    progress.phase = phase;
    progress.percent = percent;
    return progress;
}

TEST(ProgressView, ShowsTheTimeLeftOnceItMeansSomething) {
    using upd::WorkPhase;
    const struct {
        upd::WorkProgress progress;
        std::string timeLeft, line;
    } cases[] = {
        {Progress(WorkPhase::Archiving, nullopt, 7s), "", "Архивиране: 0:12, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 2, 10s), "", "Архивиране: 2 %, 0:15, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 50, 1900ms), "", "Архивиране: 50 %, 0:06, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 3, 2s), "Оставащо време: 1:05",
         "Архивиране: 3 %, 0:07, остава 1:05, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 50, 12300ms), "Оставащо време: 0:13",
         "Архивиране: 50 %, 0:17, остава 0:13, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 10, 1h), "Оставащо време: 9:00:00",
         "Архивиране: 10 %, 1:00:05, остава 9:00:00, 3,4 MB"},
        {Progress(WorkPhase::Checking, 100, 30s), "Оставащо време: 0:00",
         "Проверка на архива: 100 %, 0:35, остава 0:00, 3,4 MB"},
        {Progress(WorkPhase::Checking, nullopt, 30s), "", "Проверка на архива: 0:35, 3,4 MB"},
        {Progress(WorkPhase::Archiving, 50, 10s, 0.2), "Оставащо време: 0:40",  // by the work
         "Архивиране: 50 %, 0:15, остава 0:40, 3,4 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const upd::form::ProgressView view = upd::form::ViewOf(c.progress);
        EXPECT_EQ(view.phase,
                  c.progress.phase == WorkPhase::Checking ? "Проверка на архива" : "Архивиране");
        EXPECT_EQ(view.percent, c.progress.percent);  // absent: a busy bar
        EXPECT_EQ(view.timeLeft, c.timeLeft);
        EXPECT_EQ(view.elapsed, upd::form::ProgressElapsedText(c.progress.elapsed));
        EXPECT_EQ(view.size, "Размер на архива: 3,4 MB");
        EXPECT_EQ(upd::form::ProgressLine(c.progress), c.line);
    }
}

// The step's clock is the control's: a phase starts its own time, the step's goes on; each
// report carries the amounts it was given.
TEST(StepControl, FillsInTheStepsAndThePhasesTimes) {
    std::chrono::steady_clock::time_point now{};
    std::vector<std::string> reports;
    upd::StepControl control(
        [&](const upd::WorkProgress& p) {
            reports.push_back(
                std::to_string(p.elapsed.count()) + " " + std::to_string(p.phaseElapsed.count()) +
                " " + upd::form::ProgressLine(p) + (p.work ? " " + std::to_string(*p.work) : ""));
        },
        [&now] { return now; });
    now += 3s;
    control.Report({7, 100 << 10});
    now += 2s;
    control.BeginPhase(upd::WorkPhase::Checking, {nullopt, 200 << 10});
    now += 4s;
    control.Report({50, 300 << 10, 0.25});
    EXPECT_EQ(reports,
              (std::vector<std::string>{
                  "3000 3000 Архивиране: 7 %, 0:03, остава 0:40, 100 KB",
                  "5000 0 Проверка на архива: 0:05, 200 KB",
                  "9000 4000 Проверка на архива: 50 %, 0:09, остава 0:12, 300 KB 0.250000"}));
    EXPECT_EQ(control.Elapsed(), 9s);
}

// The time done follows each file's cost, whatever the order the archiver reads them in.
TEST(ArchiveWork, WeighsTheInputByTheCostOfTheFileBeingRead) {
    updtest::TempDir dir;
    updtest::WriteBytes(dir / "r.bin", updtest::RandomBytes(64 << 10, 1));
    std::string text;
    while (text.size() < (64u << 10)) {
        text += "INSERT INTO drugs VALUES (" + std::to_string(text.size() * 7919 % 100003) + ");\n";
    }
    updtest::WriteBytes(dir / "t.sql", text);
    upd::StepControl control;
    const auto weighed = upd::WeighFiles(
        dir.Text(), {{"small", 100}, {"r.bin", 64 << 10}, {"t.sql", 64 << 10}}, control);
    ASSERT_TRUE(weighed && weighed->size() == 3);  // the largest first
    EXPECT_NEAR((*weighed)[0].cost, 1, 0.1) << (*weighed)[0].path;
    EXPECT_GT((*weighed)[1].cost, 3) << (*weighed)[1].path;
    EXPECT_NEAR((*weighed)[2].cost, ((*weighed)[0].cost + (*weighed)[1].cost) / 2, 1e-9);
    control.Cancel();
    EXPECT_FALSE(upd::WeighFiles(dir.Text(), {{"r.bin", 64 << 10}}, control));

    const std::vector<upd::WeighedFile> files = {{"r.bin", 100, 1}, {"data/long/t.sql", 100, 5}};
    const struct {
        std::vector<std::pair<optional<int>, std::string>> lines;
        optional<double> done;
    } cases[] = {
        {{{50, "r.bin"}}, 100.0 / 600},
        {{{50, "data/long/t.sql"}, {100, "r.bin"}}, 1},
        {{{25, "r.bin"}, {50, "data . t.sql"}}, 300.0 / 600},  // 7-Zip's shortened name
        {{{50, R"(data\long\t.sql)"}}, 500.0 / 600},           // as on Windows
        {{{50, R"(C:\patch\data\long\t.sql)"}}, 500.0 / 600},  // by its full path
        {{{50, "unknown"}}, 300.0 / 600},                      // the mean cost
        {{{nullopt, "r.bin"}}, nullopt},
    };
    for (const auto& c : cases) {
        upd::ArchiveWork work(files);
        optional<double> done;
        for (const auto& [percent, current] : c.lines) {
            done = work.Done(percent, current);
        }
        ASSERT_EQ(done.has_value(), c.done.has_value());
        EXPECT_NEAR(done.value_or(0), c.done.value_or(0), 1e-9) << c.lines.back().second;
    }
}

// The share of the phase's time: at the whole phase's pace, or at its last quarter's where
// that is slower.
TEST(ArchiveWork, TakesTheSlowerOfTheWholeAndTheRecentPace) {
    const struct {
        std::vector<std::pair<int, std::chrono::milliseconds>> reports;
        double share;
    } cases[] = {
        {{{10, 2s}, {20, 4s}, {40, 8s}}, 0.4},       // a steady pace
        {{{20, 2s}, {40, 4s}, {45, 8s}}, 8.0 / 52},  // slowing down: 44 s left
        {{{10, 4s}, {20, 6s}, {50, 8s}}, 0.5},       // faster of late: the whole's
        {{{10, 4s}, {20, 5s}, {21, 5500ms}}, 0.21},  // the last quarter under 2 s
    };
    for (const auto& c : cases) {
        upd::ArchiveWork work({{"a", 100, 1}});
        optional<double> share;
        for (const auto& [percent, elapsed] : c.reports) {
            share = work.TimeShare(percent, "a", elapsed);
        }
        EXPECT_NEAR(share.value_or(-1), c.share, 1e-9) << c.reports.back().first;
    }
}

TEST(ProgressTexts, ShowMinutesAndSecondsAndTheSizeInKilobytesOrMegabytes) {
    using std::chrono::milliseconds;
    const std::pair<milliseconds, std::string_view> times[] = {
        {milliseconds(0), "Изминало време: 0:00"},
        {milliseconds(7999), "Изминало време: 0:07"},
        {milliseconds(61'000), "Изминало време: 1:01"},
        {milliseconds(3'723'000), "Изминало време: 1:02:03"},
    };
    for (const auto& [elapsed, text] : times) {
        EXPECT_EQ(upd::form::ProgressElapsedText(elapsed), text);
    }
    const std::pair<std::int64_t, std::string_view> sizes[] = {
        {0, "Размер на архива: 0 KB"},
        {1, "Размер на архива: 1 KB"},
        {1024 * 1024 - 1, "Размер на архива: 1024 KB"},
        {1024 * 1024, "Размер на архива: 1,0 MB"},
        {12'897'485, "Размер на архива: 12,3 MB"},
        {10 * 1024 * 1024 - 1, "Размер на архива: 10,0 MB"},
        {std::int64_t(5) << 40, "Размер на архива: 5242880,0 MB"},
    };
    for (const auto& [bytes, text] : sizes) {
        EXPECT_EQ(upd::form::ProgressSizeText(bytes), text);
    }
    EXPECT_EQ(upd::form::ProgressSizeText(1, upd::WorkPhase::Packing), "Размер на пакета: 1 KB");
    EXPECT_EQ(upd::form::ProgressSizeText(1, upd::WorkPhase::Restoring), "Възстановени: 1 KB");
}

}  // namespace
