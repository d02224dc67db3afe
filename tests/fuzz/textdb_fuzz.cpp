// Bytes as a text definition database: service, message and field reads of
// the sections the input names and of a few fixed names, and of every field a
// message read lists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "defs/zo_service_def.h"
#include "session/zo_session.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "textdb/zo_text_database.h"

namespace {

std::vector<std::string> sectionsOf(const std::string& text) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while ((at = text.find('[', at)) != std::string::npos && names.size() < 12) {
    std::size_t close = text.find(']', at);
    if (close == std::string::npos) break;
    names.push_back(text.substr(at + 1, close - at - 1));
    at = close;
  }
  return names;
}

struct Fixture {
  Fixture() {
    ::unsetenv("VEXO_INI_PATH");
    session = std::make_unique<ZoSession>(0, nullptr);
  }
  std::unique_ptr<ZoSession> session;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  std::string path = FuzzScratch::instance().write("defs.txt", data, size);
  ZoTextDatabase db(*fixture.session);
  if (!db.open(ZoString(path.c_str()), ZoString("ignored"))) std::abort();

  std::vector<std::string> names = sectionsOf(std::string(reinterpret_cast<const char*>(data), size));
  for (const char* name : {"ORDERSVC", "ORDERMSG", "CUSTNO", "QTY"}) names.emplace_back(name);
  // Each name once: a second read of the same name takes the same path.
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) {
    ZoServiceDef service(name.c_str());
    db.read(service);
    ZoFieldDef field(name.c_str());
    db.read(field);
    ZoMessageDef message(name.c_str());
    db.read(message);
    ZoString alias;
    ZoString fieldName;
    for (ZO_LONG index = 0; index < message.getFieldCount() && index < 16; ++index) {
      if (!message.getFieldNames(alias, fieldName, index)) std::abort();
      ZoFieldDef listed(fieldName);
      db.read(listed);
    }
  }
  if (!db.close()) std::abort();
  return 0;
}
