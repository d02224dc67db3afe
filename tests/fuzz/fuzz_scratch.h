#pragma once
// Scratch files for fuzz targets: the code under test reads files by name, so
// each input is written to a file in a directory the process made for itself
// and removes at exit.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

class FuzzScratch {
 public:
  FuzzScratch() {
    // Memory-backed when the machine has it: the files are rewritten per input.
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string pattern = (base / "vexofuzzXXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
  }
  ~FuzzScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  FuzzScratch(const FuzzScratch&) = delete;
  FuzzScratch& operator=(const FuzzScratch&) = delete;

  const std::filesystem::path& dir() const { return dir_; }

  // Writes `size` bytes to `name` in the scratch directory (replacing it) and
  // returns its path.
  std::string write(const std::string& name, const void* data, std::size_t size) const {
    std::string path = (dir_ / name).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();
    return path;
  }
  std::string write(const std::string& name, const std::string& text) const {
    return write(name, text.data(), text.size());
  }

  // The one scratch directory of the process.
  static const FuzzScratch& instance() {
    static const FuzzScratch scratch;
    return scratch;
  }

 private:
  std::filesystem::path dir_;
};
