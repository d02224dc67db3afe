#include "session/zo_store_factory.h"

#include <new>

#include "docstore/zo_dossa_database.h"
#include "docstore/zo_dossa_security.h"
#include "session/zo_session.h"
#include "textdb/zo_text_database.h"

namespace {

std::unique_ptr<ZoDatabase> newDossaDatabase(const ZoStoreRequest& request) {
  ZoDossaArguments arguments;
  if (request.kind == ZoSession::KIND_WITH_ARGUMENTS) arguments = {true, request.argc, request.argv};
  return std::unique_ptr<ZoDatabase>(new (std::nothrow) ZoDossaDatabase(request.session, arguments));
}

std::unique_ptr<ZoSecurity> newDossaSecurity(const ZoStoreRequest& request) {
  return std::unique_ptr<ZoSecurity>(new (std::nothrow) ZoDossaSecurity(request.session));
}

std::unique_ptr<ZoDatabase> newTextDatabase(const ZoStoreRequest& request) {
  return std::unique_ptr<ZoDatabase>(new (std::nothrow) ZoTextDatabase(request.session));
}

ZoStoreType storeTypes[] = {
    {"KirraDossa", "Document", newDossaDatabase, newDossaSecurity, true},
    {"Txet", "Text", newTextDatabase, nullptr, false},
    {"SQL", "SQL", nullptr, nullptr, false},
};

}  // namespace

const ZoStoreType* zoFindStoreType(const ZoString& name) {
  for (const ZoStoreType& type : storeTypes)
    if (name.compareNoCase(type.name) == 0) return &type;
  return nullptr;
}

std::vector<const char*> zoDefinitionStoreTypeNames() {
  std::vector<const char*> names;
  for (const ZoStoreType& type : storeTypes)
    if (type.database) names.push_back(type.name);
  return names;
}

ZoStoreType zoRegisterStoreType(const ZoStoreType& type) {
  for (ZoStoreType& entry : storeTypes) {
    if (ZoString(entry.name).compareNoCase(type.name) != 0) continue;
    ZoStoreType previous = entry;
    entry = type;
    return previous;
  }
  return ZoStoreType{type.name, type.label, nullptr, nullptr, false};
}
