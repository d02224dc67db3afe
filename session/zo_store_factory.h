#pragma once
// Creation of the document-database stores, the one place where the session
// meets the document-store classes.
//
// Each function returns the new, unopened store for `session`, or null with
// `failure` set: ERR_SESS_NO_MEMORY when the object cannot be allocated,
// ERR_SESS_INVALID_DBTYPE when this build has no document store. A store that
// is returned may still report an error code of its own (its constructor
// could not start it); the session checks that before opening it.

#include <memory>

#include "common/zo_types.h"
#include "defs/zo_database.h"
#include "defs/zo_security.h"

class ZoSession;

std::unique_ptr<ZoDatabase> zoNewDossaDatabase(const ZoSession& session, ZO_ULONG& failure);
std::unique_ptr<ZoSecurity> zoNewDossaSecurity(const ZoSession& session, ZO_ULONG& failure);
