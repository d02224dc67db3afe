#include "docstore/zo_dossa_security.h"

#include <new>

#include "common/return_codes.h"
#include "common/trace.h"
#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_stored_forms.h"

using namespace zodossa;

ZoDossaSecurity::ZoDossaSecurity(const ZoSession& session) : ZoSecurity(session) {
  XTR_METHOD("ZoDossaSecurity :: ZoDossaSecurity", errorCode_);
}

ZoDossaSecurity::~ZoDossaSecurity() {
  XTR_METHOD("ZoDossaSecurity :: ~ZoDossaSecurity", errorCode_);
  adapter_.reset();
}

void ZoDossaSecurity::mapAdapterError() {
  ZO_ULONG code = adapter_->getErrorCode();
  switch (code) {
    case ERR_RDBD_DOSSA_ERROR:
      errorCode_ = ERR_SEC_SYS_ERROR;
      dbErrorCode_ = static_cast<ZO_LONG>(adapter_->getLibraryStatus());
      break;
    case ERR_RDBD_SERVER_UNKNOWN:
    case ERR_RDBD_DATABASE_UNKNOWN:
      errorCode_ = ERR_SEC_DATABASE_UNKNOWN;
      break;
    case ERR_RDBD_SECURITY_FAILURE:
      errorCode_ = ERR_SEC_SECURITY_FAILURE;
      break;
    case ERR_RDBD_SERVER_NOT_RESPONDING:
      errorCode_ = ERR_SEC_SERVER_NOT_RESPONDING;
      break;
    case ERR_RDBD_DEFN_NOT_FOUND:
      errorCode_ = ERR_SEC_DEFN_NOT_FOUND;
      break;
    case ERR_RDBD_NO_MEMORY:
      errorCode_ = ERR_SEC_NO_MEMORY;
      break;
    case ERR_RDBD_INCOMPATIBLE_DATABASE:
      errorCode_ = ERR_SEC_INCOMPATIBLE_DATABASE;
      break;
    default:
      errorCode_ = code;
  }
}

ZO_BOOLEAN ZoDossaSecurity::finish() {
  if (adapter_) dbErrorText_ = adapter_->getMsgString(static_cast<ZO_ULONG>(dbErrorCode_));
  return succeeded();
}

ZO_BOOLEAN ZoDossaSecurity::open(const ZoString& databaseName, const ZoString& serverName) {
  XTR_METHOD("ZoDossaSecurity :: open", errorCode_);
  clearCodes();
  if (adapter_) return fail(ERR_SEC_DB_ALREADY_OPEN);
  adapter_.reset(new (std::nothrow) ZoRealDossaDatabase(serverName, databaseName));
  if (!adapter_) return fail(ERR_SEC_NO_MEMORY);
  if (adapter_->getErrorCode() != 0) {
    mapAdapterError();
    finish();
    adapter_.reset();
    return FALSE;
  }
  return finish();
}

ZO_BOOLEAN ZoDossaSecurity::close() {
  XTR_METHOD("ZoDossaSecurity :: close", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_SEC_DB_NOT_OPEN);
  adapter_.reset();
  return TRUE;
}

ZO_BOOLEAN ZoDossaSecurity::read(ZoSecurityDef& definition) {
  XTR_METHOD("ZoDossaSecurity :: read ( ZoSecurityDef )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_SEC_DB_NOT_OPEN);
  ZoString user;
  if (!adapter_->getUserName(user)) {
    if (adapter_->getErrorCode() == ERR_RDBD_SECURITY_FAILURE) {
      errorCode_ = ERR_SEC_SECURITY_FAILURE;
    } else {
      errorCode_ = adapter_->getErrorCode();
      dbErrorCode_ = static_cast<ZO_LONG>(adapter_->getLibraryStatus());
    }
    return finish();
  }
  ItemValue values[SEC_COUNT];
  ZO_LONG entrySize = 0;
  const auto& items = zoSecurityItems();
  if (!adapter_->read(SECURITY_FORM, SECURITY_USER, user, SECURITY_SYSTEM, definition.getSystemName(),
                      TRUE, SEC_COUNT, items.types.data(), items.names.data(), entrySize, values)) {
    mapAdapterError();
    return finish();
  }
  zoSecurityFromStored(zoFromValues<SEC_COUNT>(values), definition);
  return finish();
}
