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
// Lines of any length are read whole. The reader never writes. Each read scans the file from the top, so values
// may be read any number of times in any order while the file is open.

#include <cstdio>
#include <memory>
#include <string>

#include "common/error_codes.h"
#include "common/zo_types.h"
#include "defs/zo_string.h"

class ZoConfig : public ZoErrorCodes {
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

  // Internal code of the last operation, 0 = success.
  ZO_ULONG getErrorCode() const { return errorCode_; }

  // TRUE while a file is open.
  ZO_BOOLEAN isOpen() const { return file_ != nullptr ? ZO_TRUE : ZO_FALSE; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // Bytes fetched from the file at a time.
  static constexpr std::size_t READ_BLOCK = 16 * 1024;

  ZO_BOOLEAN finish() const { return errorCode_ == 0 ? ZO_TRUE : ZO_FALSE; }
  // Goes back to the start of the file.
  void rewind();
  // Fetches the next block of the file; false at its end.
  bool refill();
  // The next byte of the file, or EOF.
  int nextByte();
  // Reads the next line, with its line end, into `line`; false at the end of the file.
  bool readLine(std::string& line);

  ZO_ULONG errorCode_ = 0;
  std::unique_ptr<std::FILE, FileCloser> file_;
  // Read-ahead of the file (READ_BLOCK bytes, made at the first read and
  // never cleared: only what was read is looked at): bytes
  // [blockPos_, blockEnd_) of block_ are unread.
  std::unique_ptr<char[]> block_;
  std::size_t blockPos_ = 0;
  std::size_t blockEnd_ = 0;
};
