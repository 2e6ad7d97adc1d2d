#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "util/FileSystem.h"

namespace updtest {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        std::random_device seed;
        const auto base = fs::temp_directory_path();
        for (;;) {
            path_ = base / ("updtest-" + std::to_string(seed()) + std::to_string(seed()));
            if (fs::create_directory(path_)) {
                break;
            }
        }
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& Path() const { return path_; }
    // A UTF-8 text path of a child.
    std::string operator/(const std::string& name) const {
        return upd::FromPath(path_ / upd::ToPath(name));
    }
    std::string Text() const { return upd::FromPath(path_); }

  private:
    fs::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(upd::ToPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(upd::ToPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        byte = char(generator() & 0xFF);
    }
    return bytes;
}

// Text that compresses like a real update index.
inline std::string XmlLikeText(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string text;
    text.reserve(size + 128);
    while (text.size() < size) {
        text += "  <update name=\"patch" + std::to_string(generator() % 100000) +
                ".upd\" date=\"2026-" + std::to_string(1 + generator() % 12) + "\"/>\n";
    }
    text.resize(size);
    return text;
}

// Names of the entries of a folder, sorted.
inline std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(upd::FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace updtest
