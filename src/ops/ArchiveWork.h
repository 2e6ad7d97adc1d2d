#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ops/Step.h"
#include "util/PatchFolderWalk.h"

namespace upd {

// An archiver does not spend its time evenly over its input: 7-Zip stores what does not
// compress several times faster than it compresses text, while its percentage counts input
// bytes. Each file's bytes are weighed by how well a sample of it compresses, so that the
// time left holds whatever the order of the files.

// A file of the patch folder and the archiver's time per byte of it, relative to bytes that
// do not compress.
struct WeighedFile {
    std::string path;  // relative to the folder, '/' between the parts
    std::int64_t size = 0;
    double cost = 1;
};

// The folder's files weighed by how well their first 64 KB compress (zlib's quickest level):
// 1 for bytes that do not compress, up to 5.3 for bytes that vanish. The largest are read
// first, until 16 MB have been read, so that a folder of many files on a slow share costs
// little more than its walk; the rest, and files under 16 KB, which weigh little, get the mean
// cost of those read (that of half-compressible bytes when none was). Absent when cancelled.
std::optional<std::vector<WeighedFile>> WeighFiles(const std::string& folder,
                                                   std::vector<WalkedFile> files,
                                                   const StepControl& control);

// Follows 7-Zip's progress lines over the weighed files.
class ArchiveWork {
  public:
    explicit ArchiveWork(const std::vector<WeighedFile>& files);
    // From the archiver's percentage of its input and the file it named last: the share of
    // the archiving's time done, 0-1, the input read since the last call taken at the cost of
    // that file (of the folder's mean for a name not found). Absent without a percentage.
    std::optional<double> Done(std::optional<int> percent, std::string_view current);
    // The same after elapsed of the phase, as the share of the phase's time spent: from the
    // work done at the pace of the whole phase so far, or at that of its last quarter where
    // that is slower (the archiver slows down as it meets more of the folder's slow bytes
    // than the samples foretold, or as other programs take the processor).
    std::optional<double> TimeShare(std::optional<int> percent, std::string_view current,
                                    std::chrono::milliseconds elapsed);

  private:
    double CostOf(std::string_view shown) const;

    std::unordered_map<std::string, double> costs_;
    std::int64_t totalBytes_ = 0;
    double totalWork_ = 0;
    std::int64_t bytesDone_ = 0;
    double workDone_ = 0;
    std::deque<std::pair<double, double>> history_;  // (ms into the phase, work done)
};

}  // namespace upd
