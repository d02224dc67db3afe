#pragma once
// Shared helpers of the client-library tests: a scratch directory, the
// library set up per test, and short ways to make and read documents.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "tests/ndossa/engine_suite.h"
#include "tests/support/temp_dir.h"

namespace dossatest {

using TempDir = vexotest::TempDir;

// Replaces the file's content with `content`.
inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// Search callback that collects the note ids in a std::vector<DossaNoteId>.
inline DossaStatus collect(void* context, const DossaSearchMatch* match, const void*) {
  static_cast<std::vector<DossaNoteId>*>(context)->push_back(match->noteId);
  return DOSSA_NOERROR;
}

// The library initialised for one test, and a new database "test.ndb" in a
// scratch directory, of the engine the test runs with.
class DossaTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    unsetenv("NDOSSA_DATA");
    unsetenv("NDOSSA_USER");
    unsetenv("NDOSSA_WAIT_MS");
    ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
    path_ = dir_.file("test.ndb");
    ASSERT_EQ(DossaDbCreate(path_.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
    ASSERT_EQ(DossaDbOpen(path_.c_str(), &db_), DOSSA_NOERROR);
  }
  void TearDown() override {
    if (db_) DossaDbClose(db_);
    DossaTerm();
  }

  struct Field {
    std::string name;
    std::string text;
  };

  // Saves a new document of the form with text items; returns its note id (0 on failure).
  DossaNoteId put(const std::string& form, const std::vector<Field>& items) {
    DossaNoteHandle note = 0;
    if (DossaNoteCreate(db_, &note)) return 0;
    DossaStatus s = DossaItemSetText(note, "FORM", form.c_str(), DOSSA_TERMINATED);
    for (const Field& f : items)
      if (!s) s = DossaItemSetText(note, f.name.c_str(), f.text.c_str(), DOSSA_TERMINATED);
    if (!s) s = DossaNoteUpdate(note, 0);
    DossaNoteId id = 0;
    if (!s) DossaNoteGetId(note, &id);
    DossaNoteClose(note);
    return s ? 0 : id;
  }

  // The text of one item of a saved document ("<missing>" when absent or unreadable).
  std::string text(DossaNoteId id, const char* item) {
    DossaNoteHandle note = 0;
    if (DossaNoteOpen(db_, id, 0, &note)) return "<missing>";
    std::string out = "<missing>";
    if (DossaItemIsPresent(note, item, DOSSA_TERMINATED)) {
      std::vector<char> buffer(DOSSA_MAX_TEXT);
      std::uint16_t n = DossaItemGetText(note, item, buffer.data(), static_cast<std::uint16_t>(buffer.size()));
      out.assign(buffer.data(), n);
    }
    DossaNoteClose(note);
    return out;
  }

  // Note ids a formula selects, in the order the search gives them.
  std::vector<DossaNoteId> search(const std::string& formula, DossaStatus* status = nullptr) {
    std::vector<DossaNoteId> ids;
    DossaMemHandle compiled = 0;
    DossaStatus s = DossaFormulaCompile(nullptr, 0, formula.c_str(),
                                        static_cast<std::uint32_t>(formula.size()), &compiled,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!s) {
      s = DossaSearch(db_, compiled, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, &collect, &ids,
                      nullptr);
      DossaMemFree(compiled);
    }
    if (status) *status = s;
    return ids;
  }

  TempDir dir_;
  std::string path_;
  DossaDbHandle db_ = 0;
};

}  // namespace dossatest
