// The engines this build offers.
#include "ndossa/engine.h"
#include "ndossa/sqlite_engine.h"

namespace ndossa {

std::span<const EngineDriver* const> engineDrivers() {
  static const EngineDriver* const drivers[] = {&sqliteEngineDriver()};
  return drivers;
}

const EngineDriver* findEngineDriver(std::string_view name) {
  for (const EngineDriver* driver : engineDrivers())
    if (equalsNoCase(driver->name(), name)) return driver;
  return nullptr;
}

}  // namespace ndossa
