#include "defs/zo_service_def.h"

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_names.h"

namespace {
constexpr ZoNameTraceLines kNameLines{
    "Name contains invalid characters",
    "Name exceeds maximum length = %d",
    nullptr,
};
}  // namespace

ZoServiceDef::ZoServiceDef(const ZoString& serviceName) {
  XTR_METHOD("ZoServiceDef :: ZoServiceDef()", ERR_NONE);
  if (checkName(serviceName)) serviceName_ = serviceName;
}

ZoServiceDef::ZoServiceDef(const char* serviceName) : ZoServiceDef(ZoString(serviceName)) {}

ZO_BOOLEAN ZoServiceDef::checkName(const ZoString& name) {
  if (zoCheckMessageName(name, kNameLines)) return TRUE;
  return zoSetOutcome(errorCode_, ERR_SVCD_INVALID_NAME);
}

ZO_BOOLEAN ZoServiceDef::setServiceName(const ZoString& name) {
  XTR_METHOD("ZoServiceDef :: setServiceName", ERR_NONE);
  errorCode_ = 0;
  if (!checkName(name)) return FALSE;
  serviceName_ = name;
  return TRUE;
}

void ZoServiceDef::setServiceStep(const ZoString& step) {
  XTR_METHOD("ZoServiceDef :: setServiceStep", ERR_NONE);
  errorCode_ = 0;
  serviceStep_ = step;
}

void ZoServiceDef::setCharacterSet(ZO_LONG characterSet) {
  XTR_METHOD("ZoServiceDef :: setCharacterSet", ERR_NONE);
  errorCode_ = 0;
  characterSet_ = characterSet;
}

void ZoServiceDef::setConnectionManager(const ZoString& connectionManager) {
  XTR_METHOD("ZoServiceDef :: setConnectionManager", ERR_NONE);
  errorCode_ = 0;
  connectionManager_ = connectionManager;
}

void ZoServiceDef::setEncoding(ZO_LONG encoding) {
  XTR_METHOD("ZoServiceDef :: setEncoding", ERR_NONE);
  errorCode_ = 0;
  encoding_ = encoding;
}

void ZoServiceDef::setInboundConnection(const ZoString& connection) {
  XTR_METHOD("ZoServiceDef :: setInboundConnection", ERR_NONE);
  errorCode_ = 0;
  inboundConnection_ = connection;
}

void ZoServiceDef::setOutboundConnection(const ZoString& connection) {
  XTR_METHOD("ZoServiceDef :: setOutboundConnection", ERR_NONE);
  errorCode_ = 0;
  outboundConnection_ = connection;
}

void ZoServiceDef::setSystemName(const ZoString& systemName) {
  XTR_METHOD("ZoServiceDef :: setSystemName", ERR_NONE);
  errorCode_ = 0;
  systemName_ = systemName;
}

void ZoServiceDef::setServiceType(ZO_LONG serviceType) {
  XTR_METHOD("ZoServiceDef :: setServiceType", ERR_NONE);
  errorCode_ = 0;
  serviceType_ = serviceType;
}
