#pragma once
// Index of a sectioned keyword file, built once from the file's bytes, that
// answers which line holds a keyword of a section by a hash look-up instead of
// a scan from the top.
//
// The answers are those of a scan of the file: lines are normalised the same
// way (see normalise in the source), a section is opened by the first line
// "[name]" whose name matches without regard to case, its keywords are the
// lines up to the next line that starts with "[", and of these the first line
// that holds the keyword (alone, or followed by "=") wins.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ZoConfigIndex {
 public:
  // How a look-up came out.
  enum class Outcome {
    FOUND,
    SECTION_NOT_FOUND,
    KEYWORD_NOT_FOUND,
    KEYWORD_ALONE,       // the keyword without "="
    VALUE_NOT_SPECIFIED  // the keyword and "=", nothing after it
  };

  ZoConfigIndex() = default;
  // The look-up tables point into the index's own text: neither copied nor moved.
  ZoConfigIndex(const ZoConfigIndex&) = delete;
  ZoConfigIndex& operator=(const ZoConfigIndex&) = delete;

  // Replaces the index by one of the file content `bytes`.
  void build(std::string_view bytes);
  // Forgets the file.
  void clear();

  // Finds the line that holds `keyword` in `section`; on FOUND *line is its number.
  Outcome find(std::string_view section, std::string_view keyword, std::size_t* line) const;

  // The value of a keyword `keywordSize` long that find gave `line` for: the
  // text after its "=", with the following lines appended while it ends with
  // a list separator (to the end of the file at most).
  std::string value(std::size_t line, std::size_t keywordSize) const;

  // The name of each section, in the order of the lines that open them: the
  // part of its line before the first "]", each name once.
  std::vector<std::string_view> sectionNames() const;

  // Bytes the index holds, for measuring.
  std::size_t memoryUse() const;

 private:
  // Hash and equality of names without regard to the case of ASCII letters.
  struct NoCaseHash {
    std::size_t operator()(std::string_view name) const;
  };
  struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // A keyword of the section opened at line `header`.
  struct KeywordKey {
    std::size_t header;
    std::string_view name;
  };
  struct KeywordHash {
    std::size_t operator()(const KeywordKey& key) const;
  };
  struct KeywordEqual {
    bool operator()(const KeywordKey& a, const KeywordKey& b) const;
  };

  static constexpr std::size_t NO_SECTION = static_cast<std::size_t>(-1);
  // Sections of up to this many lines are not given keyword entries.
  static constexpr std::size_t SCANNED_SECTION_LINES = 32;

  std::string_view line(std::size_t number) const;
  // The first line of the section opened at `header` that holds `keyword`,
  // found by going through the section; NO_SECTION when none does.
  std::size_t findByScan(std::size_t header, std::string_view keyword) const;
  // Enters the keywords of the section opened at `header`, whose lines end before `end`.
  void indexKeywords(std::size_t header, std::size_t end);

  // The normalised lines, one after the other; line i is
  // text_[lineStart_[i], lineStart_[i + 1]).
  std::string text_;
  std::vector<std::size_t> lineStart_;
  // Section name -> the first line that opens it.
  std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual> sections_;
  // (opening line, keyword) -> the first line of that section that holds it,
  // for the sections longer than SCANNED_SECTION_LINES (their opening lines).
  std::unordered_set<std::size_t> indexedSections_;
  std::unordered_map<KeywordKey, std::size_t, KeywordHash, KeywordEqual> keywords_;
};
