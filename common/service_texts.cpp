// Texts the trace and the failure report share: formatting, ids, the names of
// the per-process files, times of day and the build date.
#include "common/service_texts.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace {

// Ids above this are reduced modulo kIdModulus.
constexpr long long kIdModulus = 100000;
// A 4-digit file number is the process id modulo this.
constexpr ZO_LONG kFileNumberModulus = 10000;
// Build date of the library; __DATE__ pads a one-digit day with a blank.
constexpr const char kBuildDate[] = __DATE__;

}  // namespace

std::string xtrFormatV(const char* format, va_list args) {
  char small[256];
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
    text.assign(small, static_cast<std::size_t>(n));
  } else if (n >= 0) {
    text.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return text;
}

void xtrAppendF(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  out += xtrFormatV(format, args);
  va_end(args);
}

ZO_LONG xtrNormaliseId(long long id) {
  if (id < 0) id = -id;  // ids are at most 64 bits wide but come from 32-bit values
  if (id >= kIdModulus) id %= kIdModulus;
  return static_cast<ZO_LONG>(id);
}

std::string xrkNamePrefix(const XrkControlBlock& block) {
  return std::string(block.tracePrefix, strnlen(block.tracePrefix, XRK_NAME_PREFIX_LENGTH));
}

std::string xrkProcessFileName(const std::string& prefix, ZO_LONG processId, const char* extension) {
  std::string name = prefix;
  if (prefix.size() == 3) {
    xtrAppendF(name, "%5.5d.%s", static_cast<int>(processId), extension);
  } else {
    xtrAppendF(name, "%4.4d.%s", static_cast<int>(processId % kFileNumberModulus), extension);
  }
  return name;
}

const char* xtrBuildDate() { return kBuildDate; }

std::string xtrTimeOfDay(int* milliseconds) {
  const PlatformClock now = platformNow();
  std::tm local{};
  platformLocalTime(now.seconds, &local);
  if (milliseconds != nullptr) *milliseconds = now.milliseconds;
  std::string text;
  xtrAppendF(text, "%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string xtrDateTime24() {
  std::tm local{};
  platformLocalTime(platformNow().seconds, &local);
  return platformTimeText24(local);
}
