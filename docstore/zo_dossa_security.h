#pragma once
// The security database kept in the document database: one "Security"
// document per user and remote system, read with decryption:
//   secdef_dossaid   the user's abbreviated name (first key)
//   secdef_sysname   the remote system's name (second key)
//   secdef_userid    the user id on that system
//   secdef_auth      the authenticator on that system
// Both keys are compared exactly, letter case included, on their first 63
// characters. The authenticator is handed to the definition and never traced.
//
// The object borrows its session and owns its adapter, present exactly while
// the database is open.

#include <memory>

#include "common/zo_types.h"
#include "defs/zo_security.h"
#include "docstore/zo_real_dossa_database.h"

class ZoDossaSecurity : public ZoSecurity {
 public:
  explicit ZoDossaSecurity(const ZoSession& session);
  ~ZoDossaSecurity() override;

  // ERR_SEC_DB_ALREADY_OPEN when open. The adapter is created without the
  // program's arguments.
  ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) override;
  // ERR_SEC_DB_NOT_OPEN when not open.
  ZO_BOOLEAN close() override;
  // Fills the user id and authenticator of the current user for the
  // definition's system; a failed read leaves the definition unchanged.
  ZO_BOOLEAN read(ZoSecurityDef& definition) override;

 private:
  // Takes over the adapter's failure of open or read.
  void mapAdapterError();
  ZO_BOOLEAN finish();

  std::unique_ptr<ZoRealDossaDatabase> adapter_;
};
