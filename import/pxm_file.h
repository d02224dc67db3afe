#pragma once
// Reader of a screen-map source file: hands out one statement at a time and
// can go back to the start of a statement for a look-ahead.
//
// Line layout, columns counted from 1: "*" in column 1 marks a comment line;
// columns 1-71 hold the statement text; a character other than blank, CR or LF
// in column 72 continues the statement on the next line, whose text is taken
// from column 16 to 71; columns 73 and beyond are ignored. A physical line is
// one line however long it is: it ends at a line feed (a carriage return before
// it is dropped like the line feed), and only its first PXM_LINE_KEEP bytes are
// kept, the rest is read and dropped. The file is read in binary mode, so the
// same bytes give the same statements on every system; a zero byte is read as
// 0x01, so it does not cut the line short.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "common/zo_types.h"
#include "import/pxm_statement.h"

inline constexpr std::size_t PXM_TEXT_COLUMNS = 71;         // last column of statement text
inline constexpr std::size_t PXM_CONTINUATION_COLUMN = 72;  // column of the continuation mark
inline constexpr std::size_t PXM_CONTINUATION_START = 16;   // first text column of a continuation line
inline constexpr std::size_t PXM_LINE_KEEP = 80;            // bytes of a physical line looked at
static_assert(PXM_LINE_KEEP >= PXM_CONTINUATION_COLUMN, "the continuation column must be kept");
// A statement whose joined text would grow beyond this is refused as unreadable
// input rather than allowed to take all memory.
inline constexpr std::size_t PXM_STATEMENT_TEXT_MAX = 16u * 1024u * 1024u;

// Values of GetStatus.
inline constexpr ZO_LONG PXM_STATUS_READING = 0;     // open and reading
inline constexpr ZO_LONG PXM_STATUS_NOT_OPENED = 1;  // the file could not be opened for reading
inline constexpr ZO_LONG PXM_STATUS_END = 2;         // end of input reached
// The file stopped being readable: a read or positioning error, or a statement
// longer than PXM_STATEMENT_TEXT_MAX. No further statement is returned.
inline constexpr ZO_LONG PXM_STATUS_READ_ERROR = 3;

class PXMFile {
 public:
  // Opens the named file for binary reading. A name that cannot be opened, a
  // directory and a stream that cannot be repositioned (a pipe) give status
  // PXM_STATUS_NOT_OPENED; nothing is printed.
  explicit PXMFile(const char* name);
  // Closes the file and deletes the current statement.
  ~PXMFile();

  PXMFile(const PXMFile&) = delete;
  PXMFile& operator=(const PXMFile&) = delete;

  ZO_LONG GetStatus() const { return status_; }
  // Why the file could not be opened: an errno value, PLATFORM_NOT_REGULAR_FILE
  // for a directory or device, or 0 (opened, or refused for another reason).
  int GetOpenError() const { return openError_; }
  // Physical line (from 1, every line of the file counted) on which the
  // statement last returned begins; 0 before the first one.
  ZO_LONG GetLineNumber() const { return statementLine_; }

  // Returns the next statement, or null at end of input or after a read error
  // (see GetStatus). The statement belongs to the reader and is deleted by the
  // next call: callers must not keep it. A statement cut short by the end of
  // the input is dropped.
  PXMStatement* GetStatement();

  // Remembers the start of the statement last returned.
  void MarkStatement();
  // Puts the file back to the remembered start.
  void ReturnToMark();
  // Puts the file back to the start of the last GetStatement, so that the next
  // call reads the same statement (or the end of input) again.
  void ReturnToStatement();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  void reposition(const std::fpos_t& position);
  // Reads the next physical line into `line` (see the top of this file).
  // Returns false when nothing was read: end of input or a read error.
  bool readLine(std::string& line);

  std::unique_ptr<PXMStatement> current_;
  ZO_LONG status_ = PXM_STATUS_NOT_OPENED;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::fpos_t statementStart_{};
  std::fpos_t mark_{};
  int openError_ = 0;
  // Line counting follows the positions: the number of the next physical line
  // to read, and that number at statementStart_ and at mark_.
  ZO_LONG nextLine_ = 1;
  ZO_LONG statementStartLine_ = 1;
  ZO_LONG markLine_ = 1;
  ZO_LONG statementLine_ = 0;
};
