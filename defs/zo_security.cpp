#include "defs/zo_security.h"

#include "common/return_codes.h"
#include "common/trace.h"

ZoSecurity::ZoSecurity(const ZoSession& session) : session_(&session) {
  XTR_METHOD("ZoSecurity :: ZoSecurity", errorCode_);
}

void ZoSecurity::clearCodes() {
  errorCode_ = 0;
  dbErrorCode_ = 0;
  dbErrorText_ = "";
}

ZO_BOOLEAN ZoSecurity::fail(ZO_ULONG errorCode) {
  errorCode_ = errorCode;
  return succeeded();
}

ZO_BOOLEAN ZoSecurity::failSystem(ZO_LONG dbErrorCode, const ZoString& dbErrorText) {
  errorCode_ = ERR_SEC_SYS_ERROR;
  dbErrorCode_ = dbErrorCode;
  dbErrorText_ = dbErrorText;
  return FALSE;
}
