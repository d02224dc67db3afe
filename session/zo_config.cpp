#include "session/zo_config.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <string>
#include <string_view>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "platform/platform.h"
#include "session/zo_config_index.h"

namespace {

constexpr char kListSeparator = ZoConfig::LIST_SEPARATOR;

std::string_view orEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

struct ZoConfig::Indexed {
  ZoConfigIndex index;
  PlatformFileStamp stamp;
};

ZO_BOOLEAN ZoConfig::finish() const { return zoSucceeded(errorCode_); }

bool ZoConfig::reindex() {
  cachedLine_ = NO_LINE;
  indexed_->index.clear();
  // The stamp is taken first: a change while the file is read shows at the next read.
  if (platformFileStamp(file_.get(), &indexed_->stamp) != 0) indexed_->stamp = PlatformFileStamp{};
  std::rewind(file_.get());
  bool read = false;
  // A file too large for memory is a failed read, not a crash.
  try {
    std::string bytes;
    const auto block = std::make_unique_for_overwrite<char[]>(READ_BLOCK);
    for (;;) {
      const std::size_t got = std::fread(block.get(), 1, READ_BLOCK, file_.get());
      bytes.append(block.get(), got);
      if (got < READ_BLOCK) break;
    }
    read = std::ferror(file_.get()) == 0;
    if (read) indexed_->index.build(bytes);
  } catch (const std::exception&) {
    read = false;
  }
  if (!read) {
    indexed_->index.clear();
    indexed_->stamp = PlatformFileStamp{};  // indexed again at the next read
  }
  return read;
}

void ZoConfig::refresh() {
  PlatformFileStamp now;
  if (platformFileStamp(file_.get(), &now) != 0 || now != indexed_->stamp || indexed_->stamp.size < 0) {
    XTR_TEXT("File changed since it was indexed: indexing it again");
    reindex();
  }
}

ZoConfig::ZoConfig() : indexed_(std::make_unique<Indexed>()) {
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
  if (!reindex()) {
    file_.reset();
    indexed_->index.clear();
    errorCode_ = ERR_CONF_FILE_OPEN_ERROR;
    XTR_TEXTF("Error: failed to read <%s>!", shown);
  }
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
  indexed_->index.clear();
  cachedLine_ = NO_LINE;
  if (std::fclose(file_.release()) != 0) {
    errorCode_ = ERR_CONF_FILE_CLOSE_ERROR;
    XTR_TEXT("Error: failed to close file!");
  }
  return finish();
}

const std::string* ZoConfig::readValue(const char* section, const char* keyword) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: read", errorCode_);
  if (!file_) {
    errorCode_ = ERR_CONF_FILE_NOT_OPEN;
    XTR_TEXT("Error: file not open!");
    return nullptr;
  }
  refresh();
  const std::string_view keywordName = orEmpty(keyword);
  std::size_t line = 0;
  switch (indexed_->index.find(orEmpty(section), keywordName, &line)) {
    case ZoConfigIndex::Outcome::SECTION_NOT_FOUND:
      errorCode_ = ERR_CONF_SECTION_NOT_FOUND;
      XTR_TEXTF("Section <<< %s >>> not present", section != nullptr ? section : "");
      return nullptr;
    case ZoConfigIndex::Outcome::KEYWORD_NOT_FOUND:
      errorCode_ = ERR_CONF_KEYWORD_NOT_FOUND;
      XTR_TEXTF("Section %s keyword <<< %s >>> not present", section != nullptr ? section : "",
                keyword != nullptr ? keyword : "");
      return nullptr;
    case ZoConfigIndex::Outcome::KEYWORD_ALONE:
      errorCode_ = ERR_CONF_VALUE_NOT_SPECIFIED;
      XTR_TEXT("Error: no = sign following keyword!");
      return nullptr;
    case ZoConfigIndex::Outcome::VALUE_NOT_SPECIFIED:
      errorCode_ = ERR_CONF_VALUE_NOT_SPECIFIED;
      XTR_TEXT("Value not specified after = sign!");
      return nullptr;
    case ZoConfigIndex::Outcome::FOUND:
      break;
  }
  if (line != cachedLine_ || keywordName.size() != cachedKeywordSize_) {
    ZoString trimmed(indexed_->index.value(line, keywordName.size()).c_str());
    trimmed.trim();
    cachedValue_ = trimmed.text();
    cachedLine_ = line;
    cachedKeywordSize_ = keywordName.size();
    tokensReady_ = false;
  }
  return &cachedValue_;
}

ZO_BOOLEAN ZoConfig::read(const char* section, const char* keyword, ZoString& value) {
  const std::string* found = readValue(section, keyword);
  value = found != nullptr ? found->c_str() : "";
  return finish();
}

ZO_BOOLEAN ZoConfig::read(const char* section, const char* keyword, ZoString& value,
                          ZO_LONG index) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: read (at index)", errorCode_);
  const std::string* list = readValue(section, keyword);
  if (list == nullptr) {
    value = "";
    // The inner read's exit line has been written; this one repeats its code.
    XTR_TEXT("Error: read failed!");
    return finish();
  }
  if (!tokensReady_) {
    cachedTokens_.clear();
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = list->find(kListSeparator, start);
      cachedTokens_.emplace_back(start, end == std::string::npos ? list->size() : end);
      if (end == std::string::npos) break;
      start = end + 1;
    }
    tokensReady_ = true;
  }
  const bool exists = index >= 0 && static_cast<std::size_t>(index) < cachedTokens_.size();
  if (!exists || cachedTokens_[static_cast<std::size_t>(index)].first ==
                     cachedTokens_[static_cast<std::size_t>(index)].second) {
    value = list->c_str();
    errorCode_ = ERR_CONF_INDEX_INVALID;
    XTR_TEXTF("Token does not exist at specified index %d, end of list <<< %s >>> assumed",
              static_cast<int>(index), keyword != nullptr ? keyword : "");
    return finish();
  }
  const auto [begin, end] = cachedTokens_[static_cast<std::size_t>(index)];
  value = list->substr(begin, end - begin).c_str();
  return finish();
}

ZO_BOOLEAN ZoConfig::sectionNames(std::vector<std::string>& names) {
  errorCode_ = 0;
  XTR_METHOD("ZoConfig :: sectionNames", errorCode_);
  names.clear();
  if (!file_) {
    errorCode_ = ERR_CONF_FILE_NOT_OPEN;
    XTR_TEXT("Error: file not open!");
    return finish();
  }
  refresh();
  for (std::string_view name : indexed_->index.sectionNames()) names.emplace_back(name);
  return finish();
}
