#pragma once
// Security definition: for one remote system, the user id and authenticator
// with which the current user signs on to it. Nothing is checked. The
// authenticator is held unchanged in memory and never written to the trace.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoSecurityDef {
 public:
  explicit ZoSecurityDef(const ZoString& systemName);
  explicit ZoSecurityDef(const char* systemName);
  ZoSecurityDef(const ZoSecurityDef&) = default;
  ZoSecurityDef& operator=(const ZoSecurityDef&) = default;
  virtual ~ZoSecurityDef() = default;

  // Each clears the code and stores the value.
  void setSystemName(const ZoString& systemName);
  void setUserId(const ZoString& userId);
  void setAuthenticator(const ZoString& authenticator);

  const ZoString& getSystemName() const { return systemName_; }
  const ZoString& getUserId() const { return userId_; }
  const ZoString& getAuthenticator() const { return authenticator_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }

 private:
  ZoString systemName_;
  ZoString userId_;
  ZoString authenticator_;
  ZO_ULONG errorCode_ = 0;
};
