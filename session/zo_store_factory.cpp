#include "session/zo_store_factory.h"

#include <new>

#include "common/return_codes.h"
#include "docstore/zo_dossa_database.h"
#include "docstore/zo_dossa_security.h"

std::unique_ptr<ZoDatabase> zoNewDossaDatabase(const ZoSession& session, ZO_ULONG& failure) {
  std::unique_ptr<ZoDatabase> database(new (std::nothrow) ZoDossaDatabase(session));
  failure = database ? 0 : ERR_SESS_NO_MEMORY;
  return database;
}

std::unique_ptr<ZoSecurity> zoNewDossaSecurity(const ZoSession& session, ZO_ULONG& failure) {
  std::unique_ptr<ZoSecurity> security(new (std::nothrow) ZoDossaSecurity(session));
  failure = security ? 0 : ERR_SESS_NO_MEMORY;
  return security;
}
