#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "util/FileSystem.h"

namespace updfuzz {

namespace fs = std::filesystem;

// A broken property: report it and abort so that libFuzzer keeps the input as a crash.
inline void Check(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what.c_str());
        std::abort();
    }
}

// This process's private folder under the temporary directory (TMPDIR), removed at exit.
class Workspace {
  public:
    Workspace() : root_(fs::temp_directory_path() / ("updfuzz-" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const fs::path& Root() const { return root_; }

  private:
    fs::path root_;
};

inline void WriteFile(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    Check(out.good(), "cannot write " + path.string());
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names (UTF-8) of everything directly in folder, sorted; anything but a plain file is
// reported with a trailing "/".
inline std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(upd::FromPath(entry.path().filename()) +
                        (entry.is_regular_file() && !entry.is_symlink() ? "" : "/"));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace updfuzz
