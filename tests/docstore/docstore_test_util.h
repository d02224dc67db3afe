#pragma once
// Helpers of the document-store tests: a scratch directory holding real
// databases of the client library and a configuration file, and direct ways
// to put and look at documents behind the store's back.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "tests/support/temp_dir.h"

namespace docstoretest {

using TempDir = vexotest::TempDir;

// One item of a document put directly.
struct Item {
  enum Kind { TEXT, NUMBER, LIST } kind;
  std::string name;
  std::string text;
  double number = 0;
  std::vector<std::string> list;
};
inline Item text(const std::string& name, const std::string& value) { return {Item::TEXT, name, value, 0, {}}; }
inline Item number(const std::string& name, double value) { return {Item::NUMBER, name, "", value, {}}; }
inline Item list(const std::string& name, std::vector<std::string> entries) {
  return {Item::LIST, name, "", 0, std::move(entries)};
}

// The library initialised for the scope of one direct access.
class Library {
 public:
  Library() { EXPECT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR); }
  ~Library() { DossaTerm(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

// An open database for the scope of one direct access.
class Db {
 public:
  explicit Db(const std::string& path) { EXPECT_EQ(DossaDbOpen(path.c_str(), &db_), DOSSA_NOERROR); }
  ~Db() {
    if (db_) DossaDbClose(db_);
  }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  DossaDbHandle get() const { return db_; }

 private:
  Library library_;
  DossaDbHandle db_ = 0;
};

inline void createDatabase(const std::string& path) {
  Library library;
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
}

// Saves a new document of `form`; returns its note id (0 on failure).
inline DossaNoteId put(const std::string& path, const std::string& form, const std::vector<Item>& items) {
  Db db(path);
  DossaNoteHandle note = 0;
  if (DossaNoteCreate(db.get(), &note)) return 0;
  DossaStatus s = DossaItemSetText(note, "FORM", form.c_str(), DOSSA_TERMINATED);
  for (const Item& item : items) {
    if (s) break;
    if (item.kind == Item::TEXT) s = DossaItemSetText(note, item.name.c_str(), item.text.c_str(), DOSSA_TERMINATED);
    if (item.kind == Item::NUMBER) s = DossaItemSetNumber(note, item.name.c_str(), &item.number);
    for (std::size_t j = 0; item.kind == Item::LIST && !s && j < item.list.size(); ++j) {
      s = j == 0 ? DossaItemCreateTextList(note, item.name.c_str(), item.list[j].c_str(), DOSSA_TERMINATED)
                 : DossaItemAppendTextList(note, item.name.c_str(), item.list[j].c_str(), DOSSA_TERMINATED, 0);
    }
  }
  if (!s) s = DossaNoteUpdate(note, 0);
  DossaNoteId id = 0;
  if (!s) DossaNoteGetId(note, &id);
  DossaNoteClose(note);
  return s ? 0 : id;
}

// Note ids of the documents of one form, ascending.
inline std::vector<DossaNoteId> notesOf(const std::string& path, const std::string& form) {
  Db db(path);
  std::vector<DossaNoteId> ids;
  DossaNoteList(db.get(), form.c_str(), 0, 100000, ids);
  return ids;
}

// Every item of a document as "name=value" (numbers as their text, lists joined by "; ").
inline std::string itemText(const std::string& path, DossaNoteId id, const std::string& item) {
  Db db(path);
  DossaNoteHandle note = 0;
  if (DossaNoteOpen(db.get(), id, 0, &note)) return "<no document>";
  std::string out = "<missing>";
  if (DossaItemIsPresent(note, item.c_str(), DOSSA_TERMINATED)) {
    std::vector<char> buffer(DOSSA_MAX_TEXT);
    std::uint16_t n = DossaItemGetText(note, item.c_str(), buffer.data(), static_cast<std::uint16_t>(buffer.size()));
    out.assign(buffer.data(), n);
  }
  DossaNoteClose(note);
  return out;
}

// Writes `text` as dir/vexo.ini and points VEXO_INI_PATH and NDOSSA_DATA at dir.
inline void configure(const TempDir& dir, const std::string& text) {
  std::ofstream(dir.file("vexo.ini")) << text;
  setenv("VEXO_INI_PATH", dir.path().c_str(), 1);
  setenv("NDOSSA_DATA", dir.path().c_str(), 1);
}

// A configuration of a local document database "defs.ndb" (kind 2 sessions read only this).
inline const char* kDefinitionIni =
    "[DefinitionDatabase]\n"
    "DatabaseType = KirraDossa\n"
    "DatabaseName = defs.ndb\n"
    "ServerName = Local\n";

// The same with what a session created without arguments reads besides.
inline const char* kFullIni =
    "[Base]\n"
    "CharacterSet = 850\n"
    "Encoding = Local\n"
    "[DefinitionDatabase]\n"
    "DatabaseType = KirraDossa\n"
    "DatabaseName = defs.ndb\n"
    "ServerName =\n"
    "[SecurityDatabase]\n"
    "DatabaseType = KirraDossa\n"
    "DatabaseName = security.ndb\n"
    "ServerName = LOCAL\n";

}  // namespace docstoretest
