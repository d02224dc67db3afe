#include "session/zo_config_index.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

// xxHash, compiled into this file (no library to link).
#define XXH_INLINE_ALL
#include <xxhash.h>

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

// XXH3 of the lower-case bytes of `name` under `seed`, folded on the stack a
// piece at a time; a name that fits one piece is hashed in one call, which
// gives the same hash as streaming it. (A piece the size of the hash's own
// buffer also keeps GCC from seeing reads past it in the streaming code.)
std::size_t hashNoCase(std::string_view name, std::uint64_t seed) {
  std::array<char, 256> piece;
  if (name.size() <= piece.size()) {
    std::transform(name.begin(), name.end(), piece.begin(), lowerAscii);
    return static_cast<std::size_t>(XXH3_64bits_withSeed(piece.data(), name.size(), seed));
  }
  XXH3_state_t state{};  // the seeded reset reads the previous seed
  XXH3_64bits_reset_withSeed(&state, seed);
  for (std::size_t at = 0; at < name.size(); at += piece.size()) {
    const std::string_view part = name.substr(at, piece.size());
    std::transform(part.begin(), part.end(), piece.begin(), lowerAscii);
    XXH3_64bits_update(&state, piece.data(), part.size());
  }
  return static_cast<std::size_t>(XXH3_64bits_digest(&state));
}

}  // namespace

std::size_t ZoConfigIndex::NoCaseHash::operator()(std::string_view name) const {
  return hashNoCase(name, 0);
}

bool ZoConfigIndex::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::size_t ZoConfigIndex::KeywordHash::operator()(const KeywordKey& key) const {
  return hashNoCase(key.name, static_cast<std::uint64_t>(key.header));
}

bool ZoConfigIndex::KeywordEqual::operator()(const KeywordKey& a, const KeywordKey& b) const {
  return a.header == b.header && NoCaseEqual{}(a.name, b.name);
}

void ZoConfigIndex::clear() {
  sections_.clear();
  keywords_.clear();
  indexedSections_.clear();
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
  // An editor's UTF-8 byte-order mark is no part of the first line.
  constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
  if (bytes.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK) bytes.remove_prefix(BYTE_ORDER_MARK.size());
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

  // A section line answers to each name that a "]" follows in it; the first
  // line for a name is kept. The keywords of a section are found by going
  // through its lines while it has few of them (its lines lie together, so
  // that costs less than a look-up in a large table); a longer section has
  // its keywords in keywords_ (see indexKeywords).
  std::size_t header = NO_SECTION;
  for (std::size_t number = 0; number <= lines; ++number) {
    const std::string_view text = number < lines ? line(number) : std::string_view();
    if (number < lines && (text.empty() || text.front() != kSectionOpen)) continue;
    if (header != NO_SECTION && number - header - 1 > SCANNED_SECTION_LINES) {
      indexKeywords(header, number);
    }
    if (number == lines) break;
    header = number;
    const std::string_view name = text.substr(1);
    for (std::size_t p = name.find(kSectionClose); p != std::string_view::npos;
         p = name.find(kSectionClose, p + 1)) {
      sections_.try_emplace(name.substr(0, p), number);
    }
  }
}

std::vector<std::string_view> ZoConfigIndex::sectionNames() const {
  // The shortest name a line answers to is its part before the first "]".
  std::vector<std::pair<std::size_t, std::string_view>> opened;
  for (const auto& [name, number] : sections_) opened.emplace_back(number, name);
  std::sort(opened.begin(), opened.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.size() < b.second.size();
  });
  std::vector<std::string_view> names;
  for (std::size_t i = 0; i < opened.size(); ++i) {
    if (i == 0 || opened[i].first != opened[i - 1].first) names.push_back(opened[i].second);
  }
  return names;
}

// A keyword line answers to a keyword without "=" only as its part before its
// first "=" (the whole line when it has none); keywords that hold "=" are rare
// and always looked for by going through the section. The first line for a
// keyword is kept.
void ZoConfigIndex::indexKeywords(std::size_t header, std::size_t end) {
  indexedSections_.insert(header);
  for (std::size_t number = header + 1; number < end; ++number) {
    const std::string_view text = line(number);
    if (text.empty()) continue;
    keywords_.try_emplace(KeywordKey{header, text.substr(0, text.find(kEquals))}, number);
  }
}

std::size_t ZoConfigIndex::findByScan(std::size_t header, std::string_view keyword) const {
  const std::size_t lines = lineStart_.size() - 1;
  for (std::size_t number = header + 1; number < lines; ++number) {
    const std::string_view text = line(number);
    if (text.empty()) continue;
    if (text.front() == kSectionOpen) break;
    if (text.size() >= keyword.size() && NoCaseEqual{}(text.substr(0, keyword.size()), keyword) &&
        (text.size() == keyword.size() || text[keyword.size()] == kEquals)) {
      return number;
    }
  }
  return NO_SECTION;
}

ZoConfigIndex::Outcome ZoConfigIndex::find(std::string_view section, std::string_view keyword,
                                           std::size_t* line) const {
  const auto opened = sections_.find(section);
  if (opened == sections_.end()) return Outcome::SECTION_NOT_FOUND;
  std::size_t number = NO_SECTION;
  if (keyword.find(kEquals) != std::string_view::npos || !indexedSections_.contains(opened->second)) {
    number = findByScan(opened->second, keyword);
  } else if (const auto held = keywords_.find(KeywordKey{opened->second, keyword});
             held != keywords_.end()) {
    number = held->second;
  }
  if (number == NO_SECTION) return Outcome::KEYWORD_NOT_FOUND;
  const std::size_t size = this->line(number).size();
  if (size == keyword.size()) return Outcome::KEYWORD_ALONE;
  if (size == keyword.size() + 1) return Outcome::VALUE_NOT_SPECIFIED;
  *line = number;
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
         keywords_.bucket_count() * sizeof(void*) +
         indexedSections_.size() * (sizeof(std::size_t) + kNodeOverhead) +
         indexedSections_.bucket_count() * sizeof(void*);
}
