#include "defs/zo_security.h"

#include "common/return_codes.h"
#include "common/trace.h"

ZoSecurity::ZoSecurity(const ZoSession& session) : ZoStoreCodes(ERR_SEC_SYS_ERROR), session_(&session) {
  XTR_METHOD("ZoSecurity :: ZoSecurity", errorCode_);
}

