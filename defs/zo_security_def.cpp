#include "defs/zo_security_def.h"

#include "common/trace.h"

ZoSecurityDef::ZoSecurityDef(const ZoString& systemName) : systemName_(systemName) {
  XTR_METHOD("ZoSecurityDef :: ZoSecurityDef", errorCode_);
}

ZoSecurityDef::ZoSecurityDef(const char* systemName) : ZoSecurityDef(ZoString(systemName)) {}

void ZoSecurityDef::setSystemName(const ZoString& systemName) {
  XTR_METHOD("ZoSecurityDef :: setSystemName", errorCode_);
  errorCode_ = 0;
  systemName_ = systemName;
}

void ZoSecurityDef::setUserId(const ZoString& userId) {
  XTR_METHOD("ZoSecurityDef :: setUserId", errorCode_);
  errorCode_ = 0;
  userId_ = userId;
}

void ZoSecurityDef::setAuthenticator(const ZoString& authenticator) {
  XTR_METHOD("ZoSecurityDef :: setAuthenticator", errorCode_);
  errorCode_ = 0;
  authenticator_ = authenticator;
}
