#include "session/zo_store_factory.h"

#include "common/return_codes.h"

// The document store is not part of this build yet: both functions report
// ERR_SESS_INVALID_DBTYPE. Once it is, they create ZoDossaDatabase and
// ZoDossaSecurity with new (std::nothrow) and report ERR_SESS_NO_MEMORY when
// that yields nothing.

std::unique_ptr<ZoDatabase> zoNewDossaDatabase(const ZoSession& /*session*/, ZO_ULONG& failure) {
  failure = ERR_SESS_INVALID_DBTYPE;
  return nullptr;
}

std::unique_ptr<ZoSecurity> zoNewDossaSecurity(const ZoSession& /*session*/, ZO_ULONG& failure) {
  failure = ERR_SESS_INVALID_DBTYPE;
  return nullptr;
}
