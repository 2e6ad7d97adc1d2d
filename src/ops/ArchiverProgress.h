#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace upd {

// Reads the percentage from what 7-Zip writes with -bsp1: "  7% + file", each update erased
// with backspaces (or, from other builds, carriage returns) before the next. Fed the output
// in whatever pieces it arrives, it keeps the last whole percentage 0-100; anything else,
// a value over 100 and a step back are ignored. It keeps as well the file named after the
// percentage ("  7% 2 + data/a.bin": the file being read).
class ArchiverProgress {
  public:
    void Feed(std::string_view chunk);
    // Absent until the archiver has reported a percentage.
    std::optional<int> Percent() const { return percent_; }
    // Empty until the archiver has named a file.
    const std::string& Current() const { return current_; }

  private:
    void Take(char c);
    void EndSegment();
    void Consider(std::string_view segment);

    // The text since the last control character, up to a long path's length.
    std::string segment_;
    std::optional<int> percent_;
    std::string current_;
};

// The output as a terminal shows it: each backspace takes back the character before it on
// its line, so that erased progress updates leave nothing behind.
std::string WithoutErasedText(std::string_view output);

}  // namespace upd
