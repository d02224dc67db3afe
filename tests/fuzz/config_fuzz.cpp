// Bytes as a configuration file: the reads the session makes, indexed reads
// that walk a list, and reads of sections and keywords named in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "defs/zo_string.h"
#include "session/zo_config.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

struct Key {
  std::string section;
  std::string keyword;
};

// "[section]" lines and the keyword part of "keyword = value" lines of the
// input, so that reads reach what the input holds.
std::vector<Key> keysOf(const std::string& text) {
  std::vector<Key> keys;
  std::string section;
  std::size_t start = 0;
  while (start < text.size() && keys.size() < 16) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() > 2 && line.front() == '[') {
      std::size_t close = line.find(']');
      if (close != std::string::npos) section = line.substr(1, close - 1);
    } else if (std::size_t equals = line.find('='); equals != std::string::npos) {
      keys.push_back({section, line.substr(0, equals)});
    }
  }
  return keys;
}

// A plain read, the first entries of the value as a list (every further
// index walks the same way), an index far past any list, and a negative one.
void readWithIndexes(ZoConfig& config, const char* section, const char* keyword) {
  ZoString value;
  config.read(section, keyword, value);
  for (ZO_LONG index = 0; index < 8; ++index) {
    if (!config.read(section, keyword, value, index)) break;
  }
  config.read(section, keyword, value, 100000);
  config.read(section, keyword, value, -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string path = FuzzScratch::instance().write("vexo.ini", data, size);
  ZoConfig config;
  if (!config.open(path.c_str())) std::abort();
  static const Key fixed[] = {
      {"Base", "CharacterSet"},         {"Base", "Encoding"},
      {"DefinitionDatabase", "DatabaseType"}, {"DefinitionDatabase", "DatabaseName"},
      {"DefinitionDatabase", "ServerName"},   {"SecurityDatabase", "DatabaseType"},
      {"SecurityDatabase", "DatabaseName"},   {"", ""},
  };
  for (const Key& key : fixed) readWithIndexes(config, key.section.c_str(), key.keyword.c_str());
  for (const Key& key : keysOf(std::string(reinterpret_cast<const char*>(data), size))) {
    readWithIndexes(config, key.section.c_str(), key.keyword.c_str());
  }
  if (!config.close()) std::abort();
  return 0;
}
