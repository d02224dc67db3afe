// The user's canonical name and its abbreviated form.

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/dossa_api.h"
#include "ndossa/library_state.h"
#include "platform/platform.h"

namespace {

// Component tag of a canonical name ("CN", "OU", "O", "C"): letters before '='.
constexpr std::size_t kMaxTagLength = 8;
constexpr std::string_view kCommonNameTag = "CN=";

// A component without its tag: "O=Acme" gives "Acme"; text without a tag stays.
std::string_view untagged(std::string_view component) {
  std::size_t equals = component.find('=');
  if (equals == std::string_view::npos || equals == 0 || equals > kMaxTagLength) return component;
  for (std::size_t i = 0; i < equals; ++i) {
    char c = component[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return component;
  }
  return component.substr(equals + 1);
}

}  // namespace

DossaStatus DossaGetUserName(char* name) {
  ndossa::Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!name) return DOSSA_ERR_INVALID_ARGUMENT;
  name[0] = '\0';
  std::string canonical;
  const char* configured = platformGetEnv("NDOSSA_USER");
  if (configured && *configured) {
    canonical = configured;
  } else {
    std::string login = platformLoginName();
    if (login.empty()) return DOSSA_ERR_NO_USER_NAME;
    canonical = std::string(kCommonNameTag) + login;
  }
  if (canonical.size() >= DOSSA_MAXPATH) return DOSSA_ERR_NAME_TOO_LONG;
  std::memcpy(name, canonical.c_str(), canonical.size() + 1);
  return DOSSA_NOERROR;
}

DossaStatus DossaAbbreviate(std::uint16_t /*flags*/, const char* /*templateName*/,
                            const char* name, char* output, std::uint16_t outputSize,
                            std::uint16_t* outputLength) {
  ndossa::Call call;
  if (outputLength) *outputLength = 0;
  if (output && outputSize > 0) output[0] = '\0';
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!name || !output) return DOSSA_ERR_INVALID_ARGUMENT;
  std::string_view full(name, strnlen(name, DOSSA_MAX_TEXT + 1));
  if (full.size() > DOSSA_MAX_TEXT) return DOSSA_ERR_NAME_TOO_LONG;
  std::string result;
  for (std::size_t start = 0;;) {
    std::size_t slash = full.find('/', start);
    std::string_view component =
        full.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (start > 0) result += '/';
    result += untagged(component);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (result.size() >= outputSize) return DOSSA_ERR_BUFFER_TOO_SMALL;
  std::memcpy(output, result.c_str(), result.size() + 1);
  if (outputLength) *outputLength = static_cast<std::uint16_t>(result.size());
  return DOSSA_NOERROR;
}
