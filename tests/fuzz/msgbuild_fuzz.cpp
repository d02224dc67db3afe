// The field read of the document store from a "MsgBuild" document whose items
// come from the input: the field count (entries per field), the longest-entry
// length, the description and format, and the entries of the field list. The
// message is read through the definition database, then every field it names
// and a few names it does not.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "session/zo_session.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

constexpr const char* kMessage = "FUZZMSG";
constexpr std::size_t kMaxEntries = 64;

// A database and a session over it, made once per process.
struct Store {
  Store() {
    const FuzzScratch& scratch = FuzzScratch::instance();
    scratch.write("vexo.ini",
                  "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = defs.ndb\nServerName = Local\n");
    ::setenv("VEXO_INI_PATH", scratch.dir().c_str(), 1);
    ::setenv("NDOSSA_DATA", scratch.dir().c_str(), 1);
    if (DossaInitExtended(0, nullptr) != DOSSA_NOERROR) std::abort();
    if (DossaDbCreate("defs.ndb", zodossa::zoDossaDesign()) != DOSSA_NOERROR) std::abort();
    if (DossaDbOpen("defs.ndb", &db) != DOSSA_NOERROR) std::abort();
    static char program[] = "vexopxm";
    static char* argv[] = {program, nullptr};
    session = std::make_unique<ZoSession>(1, argv);
    if (session->getErrorCode() != 0 || session->getDefinitionDB() == nullptr) std::abort();
  }
  ~Store() {
    session.reset();
    DossaDbClose(db);
    DossaTerm();
  }
  DossaDbHandle db = 0;
  std::unique_ptr<ZoSession> session;
};

DossaStatus putBuilt(DossaDbHandle db, FuzzedDataProvider& input, std::vector<std::string>& entries) {
  using namespace zodossa;
  DossaNoteHandle note = 0;
  DossaStatus s = DossaNoteCreate(db, &note);
  if (s) return s;
  const double fieldCount = input.ConsumeBool() ? 12 : input.ConsumeIntegralInRange<int>(-3, 40);
  const double longest = input.ConsumeBool() ? -1 : input.ConsumeIntegralInRange<int>(-2, 300);
  const std::string description = input.ConsumeRandomLengthString(100);
  const std::string format = input.ConsumeRandomLengthString(12);
  s = DossaItemSetText(note, FORM_ITEM, BUILT_FORM, DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, BUILT_NAME, kMessage, DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, BUILT_DESCRIPTION, description.c_str(), DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, BUILT_FORMAT, format.c_str(), DOSSA_TERMINATED);
  if (!s) s = DossaItemSetNumber(note, BUILT_FIELD_COUNT, &fieldCount);
  if (!s && longest >= 0) s = DossaItemSetNumber(note, BUILT_MAX_ENTRY, &longest);
  while (!s && entries.size() < kMaxEntries && input.remaining_bytes() > 0) {
    entries.push_back(input.ConsumeRandomLengthString(200));
    const char* entry = entries.back().c_str();
    s = entries.size() == 1 ? DossaItemCreateTextList(note, BUILT_FIELD_LIST, entry, DOSSA_TERMINATED)
                            : DossaItemAppendTextList(note, BUILT_FIELD_LIST, entry, DOSSA_TERMINATED, 0);
  }
  if (!s) s = DossaNoteUpdate(note, 0);
  DossaNoteClose(note);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Store store;
  FuzzedDataProvider input(data, size);
  std::vector<std::string> entries;
  // Entries the library refuses (too long a list, say) end the input early;
  // the document is then not saved and the read below finds nothing.
  putBuilt(store.db, input, entries);

  ZoDatabase& db = *store.session->getDefinitionDB();
  ZoMessageDef message(kMessage);
  if (db.read(message)) {
    ZoString alias;
    ZoString name;
    for (ZO_LONG i = 0; i < message.getFieldCount(); ++i) {
      if (!message.getFieldNames(alias, name, i)) std::abort();
      ZoFieldDef field(name);
      db.read(field);
    }
  }
  for (const std::string& entry : entries) {
    ZoFieldDef field(entry.c_str());
    db.read(field);
  }
  ZoFieldDef missing("NOSUCHFIELD");
  db.read(missing);
  db.deleteBuiltMsg(ZoString(kMessage));
  return 0;
}
