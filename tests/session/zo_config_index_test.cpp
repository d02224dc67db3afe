// The indexed configuration reader against a plain scan written here: random
// files, random reads, the same answers; and a file changed while it is open.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "session/zo_config.h"
#include "tests/session/scratch_dir.h"

namespace {

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool startsNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && lower(text.substr(0, prefix.size())) == lower(prefix);
}

// The reading rules, applied by scanning the lines from the top on every read.
class ScanReference {
 public:
  explicit ScanReference(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
      std::size_t feed = bytes.find('\n', at);
      std::string raw = bytes.substr(at, feed == std::string::npos ? std::string::npos : feed - at);
      at = feed == std::string::npos ? bytes.size() : feed + 1;
      if (feed != std::string::npos && !raw.empty() && raw.back() == '\r') raw.pop_back();
      lines_.push_back(normal(raw.c_str()));
    }
  }

  // The value, or the error code of the read.
  std::pair<ZO_ULONG, std::string> read(const std::string& section, const std::string& keyword) const {
    std::size_t i = 0;
    for (; i < lines_.size(); ++i) {
      const std::string& l = lines_[i];
      if (l.size() > section.size() + 1 && l[0] == '[' && startsNoCase(l.substr(1), section) &&
          l[section.size() + 1] == ']') {
        break;
      }
    }
    if (i == lines_.size()) return {ERR_CONF_SECTION_NOT_FOUND, ""};
    ZO_ULONG error = 0;
    for (++i; i < lines_.size(); ++i) {
      const std::string& l = lines_[i];
      if (l.empty()) continue;
      if (l[0] == '[') break;
      if (!startsNoCase(l, keyword)) continue;
      if (l.size() == keyword.size()) {
        error = ERR_CONF_VALUE_NOT_SPECIFIED;
        continue;
      }
      if (l[keyword.size()] != '=') continue;
      if (l.size() == keyword.size() + 1) return {ERR_CONF_VALUE_NOT_SPECIFIED, ""};
      std::string value = l.substr(keyword.size() + 1);
      for (std::size_t next = i + 1; next < lines_.size() && value.back() == ','; ++next) {
        value += lines_[next];
      }
      if (error != 0) return {error, ""};
      const std::size_t first = value.find_first_not_of(' ');
      if (first != std::string::npos) {
        value = value.substr(first, value.find_last_not_of(' ') - first + 1);
      }
      return {0, value};
    }
    return {error != 0 ? error : ERR_CONF_KEYWORD_NOT_FOUND, ""};
  }

  std::pair<ZO_ULONG, std::string> read(const std::string& section, const std::string& keyword,
                                        ZO_LONG index) const {
    auto result = read(section, keyword);
    if (result.first != 0) return result;
    std::vector<std::string> tokens(1);
    for (const char c : result.second) {
      if (c == ',') {
        tokens.emplace_back();
      } else {
        tokens.back().push_back(c);
      }
    }
    if (index < 0 || index >= static_cast<ZO_LONG>(tokens.size()) || tokens[index].empty()) {
      return {ERR_CONF_INDEX_INVALID, result.second};
    }
    return {0, tokens[index]};
  }

 private:
  // Key part without blanks up to the first "=" past the line's first byte;
  // value part without leading blanks and without blanks around its commas.
  static std::string normal(const std::string& raw) {
    const std::size_t start = raw.find_first_not_of(' ');
    if (start != std::string::npos && raw[start] == '#') return "#";
    const std::size_t equals = raw.size() > 1 ? raw.find('=', 1) : std::string::npos;
    std::string key;
    for (const char c : raw.substr(0, equals == std::string::npos ? raw.size() : equals + 1)) {
      if (c != ' ') key.push_back(c);
    }
    if (equals == std::string::npos) return key;
    std::vector<std::string> tokens(1);
    for (const char c : raw.substr(equals + 1)) {
      if (c == ',') {
        tokens.emplace_back();
      } else if (c != ' ' || !tokens.back().empty()) {
        tokens.back().push_back(c);
      }
    }
    for (std::size_t t = 0; t + 1 < tokens.size(); ++t) {
      while (!tokens[t].empty() && tokens[t].back() == ' ') tokens[t].pop_back();
    }
    std::string value;
    for (std::size_t t = 0; t < tokens.size(); ++t) value += (t > 0 ? "," : "") + tokens[t];
    return key + value;
  }

  std::vector<std::string> lines_;
};

// Random picks, the same on every run.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : engine_(seed) {}
  std::size_t below(std::size_t n) { return engine_() % n; }
  bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) { return items[below(N)]; }

 private:
  std::mt19937 engine_;
};

// A name longer than the index hashes in one piece, in two spellings.
const std::string kLongName = "Long" + std::string(300, 'n') + "Name";
const std::string kLongNameUpper = "LONG" + std::string(300, 'N') + "NAME";
const char* const kSections[] = {"Base", "BASE", "base", "Bas", "BaseX", "Other", "A]B", "A", "", "S 1", "S1",
                                 kLongName.c_str(), kLongNameUpper.c_str()};
