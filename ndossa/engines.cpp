// The engines this build offers.
#include "ndossa/engine.h"
#include "ndossa/sqlite_engine.h"
#ifdef VEXO_SERVER_ENGINE
#include "ndossa/pg_engine.h"
#endif

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace ndossa {

namespace {
// How long a writer waits for another's write by default, and at most.
constexpr int kDefaultWaitMs = 10000;
constexpr long kMaxWaitMs = 600000;

std::vector<const EngineDriver*>& drivers() {
#ifdef VEXO_SERVER_ENGINE
  static std::vector<const EngineDriver*> list{&sqliteEngineDriver(), &pgEngineDriver()};
#else
  static std::vector<const EngineDriver*> list{&sqliteEngineDriver()};
#endif
  return list;
}
}  // namespace

int engineWaitMilliseconds() {
  const char* text = platformGetEnv("NDOSSA_WAIT_MS");
  if (!text || !*text) return kDefaultWaitMs;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno || *end || value < 0) return kDefaultWaitMs;
  return static_cast<int>(value > kMaxWaitMs ? kMaxWaitMs : value);
}

const EngineDriver* serverEngineDriver() {
#ifdef VEXO_SERVER_ENGINE
  return &pgEngineDriver();
#else
  return nullptr;
#endif
}

std::span<const EngineDriver* const> engineDrivers() { return drivers(); }

void addEngineDriver(const EngineDriver& driver) { drivers().push_back(&driver); }

const EngineDriver* findEngineDriver(std::string_view name) {
  for (const EngineDriver* driver : engineDrivers())
    if (equalsNoCase(driver->name(), name)) return driver;
  return nullptr;
}

}  // namespace ndossa
