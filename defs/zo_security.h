#pragma once
// The abstract security database, from which the user id and authenticator of
// the current user for a remote system are read. The session creates one
// concrete store and owns it; the store borrows the session.
//
// open, close and read first clear the error code, the database code and the
// text, and return TRUE exactly when the error code is 0 at their end. Codes:
// ERR_SEC_DB_ALREADY_OPEN (second open), ERR_SEC_DB_NOT_OPEN (not open),
// ERR_SEC_DEFN_NOT_FOUND (no definition for the system), ERR_SEC_SYS_ERROR with
// the store's status and text when the store fails.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_security_def.h"
#include "../defs/zo_store_codes.h"
#include "../defs/zo_string.h"

class ZoSession;

// Threads: no lock; a store is used only by the thread that uses its
// session, one call at a time.
class VEXO_API ZoSecurity : protected ZoStoreCodes {
 public:
  ZoSecurity(const ZoSecurity&) = delete;
  ZoSecurity& operator=(const ZoSecurity&) = delete;

  // slot 0
  virtual ~ZoSecurity() = default;
  // slot 1: an empty server name means the local machine.
  virtual ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) = 0;
  // slot 2
  virtual ZO_BOOLEAN close() = 0;
  // slot 3: in, the system name; out, user id and authenticator for it.
  virtual ZO_BOOLEAN read(ZoSecurityDef& definition) = 0;
  // slots 4-6
  virtual ZO_ULONG getErrorCode() const { return errorCode_; }
  virtual ZO_LONG getDbErrorCode() const { return dbErrorCode_; }
  virtual ZoString getDbErrorText() const { return dbErrorText_; }

 protected:
  // Both codes 0, text empty. `session` is borrowed and must outlive the store.
  explicit ZoSecurity(const ZoSession& session);

  const ZoSession& session() const { return *session_; }

 private:
  const ZoSession* session_;
};
