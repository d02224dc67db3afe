#include "session/zo_encoding.h"

namespace {

struct EncodingName {
  const char* name;
  ZO_LONG encoding;
  bool hostOnly;
};

// Looked up in this order.
constexpr EncodingName kEncodingNames[] = {
    {"Local", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"Orvix", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"Zentra", ZO_ENCODING_HOST, true},
    {"Windows 95", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"Windows NT", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"HP-UX", ZO_ENCODING_BIG_ENDIAN, false},
    {"Quarn", ZO_ENCODING_BIG_ENDIAN, false},
    {"WIN", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"Windows 3.1", ZO_ENCODING_LITTLE_ENDIAN, false},
    {"Sun Solaris", ZO_ENCODING_BIG_ENDIAN, false},
    {"Sun OS", ZO_ENCODING_BIG_ENDIAN, false},
};

}  // namespace

ZO_LONG zoEncodingOfName(const ZoString& name, ZoEncodingNames names) {
  for (const EncodingName& entry : kEncodingNames) {
    if (entry.hostOnly && names != ZoEncodingNames::PLATFORMS_AND_HOST) continue;
    if (name.compareNoCase(entry.name) == 0) return entry.encoding;
  }
  return 0;
}
