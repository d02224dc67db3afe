#pragma once
// Scratch files for the import tests: each test gets a fresh directory that is
// removed again when the helper goes out of scope.

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "import/user_message.h"
#include "tests/support/temp_dir.h"

namespace import_test {

using ScratchDir = vexotest::ScratchDir;

// A source line: `text`, and when a mark or a sequence number is given, blanks
// up to column 71, `mark` in column 72 and the sequence columns; then a line feed.
inline std::string sourceLine(std::string_view text, char mark = ' ', std::string_view sequence = "") {
  std::string line(text);
  if (mark != ' ' || !sequence.empty()) {
    if (line.size() < 71) line.append(71 - line.size(), ' ');
    line += mark;
    line += sequence;
  }
  line += '\n';
  return line;
}

// A continuation line: 15 blanks, then `text` from column 16.
inline std::string continuationLine(std::string_view text, char mark = ' ') {
  return sourceLine(std::string(15, ' ') + std::string(text), mark);
}

// One map named BIG of `fields` fields F1, F2, ...; each statement takes
// eight lines, six of them continuing a long initial value, and the length
// of field i is i % 100. 100,000 fields make a file of about 50 MB.
inline std::string manyFieldsSource(long fields) {
  const std::string filler = continuationLine("INITIAL='" + std::string(45, 'V') + "',", 'X');
  std::string source = "BIG PXMMAP\n";
  source.reserve(static_cast<std::size_t>(fields) * (73 * 7 + 80));
  for (long i = 1; i <= fields; ++i) {
    source += sourceLine("F" + std::to_string(i) + " PXMFLD POS=(1,1),", 'X');
    for (int j = 0; j < 6; ++j) source += filler;
    source += continuationLine("LENGTH=" + std::to_string(i % 100));
  }
  return source;
}

// A UserMessage whose two streams are scratch files, and what was printed on each.
class CapturedMessages {
 public:
  CapturedMessages() : out_(std::tmpfile()), err_(std::tmpfile()), message_(out_, err_) {}
  ~CapturedMessages() {
    std::fclose(out_);
    std::fclose(err_);
  }
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;

  UserMessage& message() { return message_; }
  std::string out() { return contents(out_); }
  std::string err() { return contents(err_); }

 private:
  static std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
  }

  std::FILE* out_;
  std::FILE* err_;
  UserMessage message_;
};

}  // namespace import_test
