// Code-page conversion by tables (first cut: every entry point answers, nothing converts yet).
#include "common/conversion.h"

#include "common/return_codes.h"

ZO_LONG xxxInitialize() { return static_cast<ZO_LONG>(XEC_CONV_CONTROL_FILE_OPEN); }
ZO_LONG xxxTerminate() { return 0; }
ZO_LONG xcsQueryCCSIDType(ZO_LONG, ZO_LONG*) { return static_cast<ZO_LONG>(XEC_CCSID_NOT_FOUND); }
ZO_LONG xcsConvertString(ZO_LONG, ZO_LONG, const ZO_BYTE*, ZO_LONG, ZO_BYTE*, ZO_LONG*) {
  return XCS_RC_SOURCE_CCSID_UNKNOWN;
}
ZO_LONG xxxOpenConv(const char*, const char*, const char*, const char*, ZO_LONG) { return -1; }
ZO_LONG xxxCodeConv(const ZO_BYTE*, ZO_LONG, ZO_BYTE*, ZO_LONG*, ZO_LONG, ZO_LONG) { return 0; }
