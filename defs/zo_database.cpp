#include "defs/zo_database.h"

#include "common/return_codes.h"
#include "common/trace.h"

ZoDatabase::ZoDatabase(const ZoSession& session) : ZoStoreCodes(ERR_DB_SYS_ERROR), session_(&session) {
  XTR_METHOD("ZoDatabase :: ZoDatabase", errorCode_);
}

