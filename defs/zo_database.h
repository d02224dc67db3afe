#pragma once
// The abstract definition database: every other part of the library reads,
// writes and deletes message, service and field definitions through it. The
// session creates one concrete store and owns it; the store borrows the
// session (never deletes it).
//
// Contract of every operation from open to deleteBuiltMsg, and of
// listMessageNames:
//  - it first clears the error code, the database code and the database error
//    text, and returns TRUE exactly when the error code is 0 at its end;
//  - a second open fails, and so does any operation on a store not open;
//  - reads of field definitions, and writes of them, work in the context of
//    the message definition last read or written through the same object
//    (ERR_DB_NO_MSG_DEFN when there is none, for stores that keep fields per
//    message);
//  - write with replace FALSE of an existing definition fails with
//    ERR_DB_DEFN_ALREADY_EXISTS; with replace TRUE it replaces it;
//  - an operation a store cannot perform fails with ERR_DB_NOT_SUPPORTED;
//  - a failure of the underlying store sets ERR_DB_SYS_ERROR, the database
//    code to the store's own status and the text to the store's text for it.
// Destroying an open database closes it (the concrete destructor does that).
//
// The order of the virtual operations is part of the interface. A concrete
// store that overrides some overloads of read/write should bring in the others
// with `using ZoDatabase::read; using ZoDatabase::write;`.

#include <vector>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_field_def.h"
#include "../defs/zo_message_def.h"
#include "../defs/zo_service_def.h"
#include "../defs/zo_store_codes.h"
#include "../defs/zo_string.h"

class ZoSession;

// Threads: no lock; a store is used only by the thread that uses its
// session, one call at a time.
class VEXO_API ZoDatabase : protected ZoStoreCodes {
 public:
  ZoDatabase(const ZoDatabase&) = delete;
  ZoDatabase& operator=(const ZoDatabase&) = delete;

  // slot 0
  virtual ~ZoDatabase() = default;
  // slot 1: makes the store usable; an empty server name means the local machine.
  virtual ZO_BOOLEAN open(const ZoString& databaseName, const ZoString& serverName) = 0;
  // slot 2
  virtual ZO_BOOLEAN close() = 0;
  // slots 3-5: in, the definition's name; out, every other field the store keeps.
  virtual ZO_BOOLEAN read(ZoMessageDef& definition) = 0;
  virtual ZO_BOOLEAN read(ZoServiceDef& definition) = 0;
  virtual ZO_BOOLEAN read(ZoFieldDef& definition) = 0;
  // slots 6-11: the one-argument forms are the two-argument forms with replace
  // FALSE, called through the table.
  virtual ZO_BOOLEAN write(ZoMessageDef& definition, ZO_BOOLEAN replace) = 0;
  virtual ZO_BOOLEAN write(ZoMessageDef& definition) { return write(definition, ZO_FALSE); }
  virtual ZO_BOOLEAN write(ZoServiceDef& definition, ZO_BOOLEAN replace) = 0;
  virtual ZO_BOOLEAN write(ZoServiceDef& definition) { return write(definition, ZO_FALSE); }
  virtual ZO_BOOLEAN write(ZoFieldDef& definition, ZO_BOOLEAN replace) = 0;
  virtual ZO_BOOLEAN write(ZoFieldDef& definition) { return write(definition, ZO_FALSE); }
  // slots 12-15
  virtual ZO_BOOLEAN deleteSvc(const ZoString& serviceName) = 0;
  virtual ZO_BOOLEAN deleteMsg(const ZoString& messageName) = 0;
  // Removes every field definition kept for the message.
  virtual ZO_BOOLEAN deleteMsgFlds(const ZoString& messageName) = 0;
  // Removes what the store keeps as the built form of the message.
  virtual ZO_BOOLEAN deleteBuiltMsg(const ZoString& messageName) = 0;
  // slots 16-18: the outcome of the most recent operation.
  virtual ZO_ULONG getErrorCode() const { return errorCode_; }
  // The store's own status for the last failure (meaningful with ERR_DB_SYS_ERROR).
  virtual ZO_LONG getDbErrorCode() const { return dbErrorCode_; }
  virtual ZoString getDbErrorText() const { return dbErrorText_; }
  // slots 19-21: a unit of work. The writes and deletes made between
  // beginUnit and commitUnit are kept together or not at all; abortUnit drops
  // them (and must follow a failed commitUnit). A store that keeps no units,
  // or does not write, does nothing here and succeeds.
  virtual ZO_BOOLEAN beginUnit() {
    clearCodes();
    return ZO_TRUE;
  }
  virtual ZO_BOOLEAN commitUnit() {
    clearCodes();
    return ZO_TRUE;
  }
  virtual ZO_BOOLEAN abortUnit() {
    clearCodes();
    return ZO_TRUE;
  }
  // slot 22: the names of the message definitions the store holds, each
  // once, in the store's own order, into `names` (what it held is replaced;
  // on failure it is left empty). A store that cannot list them fails with
  // ERR_DB_NOT_SUPPORTED.
  virtual ZO_BOOLEAN listMessageNames(std::vector<ZoString>& names);

 protected:
  // Both codes 0, text empty. `session` is borrowed and must outlive the database.
  explicit ZoDatabase(const ZoSession& session);

  const ZoSession& session() const { return *session_; }

 private:
  const ZoSession* session_;
};
