#pragma once
// Directories for tests: created fresh, removed with everything in them when
// the helper goes out of scope.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vexotest {

// The bytes of a file (empty when it cannot be read).
inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// `raw` as a text stream reads it: text files and console output end their
// lines in "\r\n" on Windows; those read as "\n".
inline std::string asText(const std::string& raw) {
#ifdef _WIN32
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
#else
  return raw;
#endif
}

// A fresh directory under the system's temporary directory. Names are short
// (/tmp/vx-XXXXXX) so that tests can put paths into configuration values.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vx-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` byte for byte to `name` and returns the full path.
  std::string write(const std::string& name, std::string_view content) const {
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
  }

  // Names of the files in the directory that end in `extension`.
  std::vector<std::string> filesEndingIn(const std::string& extension) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      const std::string name = entry.path().filename().string();
      if (name.size() >= extension.size() &&
          name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
        names.push_back(name);
      }
    }
    return names;
  }

 private:
  std::string path_;
};

// The same directory seen as a filesystem path, for tests that build paths with "/".
class ScratchDir {
 public:
  ScratchDir() : path_(dir_.path()) {}
  const std::filesystem::path& path() const { return path_; }
  std::string dir() const { return dir_.path(); }
  std::string write(const std::string& name, std::string_view content) const {
    return dir_.write(name, content);
  }

 private:
  TempDir dir_;
  std::filesystem::path path_;
};

}  // namespace vexotest