const char* const kKeywords[] = {"Row", "RowCount", "row", "Key", "KEY", "List", "Data Type",
                                 "DataType", "Key=", "K=V", "", "#", "Alone", kLongName.c_str(),
                                 kLongNameUpper.c_str()};
const char* const kValues[] = {"one", " two ", "A , B", "x=y", "", "  ", "last,", "a,,b", "#c", "[v]"};
const char* const kEnds[] = {"\n", "\n", "\n", "\r\n", "\r", ""};

// A file of sections, keywords, comments, continuations and odd bytes; some
// files have long sections (the reader treats short and long ones apart).
std::string randomFile(Dice& dice) {
  std::string file;
  const bool longSections = dice.chance(30);
  const std::size_t lines = longSections ? 40 + dice.below(300) : 1 + dice.below(40);
  for (std::size_t i = 0; i < lines; ++i) {
    std::string line;
    switch (dice.below(longSections ? 90 : 9)) {
      case 0:
      case 1:
        line = std::string(dice.below(2), ' ') + "[" + dice.pick(kSections) + "]" +
               (dice.chance(20) ? "tail]" : "");
        break;
      case 2:
        line = std::string(dice.pick(kKeywords));
        break;
      case 3:
        line = "# " + std::string(dice.pick(kKeywords)) + " = hidden";
        break;
      case 4:
        line = dice.chance(50) ? "" : "   ";
        break;
      case 5:
        line = std::string(dice.pick(kValues)) + ",";
        break;
      case 6:
        line = "[unclosed";
        break;
      default:
        line = std::string(dice.below(2), ' ') + dice.pick(kKeywords) +
               (dice.chance(50) ? " = " : "=") + dice.pick(kValues);
        break;
    }
    if (dice.chance(3)) line.insert(dice.below(line.size() + 1), 1, '\0');
    file += line + dice.pick(kEnds);
  }
  return file;
}

std::string shown(const std::pair<ZO_ULONG, std::string>& answer) {
  return answer.first == 0 ? answer.second
                           : "<" + std::to_string(answer.first) + "> " + answer.second;
}

TEST(ConfigIndex, AnswersAsAScanDoes) {
  ScratchDir scratch;
  const std::string path = scratch.write("random.ini", "");
  ZoConfig config;
  ASSERT_TRUE(config.open(path.c_str()));
  const auto base = std::filesystem::last_write_time(path);
  Dice dice(19u);
  for (int round = 0; round < 400; ++round) {
    // The open file is rewritten: each round also proves the reader notices.
    const std::string bytes = randomFile(dice);
    scratch.write("random.ini", bytes);
    std::filesystem::last_write_time(path, base + std::chrono::seconds(round + 1));
    const ScanReference reference(bytes);
    for (int query = 0; query < 60; ++query) {
      const std::string section = dice.pick(kSections);
      const std::string keyword = dice.pick(kKeywords);
      ZoString value("preset");
      std::pair<ZO_ULONG, std::string> expected;
      if (dice.chance(50)) {
        const auto index = static_cast<ZO_LONG>(dice.below(5)) - 1;
        config.read(section.c_str(), keyword.c_str(), value, index);
        expected = reference.read(section, keyword, index);
      } else {
        config.read(section.c_str(), keyword.c_str(), value);
        expected = reference.read(section, keyword);
      }
      const std::pair<ZO_ULONG, std::string> actual{config.getErrorCode(), value.text()};
      ASSERT_EQ(shown(actual), shown(expected))
          << "round " << round << " [" << section << "] " << keyword << " in\n" << bytes;
    }
  }
}

TEST(ConfigIndex, AFileChangedWhileOpenIsReadAgain) {
  ScratchDir scratch;
  const std::string path = scratch.write("changing.ini", "[S]\nK = old\nL = a,b\n");
  ZoConfig config;
  ASSERT_TRUE(config.open(path.c_str()));
  ZoString value;
  ASSERT_TRUE(config.read("S", "L", value, 1));
  EXPECT_STREQ(value.text(), "b");

  const struct {
    const char* content;
    bool sameSize;  // only the modification time tells
  } changes[] = {
      {"[S]\nK = new\nL = c,d\n", true},
      {"[T]\nK = moved\n", false},
      {"[S]\nK = longer value\nL = e,f,g\n", false},
  };
  const auto base = std::filesystem::last_write_time(path);
  int step = 0;
  for (const auto& change : changes) {
    const std::uintmax_t before = std::filesystem::file_size(path);
    scratch.write("changing.ini", change.content);
    std::filesystem::last_write_time(path, base + std::chrono::seconds(++step));
    EXPECT_EQ(std::filesystem::file_size(path) == before, change.sameSize);
    const ScanReference reference(change.content);
    for (const char* keyword : {"K", "L"}) {
      config.read("S", keyword, value);
      EXPECT_EQ(shown({config.getErrorCode(), value.text()}), shown(reference.read("S", keyword)))
          << change.content;
      config.read("S", keyword, value, 1);
      EXPECT_EQ(shown({config.getErrorCode(), value.text()}),
                shown(reference.read("S", keyword, 1)))
          << change.content;
    }
  }
}

}  // namespace
