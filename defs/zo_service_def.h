#pragma once
// Service definition: a back-end service that messages are sent to (name,
// step, connection type, connection manager, inbound and outbound connections,
// remote system, its character set and numeric encoding). Only the service
// name is checked (the message-name rule); the code of the last failure is
// kept (0 = none).

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_data_types.h"
#include "../defs/zo_string.h"

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoServiceDef {
 public:
  // Stores the name when it passes checkName; otherwise it stays empty and the
  // code is ERR_SVCD_INVALID_NAME.
  explicit ZoServiceDef(const ZoString& serviceName);
  explicit ZoServiceDef(const char* serviceName);
  ZoServiceDef(const ZoServiceDef&) = default;
  ZoServiceDef& operator=(const ZoServiceDef&) = default;
  virtual ~ZoServiceDef() = default;

  // The message-name rule; on failure sets ERR_SVCD_INVALID_NAME.
  ZO_BOOLEAN checkName(const ZoString& name);

  // Clears the code; stores the name if it passes checkName, else keeps the old.
  ZO_BOOLEAN setServiceName(const ZoString& name);
  // Setters without checks: clear the code and store the value.
  void setServiceStep(const ZoString& step);
  void setCharacterSet(ZO_LONG characterSet);
  void setConnectionManager(const ZoString& connectionManager);
  void setEncoding(ZO_LONG encoding);
  void setInboundConnection(const ZoString& connection);
  void setOutboundConnection(const ZoString& connection);
  void setSystemName(const ZoString& systemName);
  // Any value is stored, including ones outside the ZOST_* set.
  void setServiceType(ZO_LONG serviceType);

  const ZoString& getServiceName() const { return serviceName_; }
  const ZoString& getServiceStep() const { return serviceStep_; }
  ZO_LONG getCharacterSet() const { return characterSet_; }
  const ZoString& getConnectionManager() const { return connectionManager_; }
  ZO_LONG getEncoding() const { return encoding_; }
  const ZoString& getInboundConnection() const { return inboundConnection_; }
  const ZoString& getOutboundConnection() const { return outboundConnection_; }
  const ZoString& getSystemName() const { return systemName_; }
  ZO_LONG getServiceType() const { return serviceType_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }

 private:
  ZoString serviceName_;
  ZoString serviceStep_;
  ZO_LONG characterSet_ = 0;
  ZoString connectionManager_;
  ZO_LONG encoding_ = 0;
  ZoString inboundConnection_;
  ZoString outboundConnection_;
  ZoString systemName_;
  ZO_LONG serviceType_ = ZOST_RK;
  ZO_ULONG errorCode_ = 0;
};
