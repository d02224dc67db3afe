#include "session/zo_config.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "platform/platform.h"

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

// TRUE when `text` begins with `prefix`, letters compared without regard to case.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lowerAscii(text[i]) != lowerAscii(prefix[i])) return false;
  }
  return true;
}

// Normalises one raw line into the form that sections and keywords are matched
// against. The text of a line ends at its first zero byte, as it does for
// every zero-terminated text of the system.
//
// Key part: blanks and line feeds are dropped; a "#" before anything was
// copied marks a comment, which keeps only its "#" and so matches nothing.
// The first "=" after the start ends the key part. Value part: leading blanks
// are dropped, line feeds are dropped, and blanks around each "," are
// removed. Trailing blanks of the value stay.
void normalise(const std::string& line, std::string& out) {
  const std::string_view raw(line.c_str());
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

// TRUE when the normalised line opens the section named `section`.
bool opensSection(std::string_view line, std::string_view section) {
  if (line.empty() || line.front() != kSectionOpen) return false;
  const std::string_view name = line.substr(1);
  return startsWithNoCase(name, section) && name.size() > section.size() &&
         name[section.size()] == kSectionClose;
}

// Cheap test before normalising: only a line whose first character other
// than blanks and line feeds is "[" can open a section.
bool mayOpenSection(const std::string& line) {
  for (const char c : line) {
    if (c == kBlank || c == kLineFeed) continue;
    return c == kSectionOpen;
  }
  return false;
}

std::string_view orEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

ZO_BOOLEAN ZoConfig::finish() const { return zoSucceeded(errorCode_); }

void ZoConfig::rewind() {
  std::rewind(file_.get());
  blockPos_ = 0;
  blockEnd_ = 0;
}

bool ZoConfig::refill() {
  if (!block_) block_ = std::make_unique_for_overwrite<char[]>(READ_BLOCK);
  blockEnd_ = std::fread(block_.get(), 1, READ_BLOCK, file_.get());
  blockPos_ = 0;
  return blockEnd_ != 0;
}

int ZoConfig::nextByte() {
  if (blockPos_ == blockEnd_ && !refill()) return EOF;
  return static_cast<unsigned char>(block_[blockPos_++]);
}

// A line ends after its line feed (a carriage return before a line feed is
// part of the line end) or at the end of the file; a last line without a line
// end is a line like any other. The line grows to whatever length the file
// gives it.
bool ZoConfig::readLine(std::string& line) {
  line.clear();
  for (;;) {
    if (blockPos_ == blockEnd_ && !refill()) break;
    // Plain bytes up to a line end or a carriage return.
    const char* begin = block_.get() + blockPos_;
    const std::size_t available = blockEnd_ - blockPos_;
    std::size_t plain = 0;
    while (plain < available && begin[plain] != kLineFeed && begin[plain] != kCarriageReturn) {
      ++plain;
    }
    line.append(begin, plain);
    blockPos_ += plain;
    if (plain == available) continue;

    int c = nextByte();
    if (c == kCarriageReturn) {
      const int next = nextByte();
      if (next == kLineFeed) {
        c = kLineFeed;
      } else if (next != EOF) {
        --blockPos_;  // the byte just read stays unread
      }
    }
    line.push_back(static_cast<char>(c));
    if (c == kLineFeed) break;
  }
  return !line.empty();
}

ZoConfig::ZoConfig() {
  XTR_METHOD("ZoConfig :: ZoConfig", errorCode_);
}

ZoConfig::~ZoConfig() {
  XTR_METHOD("ZoConfig :: ~ZoConfig", errorCode_);
  if (file_) {
    XTR_TEXT("Warning: no file close called before object delete! - closing file");
    file_.reset();
  }
}

ZO_BOOLEAN ZoConfig::open(const ZoString& path) { return open(path.text()); }

ZO_BOOLEAN ZoConfig::open(const char* path) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: open", errorCode_);
  const char* shown = path != nullptr ? path : "";
  XTR_TEXTF("file: <%s>", shown);
  if (file_) {
    errorCode_ = ERR_CONF_FILE_OPEN_ERROR;
    XTR_TEXT("Error: only 1 open file allowed per object!");
    return finish();
  }
  // Binary mode: the reader itself treats CR LF as a line end, on every system.
  // A directory or device is refused as not a regular file.
  const bool readable = path != nullptr && path[0] != '\0';
  std::FILE* file = readable ? platformOpenRegularFile(path, PlatformFileUse::Read) : nullptr;
  if (file == nullptr) {
    errorCode_ = ERR_CONF_FILE_OPEN_ERROR;
    XTR_TEXTF("Error: failed to open <%s>!", shown);
    return finish();
  }
  file_.reset(file);
  return finish();
}

