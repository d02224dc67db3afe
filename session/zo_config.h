#pragma once
// Reader of sectioned keyword=value files (the system's "vexo.ini" and the
// text definition database).
//
//   [Section]
//   Keyword = value
//   List    = first, second,
//             third
//   # a comment line
//
// Sections and keywords match without regard to case, blanks in the keyword
// part are ignored, and a value that ends with "," continues on the next line.
// Lines of any length are read whole. The reader never writes. The file is
// indexed when it is opened, so values may be read any number of times in any
// order while the file is open, each read costing the length of its names and
// value; a file that changes (size or modification time) while it is open is
// indexed again at the next read.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../common/vexo_export.h"
#include "../common/error_codes.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

// Threads: no lock and no shared state: different readers may be used in
// different threads at once, one reader by one thread at a time (every read
// sets its code and its cache).
class VEXO_API ZoConfig : public ZoErrorCodes {
 public:
  // Separates the tokens of a list value.
  static constexpr char LIST_SEPARATOR = ',';

  ZoConfig();
  // Closes a file that is still open.
  ~ZoConfig() override;

  // The object owns its open file.
  ZoConfig(const ZoConfig&) = delete;
  ZoConfig& operator=(const ZoConfig&) = delete;

  // Opens `path` for reading. Fails with ERR_CONF_FILE_OPEN_ERROR when a file
  // is already open (that file stays open) or the file cannot be opened.
  ZO_BOOLEAN open(const char* path);
  ZO_BOOLEAN open(const ZoString& path);

  // Closes the file. Fails with ERR_CONF_FILE_CLOSE_ERROR when no file is open
  // or the close reports an error; the file is released in both cases.
  ZO_BOOLEAN close();

  // Reads the value of `keyword` in `section` into `value`, without leading
  // and trailing blanks; a continued list comes back as one comma-separated
  // text. On failure `value` is empty and the code says why:
  // ERR_CONF_FILE_NOT_OPEN, ERR_CONF_SECTION_NOT_FOUND,
  // ERR_CONF_KEYWORD_NOT_FOUND or ERR_CONF_VALUE_NOT_SPECIFIED.
  ZO_BOOLEAN read(const char* section, const char* keyword, ZoString& value);

  // As read, then keeps only the token at the zero-based `index` of the
  // comma-separated list. A missing or empty token fails with
  // ERR_CONF_INDEX_INVALID and leaves the whole list in `value`; callers walk
  // a list by asking for 0, 1, 2, ... until that code.
  ZO_BOOLEAN read(const char* section, const char* keyword, ZoString& value, ZO_LONG index);

  // The names of the file's sections in the order they open (a name that
  // opens two sections, in any case, once), replacing what `names` held.
  // ERR_CONF_FILE_NOT_OPEN without a file.
  ZO_BOOLEAN sectionNames(std::vector<std::string>& names);

  // Internal code of the last operation, 0 = success.
  ZO_ULONG getErrorCode() const { return errorCode_; }

  // TRUE while a file is open.
  ZO_BOOLEAN isOpen() const { return file_ != nullptr ? ZO_TRUE : ZO_FALSE; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // Bytes fetched from the file at a time while it is indexed.
  static constexpr std::size_t READ_BLOCK = 64 * 1024;

  ZO_BOOLEAN finish() const;
  // Indexes the file again when its size or modification time differ from
  // those it was indexed with.
  void refresh();
  // Reads the whole file into the index.
  bool reindex();
  // The lookup behind both reads: traced as "read", sets the error code and
  // returns the value (trimmed) or null.
  const std::string* readValue(const char* section, const char* keyword);

  ZO_ULONG errorCode_ = 0;
  std::unique_ptr<std::FILE, FileCloser> file_;
  // The index of the open file and the size and time it was made for.
  struct Indexed;
  std::unique_ptr<Indexed> indexed_;
  // The last value read (line and keyword length say which), and the
  // [begin, end) of its tokens once an indexed read asked for them, so that
  // walking a list costs its length once.
  static constexpr std::size_t NO_LINE = static_cast<std::size_t>(-1);
  std::size_t cachedLine_ = NO_LINE;
  std::size_t cachedKeywordSize_ = 0;
  std::string cachedValue_;
  std::vector<std::pair<std::size_t, std::size_t>> cachedTokens_;
  bool tokensReady_ = false;
};
