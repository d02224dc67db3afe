#pragma once
// Shared set-up of the session tests: a scratch directory that holds
// "vexo.ini" and is named by VEXO_INI_PATH for the length of one test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/session/scratch_dir.h"

class SessionFixture : public ::testing::Test {
 protected:
  SessionFixture() { ::setenv("VEXO_INI_PATH", scratch_.dir().c_str(), 1); }
  ~SessionFixture() override { ::unsetenv("VEXO_INI_PATH"); }

  // Writes vexo.ini into the directory named by VEXO_INI_PATH.
  void writeIni(const std::string& content) { scratch_.write("vexo.ini", content); }

  // Writes a text database and returns its full path.
  std::string writeTextDb(const std::string& name, const std::string& content) {
    return scratch_.write(name, content);
  }

  // A DefinitionDatabase section naming a text database file in the directory.
  std::string textDbSection(const std::string& file) {
    return "[DefinitionDatabase]\nDatabaseType = Txet\nDatabaseName = " + scratch_.dir() + "/" +
           file + "\n";
  }

  ScratchDir scratch_;
};
