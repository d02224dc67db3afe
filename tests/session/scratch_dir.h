#pragma once
// A scratch directory for one test: created fresh, removed with its files at
// the end of the test.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

class ScratchDir {
 public:
  // Short paths (/tmp/vx<pid>_<n>) so that tests can name files within the
  // length limits of configuration values.
  ScratchDir() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("vx" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string dir() const { return path_.string(); }

  // Writes `content` byte for byte to `name` and returns the full path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
  }

 private:
  std::filesystem::path path_;
};
