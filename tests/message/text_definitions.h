#pragma once
// A session over a text definition database written by the test.
//
//   TextDefinitions defs;
//   defs.add("[ORDER]\nFieldList = CUSTNO\n[CUSTNO]\nDataType = STRING\n");
//   ZoSession& session = defs.session();   // opens vexo.ini and the file
//
// The files live in a fresh short-named directory under /tmp (database names
// are limited to 47 characters), VEXO_INI_PATH points to it while the object
// lives, and everything is removed at the end.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "session/zo_session.h"

class TextDefinitions {
 public:
  TextDefinitions() {
    char pattern[] = "/tmp/vxmXXXXXX";
    const char* made = mkdtemp(pattern);
    if (made != nullptr) dir_ = made;
    const char* old = std::getenv("VEXO_INI_PATH");
    if (old != nullptr) savedIniPath_ = std::make_unique<std::string>(old);
    setenv("VEXO_INI_PATH", dir_.c_str(), 1);
  }
  ~TextDefinitions() {
    session_.reset();
    if (savedIniPath_)
      setenv("VEXO_INI_PATH", savedIniPath_->c_str(), 1);
    else
      unsetenv("VEXO_INI_PATH");
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  TextDefinitions(const TextDefinitions&) = delete;
  TextDefinitions& operator=(const TextDefinitions&) = delete;

  // Appends lines to the definition file (before the session is made).
  void add(const std::string& text) { definitions_ += text; }

  // The session, created on first use (kind 2: only the DefinitionDatabase
  // section is read).
  ZoSession& session() {
    if (!session_) {
      writeFiles();
      session_ = std::make_unique<ZoSession>(1, argv_);
      EXPECT_EQ(session_->getErrorCode(), 0u);
    }
    return *session_;
  }

  // Writes vexo.ini and the definition file, for a session made elsewhere.
  void writeFiles() const {
    write("vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + dir_ +
                          "/defs.txt\nDatabaseType = Txet\n");
    write("defs.txt", definitions_);
  }

  const std::string& dir() const { return dir_; }

 private:
  void write(const std::string& name, const std::string& content) const {
    std::ofstream out(dir_ + "/" + name, std::ios::binary | std::ios::trunc);
    out << content;
  }

  std::string dir_;
  std::string definitions_;
  std::unique_ptr<std::string> savedIniPath_;
  char program_[8] = "vexo";
  char* argv_[2] = {program_, nullptr};
  std::unique_ptr<ZoSession> session_;
};

// A session that could not start (no VEXO_INI_PATH): it has no definition
// database but still keeps its reference lists, which is all that messages
// built without definitions need.
class BareSession {
 public:
  BareSession() {
    const char* old = std::getenv("VEXO_INI_PATH");
    if (old != nullptr) saved_ = std::make_unique<std::string>(old);
    unsetenv("VEXO_INI_PATH");
    session_ = std::make_unique<ZoSession>(1, argv_);
  }
  ~BareSession() {
    session_.reset();
    if (saved_) setenv("VEXO_INI_PATH", saved_->c_str(), 1);
  }
  BareSession(const BareSession&) = delete;
  BareSession& operator=(const BareSession&) = delete;

  ZoSession& session() { return *session_; }

 private:
  std::unique_ptr<std::string> saved_;
  char program_[8] = "vexo";
  char* argv_[2] = {program_, nullptr};
  std::unique_ptr<ZoSession> session_;
};
