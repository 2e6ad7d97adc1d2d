#include "ops/ArchiveWork.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "util/File.h"
#include "util/FileSystem.h"
#include "util/Text.h"

namespace upd {

namespace {

// Measured with 7-Zip 26 (LZMA2, two threads) on a shared machine: text that zlib's quickest
// level packs to a quarter took 2.8 to 5.6 times as long per byte as random bytes, which it
// stores (median of seven runs 4.2).
constexpr double kCompressibleCost = 4.3;
constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::int64_t kSampledFrom = 16 * 1024;
constexpr std::int64_t kSampleBudget = 16 * 1024 * 1024;
// The recent past: the last quarter of the phase's time, once that is 2 s long.
constexpr double kRecentShare = 0.25;
constexpr double kRecentAtLeast = 2000;  // ms
// 7-Zip shortens a long name in its line to its start and end, joined by this.
constexpr std::string_view kShortened = " . ";

// The compressed share of the sample, 0-1; absent when the file cannot be read.
std::optional<double> CompressedShare(const std::string& path) {
    File file;
    if (file.OpenRead(ToPath(path)) != 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> sample(kSampleBytes);
    const std::size_t read = file.Read(sample.data(), sample.size());
    std::vector<unsigned char> packed(compressBound(uLong(read)));
    uLongf packedSize = uLongf(packed.size());
    if (read == 0 || compress2(packed.data(), &packedSize, sample.data(), uLong(read), 1) != Z_OK) {
        return std::nullopt;
    }
    return std::min(1.0, double(packedSize) / double(read));
}

// Whether 7-Zip's name stands for the path: the path under the folder's own path, or the path
// shortened to its start and end.
bool Names(std::string_view name, std::string_view path) {
    if (name.size() > path.size() && name.ends_with(path) &&
        name[name.size() - path.size() - 1] == '/') {
        return true;
    }
    const std::size_t cut = name.find(kShortened);
    if (cut == std::string_view::npos) {
        return false;
    }
    const std::string_view start = name.substr(0, cut), end = name.substr(cut + kShortened.size());
    return path.size() >= start.size() + end.size() && path.starts_with(start) &&
           path.ends_with(end);
}

}  // namespace

std::optional<std::vector<WeighedFile>> WeighFiles(const std::string& folder,
                                                   std::vector<WalkedFile> files,
                                                   const StepControl& control) {
    std::stable_sort(files.begin(), files.end(),
                     [](const WalkedFile& a, const WalkedFile& b) { return a.size > b.size; });
    std::vector<WeighedFile> weighed;
    std::int64_t sampled = 0;
    double sampledCosts = 0;
    for (const WalkedFile& file : files) {
        if (control.Cancelled()) {
            return std::nullopt;
        }
        std::optional<double> share;
        if (file.size >= kSampledFrom && sampled < kSampleBudget) {
            share = CompressedShare(WithTrailingSeparator(folder) + file.path);
        }
        weighed.push_back({file.path, file.size, share ? 1 + kCompressibleCost * (1 - *share) : 0});
        sampled += share ? std::int64_t(kSampleBytes) : 0;
        sampledCosts += weighed.back().cost;
    }
    const auto read = std::count_if(weighed.begin(), weighed.end(),
                                    [](const WeighedFile& file) { return file.cost > 0; });
    const double mean = read > 0 ? sampledCosts / double(read) : 1 + kCompressibleCost / 2;
    for (WeighedFile& file : weighed) {
        file.cost = file.cost > 0 ? file.cost : mean;
    }
    return weighed;
}

ArchiveWork::ArchiveWork(const std::vector<WeighedFile>& files) {
    for (const WeighedFile& file : files) {
        costs_[file.path] = file.cost;
        totalBytes_ += file.size;
        totalWork_ += double(file.size) * file.cost;
    }
}

std::optional<double> ArchiveWork::Done(std::optional<int> percent, std::string_view current) {
    if (!percent || totalWork_ <= 0) {
        return percent ? std::optional<double>(*percent / 100.0) : std::nullopt;
    }
    const std::int64_t bytes = totalBytes_ * *percent / 100;
    workDone_ += double(std::max<std::int64_t>(bytes - bytesDone_, 0)) * CostOf(current);
    bytesDone_ = std::max(bytes, bytesDone_);
    return std::min(1.0, workDone_ / totalWork_);
}

std::optional<double> ArchiveWork::TimeShare(std::optional<int> percent, std::string_view current,
                                             std::chrono::milliseconds elapsed) {
    const std::optional<double> done = Done(percent, current);
    const double now = double(elapsed.count());
    if (!done || *done <= 0 || now <= 0) {
        return done;
    }
    history_.emplace_back(now, *done);
    while (history_.size() > 2 && history_[1].first <= now * (1 - kRecentShare)) {
        history_.pop_front();
    }
    double left = now * (1 - *done) / *done;
    const auto [then, doneThen] = history_.front();
    if (now - then >= kRecentAtLeast && *done > doneThen) {
        left = std::max(left, (now - then) * (1 - *done) / (*done - doneThen));
    }
    return now / (now + left);
}

double ArchiveWork::CostOf(std::string_view shown) const {
    std::string name(shown);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (const auto found = costs_.find(name); found != costs_.end()) {
        return found->second;
    }
    for (const auto& [path, cost] : costs_) {
        if (Names(name, path)) {
            return cost;
        }
    }
    return totalWork_ / double(std::max<std::int64_t>(totalBytes_, 1));
}

}  // namespace upd
