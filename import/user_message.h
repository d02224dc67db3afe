#pragma once
// Every line the import program shows its user: usage, errors and warnings
// with their public return code, one progress line per map and the final
// message.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "common/zo_types.h"

// Kinds of UserMessage::issue.
inline constexpr ZO_LONG USERMSG_USAGE = 1;     // "Usage: " + text, standard output
inline constexpr ZO_LONG USERMSG_ERROR = 2;     // error or warning line(s) for a code, standard error
inline constexpr ZO_LONG USERMSG_PROGRESS = 3;  // "PXM map " + text, standard output
inline constexpr ZO_LONG USERMSG_PLAIN = 99;    // text alone, standard output

// Room for the name of a public return code.
inline constexpr std::size_t USERMSG_NAME_SIZE = 100;

class UserMessage : public ZoErrorCodes {
 public:
  // Lines go to `out` (usage, progress, plain) and `err` (errors, warnings and
  // unknown kinds); both streams are borrowed and must outlive the object.
  explicit UserMessage(std::FILE* out = stdout, std::FILE* err = stderr);
  ~UserMessage() override;

  UserMessage(const UserMessage&) = delete;
  UserMessage& operator=(const UserMessage&) = delete;

  // Prints one message of `kind`. For USERMSG_ERROR, `code` is an internal code
  // whose public return code is printed; a non-zero `reason` (the database's own
  // code) and `text` add a second line. `text` is what kinds 1, 3 and 99 print;
  // null counts as empty. An unknown kind prints "Error: ???".
  void issue(ZO_LONG kind, ZO_ULONG code, ZO_LONG reason, const char* text);

  // Prints the hint lines that follow an error line: two blanks and the
  // text, each on the error stream.
  void hints(const std::vector<std::string>& lines);

  // The stream errors and warnings go to; borrowed.
  std::FILE* errorStream() const { return err_; }

 private:
  void issueCode(ZO_ULONG code, ZO_LONG reason, const char* text);

  std::FILE* out_;
  std::FILE* err_;
};
