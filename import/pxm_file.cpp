#include "import/pxm_file.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "common/trace.h"
#include "platform/platform.h"

namespace {

// A byte in the continuation column that does not continue the statement.
bool endsLine(char c) { return c == ' ' || c == '\r' || c == '\n'; }

constexpr char COMMENT_MARK = '*';
// Zero bytes inside a line are read as this byte so that they do not cut it short.
constexpr char NUL_STAND_IN = '\x01';

}  // namespace

PXMFile::PXMFile(const char* name) {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMFile::PXMFile", rc);

  if (name == nullptr) return;
  file_.reset(platformOpenRegularFile(name, PlatformFileUse::Read, &openError_));
  if (!file_) return;

  // The look-ahead of the import needs a stream that can be repositioned, and a
  // name that opens but cannot be read (a directory) is as good as unopened:
  // try one byte, then go back to the start.
  std::fpos_t start;
  if (std::fgetpos(file_.get(), &start) != 0) return;
  const int first = std::fgetc(file_.get());
  if (first == EOF && std::ferror(file_.get())) {
    openError_ = errno;
    return;
  }
  if (std::fsetpos(file_.get(), &start) != 0) return;
  statementStart_ = start;
  mark_ = start;
  status_ = PXM_STATUS_READING;
}

PXMFile::~PXMFile() {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMFile::~PXMFile", rc);
  current_.reset();
  file_.reset();
}

PXMStatement* PXMFile::GetStatement() {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMFile::GetStatement", rc);

  current_.reset();
  if (!file_ || status_ == PXM_STATUS_NOT_OPENED || status_ == PXM_STATUS_READ_ERROR) return nullptr;

  if (std::fgetpos(file_.get(), &statementStart_) != 0) {
    status_ = PXM_STATUS_READ_ERROR;
    return nullptr;
  }

  statementStartLine_ = nextLine_;
  std::string line;
  std::string text;
  bool continued = false;  // the line before carried the continuation mark
  for (;;) {
    const ZO_LONG lineNumber = nextLine_;
    if (!readLine(line)) {
      // End of input or a read error: an unfinished statement is dropped.
      status_ = std::ferror(file_.get()) ? PXM_STATUS_READ_ERROR : PXM_STATUS_END;
      return nullptr;
    }
    if (line[0] == COMMENT_MARK) continue;

    std::size_t length = std::min(line.size(), PXM_TEXT_COLUMNS);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;

    if (continued) {
      if (length < PXM_CONTINUATION_START) break;  // a short continuation line ends the statement
      const std::size_t first = PXM_CONTINUATION_START - 1;
      if (text.size() + (length - first) > PXM_STATEMENT_TEXT_MAX) {
        status_ = PXM_STATUS_READ_ERROR;
        return nullptr;
      }
      text.append(line, first, length - first);
    } else {
      text.assign(line, 0, length);
      statementLine_ = lineNumber;
    }

    continued = line.size() >= PXM_CONTINUATION_COLUMN && !endsLine(line[PXM_CONTINUATION_COLUMN - 1]);
    if (!continued) break;
  }

  current_ = std::make_unique<PXMStatement>(text);
  return current_.get();
}

bool PXMFile::readLine(std::string& line) {
  line.clear();
  std::FILE* file = file_.get();
  int c;
  while ((c = std::getc(file)) != EOF) {
    if (line.size() < PXM_LINE_KEEP) line += c == 0 ? NUL_STAND_IN : static_cast<char>(c);
    if (c == '\n') break;
  }
  if (c == '\n') {
    ++nextLine_;
    return true;
  }
  // A last line without a line feed still counts; a read error loses the line.
  if (line.empty() || std::ferror(file)) return false;
  ++nextLine_;
  return true;
}

void PXMFile::MarkStatement() {
  mark_ = statementStart_;
  markLine_ = statementStartLine_;
}

void PXMFile::ReturnToMark() {
  reposition(mark_);
  nextLine_ = markLine_;
}

void PXMFile::ReturnToStatement() {
  reposition(statementStart_);
  nextLine_ = statementStartLine_;
}

void PXMFile::reposition(const std::fpos_t& position) {
  if (!file_ || status_ == PXM_STATUS_NOT_OPENED || status_ == PXM_STATUS_READ_ERROR) return;
  // Reading after a failed repositioning would hand out statements out of order.
  if (std::fsetpos(file_.get(), &position) != 0) status_ = PXM_STATUS_READ_ERROR;
}
