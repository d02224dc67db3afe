#pragma once
// Creation of the definition and security stores: one table from the
// DatabaseType value of "vexo.ini" to the functions that create its stores.
// The session is the only caller; a store gets from here everything it needs
// and never asks the session back.

#include <memory>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_database.h"
#include "defs/zo_security.h"
#include "defs/zo_string.h"

class ZoSession;

// What a store is created with.
struct ZoStoreRequest {
  const ZoSession& session;  // borrowed, outlives the store
  ZO_LONG kind;              // the session's kind (ZoSession::KIND_*)
  int argc;                  // the program's arguments (kind 2 only)
  char** argv;
  ZoString databaseName;  // the names the store is opened with
  ZoString serverName;
};

// A creator returns the new, unopened store, or null when it cannot be
// allocated. A store that is returned may still report an error code of its
// own (its constructor could not start it); the session checks that first.
using ZoDatabaseCreator = std::unique_ptr<ZoDatabase> (*)(const ZoStoreRequest& request);
using ZoSecurityCreator = std::unique_ptr<ZoSecurity> (*)(const ZoStoreRequest& request);

struct ZoStoreType {
  const char* name;           // the DatabaseType value, compared without regard to case
  const char* label;          // how the trace names a type without a creator: "SQL", "Text"
  ZoDatabaseCreator database;  // null: not offered as a definition database
  ZoSecurityCreator security;  // null: not offered as a security database
  bool readsServerName;        // the section's ServerName applies
};

// The store type of a DatabaseType value, or null for a value that names none.
const ZoStoreType* zoFindStoreType(const ZoString& name);

// The DatabaseType values that name a definition database, in table order.
std::vector<const char*> zoDefinitionStoreTypeNames();

// Replaces the entry of the same name (tests put stores of their own in place
// of the real ones); returns the entry it replaced so that it can be put back.
// A name the table does not hold changes nothing.
ZoStoreType zoRegisterStoreType(const ZoStoreType& type);
