#pragma once
// The command line of dossa: options anywhere among the words, each in the
// form "--name VALUE" or "--name=VALUE"; "--" ends the options. A word with
// a single leading dash ("-1", "-x=1") is an ordinary word: the tool has no
// one-letter options.

#include <optional>
#include <string>
#include <vector>

struct DossaCommandLine {
  // A word of the command line that is not a global option, in the order given:
  // the command and its operands (option 0), or "--number"/"--list" ('n'/'l')
  // with its NAME=VALUE, which a put keeps in order among its items.
  struct Word {
    char option = 0;
    std::string text;
  };
  std::vector<Word> words;
  std::optional<std::string> server;
  std::optional<std::string> form;
  std::optional<std::string> message;
  std::optional<std::string> format;  // layout: c, cobol or json-schema
  bool json = false;                  // diff: JSON Lines
  bool salvage = false;
  bool repair = false;

  // The command and its operands only.
  std::vector<std::string> operands() const;
  // True when a word is a "--number" or "--list" item.
  bool hasItemOptions() const;
};

// Reads argv[1..argc) into `line`. Returns an empty text, or what is wrong
// with the command line (the tool refuses it with its usage text).
std::string dossaParseCommandLine(int argc, char* argv[], DossaCommandLine& line);

// The definition database that VEXO_INI_PATH's "vexo.ini" names:
// [DefinitionDatabase] DatabaseName, and ServerName unless it is empty or
// "Local" (`server` is then empty). `configured` is false when VEXO_INI_PATH
// is not set; `problem` says why a configuration that is set cannot be used.
struct DossaConfiguredDatabase {
  bool configured = false;
  std::string file;
  std::string server;
  std::string problem;
};
DossaConfiguredDatabase dossaConfiguredDatabase();
