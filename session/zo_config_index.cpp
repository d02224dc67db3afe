#include "session/zo_config_index.h"

#include <cstdint>

#include "session/zo_config.h"

namespace {

constexpr char kBlank = ' ';
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kComment = '#';
constexpr char kEquals = '=';
constexpr char kListSeparator = ZoConfig::LIST_SEPARATOR;
constexpr char kSectionOpen = '[';
constexpr char kSectionClose = ']';

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Normalises one line (without its line end) into the form that sections and
// keywords are matched against. The text of a line ends at its first zero
// byte, as it does for every zero-terminated text of the system.
//
// Key part: blanks are dropped; a "#" before anything was copied marks a
// comment, which keeps only its "#" and so matches nothing. The first "="
// after the start ends the key part. Value part: leading blanks are dropped
// and blanks around each "," are removed. Trailing blanks of the value stay.
void normalise(std::string_view raw, std::string& out) {
  out.clear();
  std::size_t i = 0;
  bool inValue = false;
  for (; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == kComment && out.empty()) {
      out.push_back(kComment);
      return;
    }
    if (c == kBlank || c == kLineFeed) continue;
    out.push_back(c);
    if (c == kEquals && i > 0) {
      inValue = true;
      ++i;
      break;
    }
  }
  if (!inValue) return;

  bool skipBlanks = true;  // at the start of the value and after each ","
  for (; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == kLineFeed) continue;
    if (c == kBlank && skipBlanks) continue;
    if (c == kListSeparator) {
      while (!out.empty() && out.back() == kBlank) out.pop_back();
      out.push_back(kListSeparator);
      skipBlanks = true;
      continue;
    }
    skipBlanks = false;
    out.push_back(c);
  }
}

// FNV-1a over the lower-case letters of `name`, continuing from `hash`.
std::uint64_t hashNoCase(std::string_view name, std::uint64_t hash) {
  constexpr std::uint64_t kPrime = 1099511628211ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(lowerAscii(c));
    hash *= kPrime;
  }
  return hash;
}
constexpr std::uint64_t kHashStart = 14695981039346656037ULL;

}  // namespace

std::size_t ZoConfigIndex::NoCaseHash::operator()(std::string_view name) const {
  return static_cast<std::size_t>(hashNoCase(name, kHashStart));
}

bool ZoConfigIndex::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::size_t ZoConfigIndex::KeywordHash::operator()(const KeywordKey& key) const {
  return static_cast<std::size_t>(
      hashNoCase(key.name, kHashStart ^ (static_cast<std::uint64_t>(key.header) * 0x9E3779B97F4A7C15ULL)));
}

bool ZoConfigIndex::KeywordEqual::operator()(const KeywordKey& a, const KeywordKey& b) const {
  return a.header == b.header && NoCaseEqual{}(a.name, b.name);
}

void ZoConfigIndex::clear() {
  sections_.clear();
  keywords_.clear();
  lineStart_.clear();
  text_.clear();
}

std::string_view ZoConfigIndex::line(std::size_t number) const {
  return std::string_view(text_).substr(lineStart_[number],
                                        lineStart_[number + 1] - lineStart_[number]);
}

// A line ends after its line feed (a carriage return right before a line feed
// is part of the line end) or at the end of the file.
void ZoConfigIndex::build(std::string_view bytes) {
  clear();
  text_.reserve(bytes.size());
  std::string normal;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find(kLineFeed, pos);
    std::size_t next = end + 1;
    if (end == std::string_view::npos) {
      end = bytes.size();
      next = end;
    } else if (end > pos && bytes[end - 1] == kCarriageReturn) {
      --end;
    }
    std::string_view raw = bytes.substr(pos, end - pos);
    raw = raw.substr(0, raw.find('\0'));
    normalise(raw, normal);
    lineStart_.push_back(text_.size());
    text_ += normal;
    pos = next;
  }
  lineStart_.push_back(text_.size());
  const std::size_t lines = lineStart_.size() - 1;

  // Every name a line answers to is a prefix of it: a section line answers to
  // each name that a "]" follows, a keyword line to each prefix that an "="
  // follows and to the whole line. The first line for a name is kept.
  keywords_.reserve(lines);
  constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);
  std::size_t header = kNoSection;
  for (std::size_t number = 0; number < lines; ++number) {
    const std::string_view text = line(number);
    if (!text.empty() && text.front() == kSectionOpen) {
      header = number;
      const std::string_view name = text.substr(1);
      for (std::size_t p = name.find(kSectionClose); p != std::string_view::npos;
           p = name.find(kSectionClose, p + 1)) {
        sections_.try_emplace(name.substr(0, p), number);
      }
      continue;
    }
    if (header == kNoSection || text.empty()) continue;
    for (std::size_t p = text.find(kEquals); p != std::string_view::npos;
         p = text.find(kEquals, p + 1)) {
      keywords_.try_emplace(KeywordKey{header, text.substr(0, p)}, number);
    }
    keywords_.try_emplace(KeywordKey{header, text}, number);
  }
}

ZoConfigIndex::Outcome ZoConfigIndex::find(std::string_view section, std::string_view keyword,
                                           std::size_t* line) const {
  const auto opened = sections_.find(section);
  if (opened == sections_.end()) return Outcome::SECTION_NOT_FOUND;
  const auto held = keywords_.find(KeywordKey{opened->second, keyword});
  if (held == keywords_.end()) return Outcome::KEYWORD_NOT_FOUND;
  const std::size_t size = this->line(held->second).size();
  if (size == keyword.size()) return Outcome::KEYWORD_ALONE;
  if (size == keyword.size() + 1) return Outcome::VALUE_NOT_SPECIFIED;
  *line = held->second;
  return Outcome::FOUND;
}

std::string ZoConfigIndex::value(std::size_t number, std::size_t keywordSize) const {
  std::string found(line(number).substr(keywordSize + 1));
  const std::size_t lines = lineStart_.size() - 1;
  for (std::size_t next = number + 1;
       next < lines && !found.empty() && found.back() == kListSeparator; ++next) {
    found += line(next);
  }
  return found;
}

std::size_t ZoConfigIndex::memoryUse() const {
  // Nodes of the two tables: the entry and about two pointers of overhead each.
  constexpr std::size_t kNodeOverhead = 2 * sizeof(void*);
  return text_.capacity() + lineStart_.capacity() * sizeof(std::size_t) +
         sections_.size() * (sizeof(decltype(sections_)::value_type) + kNodeOverhead) +
         sections_.bucket_count() * sizeof(void*) +
         keywords_.size() * (sizeof(decltype(keywords_)::value_type) + kNodeOverhead) +
         keywords_.bucket_count() * sizeof(void*);
}
