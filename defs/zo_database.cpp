#include "defs/zo_database.h"

#include "common/return_codes.h"
#include "common/trace.h"

ZoDatabase::ZoDatabase(const ZoSession& session) : session_(&session) {
  XTR_METHOD("ZoDatabase :: ZoDatabase", errorCode_);
}

void ZoDatabase::clearCodes() {
  errorCode_ = 0;
  dbErrorCode_ = 0;
  dbErrorText_ = "";
}

ZO_BOOLEAN ZoDatabase::fail(ZO_ULONG errorCode) {
  errorCode_ = errorCode;
  return succeeded();
}

ZO_BOOLEAN ZoDatabase::failSystem(ZO_LONG dbErrorCode, const ZoString& dbErrorText) {
  errorCode_ = ERR_DB_SYS_ERROR;
  dbErrorCode_ = dbErrorCode;
  dbErrorText_ = dbErrorText;
  return FALSE;
}
