// The engines this build offers.
#include "ndossa/engine.h"
#include "ndossa/sqlite_engine.h"

#include <vector>

namespace ndossa {

namespace {
std::vector<const EngineDriver*>& drivers() {
  static std::vector<const EngineDriver*> list{&sqliteEngineDriver()};
  return list;
}
}  // namespace

std::span<const EngineDriver* const> engineDrivers() { return drivers(); }

void addEngineDriver(const EngineDriver& driver) { drivers().push_back(&driver); }

const EngineDriver* findEngineDriver(std::string_view name) {
  for (const EngineDriver* driver : engineDrivers())
    if (equalsNoCase(driver->name(), name)) return driver;
  return nullptr;
}

}  // namespace ndossa
