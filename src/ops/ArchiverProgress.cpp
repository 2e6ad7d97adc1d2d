#include "ops/ArchiverProgress.h"

namespace upd {

namespace {

// A percentage, a count and the longest path 7-Zip names.
constexpr std::size_t kLongestSegment = 1024;
// Between the percentage and the file being read.
constexpr std::string_view kFileMark = " + ";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool EndsSegment(char c) {
    return c == '\b' || c == '\r' || c == '\n';
}

// The number in "  42%..." or " 100% 3 + name"; absent for any other text.
std::optional<int> LeadingPercent(std::string_view text) {
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    int value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]) && digits < 4; ++at, ++digits) {
        value = value * 10 + (text[at] - '0');
    }
    if (digits == 0 || digits > 3 || at >= text.size() || text[at] != '%') {
        return std::nullopt;
    }
    return value;
}

}  // namespace

void ArchiverProgress::Feed(std::string_view chunk) {
    for (const char c : chunk) {
        Take(c);
    }
    // The last update stays unerased until the next one arrives: read it now. A '%' is
    // written after the digits, so a number cut off by the end of a read is never taken.
    Consider(segment_);
}

void ArchiverProgress::Consider(std::string_view segment) {
    const auto value = LeadingPercent(segment);
    if (value && *value <= 100 && (!percent_ || *value >= *percent_)) {
        percent_ = value;
        if (const std::size_t mark = segment.find(kFileMark); mark != std::string_view::npos) {
            const std::string_view name = segment.substr(mark + kFileMark.size());
            current_ = name.substr(0, name.find_last_not_of(' ') + 1);
        }
    }
}

void ArchiverProgress::Take(char c) {
    if (EndsSegment(c)) {
        EndSegment();
        return;
    }
    if (segment_.size() < kLongestSegment) {
        segment_ += c;
    }
}

void ArchiverProgress::EndSegment() {
    Consider(segment_);
    segment_.clear();
}

std::string WithoutErasedText(std::string_view output) {
    std::string shown;
    shown.reserve(output.size());
    for (const char c : output) {
        if (c != '\b') {
            shown += c;
        } else if (!shown.empty() && shown.back() != '\n') {
            shown.pop_back();
        }
    }
    return shown;
}

}  // namespace upd
