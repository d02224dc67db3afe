#include "defs/zo_database.h"

#include "common/return_codes.h"
#include "common/trace.h"

ZoDatabase::ZoDatabase(const ZoSession& session) : ZoStoreCodes(ERR_DB_SYS_ERROR), session_(&session) {
  XTR_METHOD("ZoDatabase :: ZoDatabase", errorCode_);
}


ZO_BOOLEAN ZoDatabase::listMessageNames(std::vector<ZoString>& names) {
  clearCodes();
  XTR_METHOD("ZoDatabase :: listMessageNames", errorCode_);
  names.clear();
  return fail(ERR_DB_NOT_SUPPORTED);
}