ZO_BOOLEAN ZoConfig::close() {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: close", errorCode_);
  if (!file_) {
    errorCode_ = ERR_CONF_FILE_CLOSE_ERROR;
    XTR_TEXT("Error: no file to close!");
    return finish();
  }
  // A stream is released by fclose even when it reports an error, so it is
  // forgotten either way; keeping it would close it a second time later.
  if (std::fclose(file_.release()) != 0) {
    errorCode_ = ERR_CONF_FILE_CLOSE_ERROR;
    XTR_TEXT("Error: failed to close file!");
  }
  return finish();
}

ZO_BOOLEAN ZoConfig::read(const char* section, const char* keyword, ZoString& value) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: read", errorCode_);
  value = "";
  if (!file_) {
    errorCode_ = ERR_CONF_FILE_NOT_OPEN;
    XTR_TEXT("Error: file not open!");
    return finish();
  }
  const std::string_view sectionName = orEmpty(section);
  const std::string_view keywordName = orEmpty(keyword);
  rewind();

  std::string raw;
  std::string line;
  bool inSection = false;
  while (!inSection && readLine(raw)) {
    if (!mayOpenSection(raw)) continue;
    normalise(raw, line);
    inSection = opensSection(line, sectionName);
  }
  if (!inSection) {
    errorCode_ = ERR_CONF_SECTION_NOT_FOUND;
    XTR_TEXTF("Section <<< %s >>> not present", section != nullptr ? section : "");
    return finish();
  }

  const auto keywordNotFound = [&] {
    errorCode_ = ERR_CONF_KEYWORD_NOT_FOUND;
    XTR_TEXTF("Section %s keyword <<< %s >>> not present", section != nullptr ? section : "",
              keyword != nullptr ? keyword : "");
  };

  std::string found;
  bool haveValue = false;
  while (readLine(raw)) {
    normalise(raw, line);
    if (line.empty()) continue;
    if (line.front() == kSectionOpen) break;  // the section ends
    if (!startsWithNoCase(line, keywordName)) continue;
    if (line.size() == keywordName.size()) {
      // The keyword alone: a later line may still hold it, but the error stays.
      errorCode_ = ERR_CONF_VALUE_NOT_SPECIFIED;
      XTR_TEXT("Error: no = sign following keyword!");
      continue;
    }
    if (line[keywordName.size()] != kEquals) continue;  // a longer word
    if (line.size() == keywordName.size() + 1) {
      errorCode_ = ERR_CONF_VALUE_NOT_SPECIFIED;
      XTR_TEXT("Value not specified after = sign!");
      return finish();
    }
    found = line.substr(keywordName.size() + 1);
    while (!found.empty() && found.back() == kListSeparator && readLine(raw)) {
      normalise(raw, line);
      found += line;
    }
    haveValue = true;
    break;
  }
  // A keyword seen only without "=" keeps ERR_CONF_VALUE_NOT_SPECIFIED.
  if (!haveValue) {
    if (errorCode_ == 0) keywordNotFound();
    return finish();
  }
  if (errorCode_ == 0) {
    value = found.c_str();
    value.trim();
  }
  return finish();
}

ZO_BOOLEAN ZoConfig::read(const char* section, const char* keyword, ZoString& value,
                          ZO_LONG index) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: read (at index)", errorCode_);
  if (!read(section, keyword, value)) {
    // The inner read's exit line has been written; this one repeats its code.
    XTR_TEXT("Error: read failed!");
    return finish();
  }
  const std::string_view list(value.text());
  std::string_view token;
  bool exists = false;
  if (index >= 0) {
    std::size_t start = 0;
    for (ZO_LONG at = 0;; ++at) {
      const std::size_t end = list.find(kListSeparator, start);
      if (at == index) {
        token = list.substr(start, end == std::string_view::npos ? std::string_view::npos
                                                                 : end - start);
        exists = true;
        break;
      }
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  if (!exists || token.empty()) {
    errorCode_ = ERR_CONF_INDEX_INVALID;
    XTR_TEXTF("Token does not exist at specified index %d, end of list <<< %s >>> assumed",
              static_cast<int>(index), keyword != nullptr ? keyword : "");
    return finish();
  }
  value = std::string(token).c_str();
  return finish();
}
