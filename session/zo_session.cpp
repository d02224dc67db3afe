#include "session/zo_session.h"

#include <cinttypes>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/sysutil.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "platform/platform.h"
#include "session/zo_encoding.h"
#include "session/zo_store_factory.h"

namespace {

// Sections and keys of "vexo.ini".
constexpr const char* kBaseSection = "Base";
constexpr const char* kDefinitionSection = "DefinitionDatabase";
constexpr const char* kSecuritySection = "SecurityDatabase";
constexpr const char* kCharacterSetKey = "CharacterSet";
constexpr const char* kEncodingKey = "Encoding";
constexpr const char* kDatabaseNameKey = "DatabaseName";
constexpr const char* kDatabaseTypeKey = "DatabaseType";
constexpr const char* kServerNameKey = "ServerName";

// Values, compared without regard to case.
constexpr const char* kLocal = "Local";
constexpr const char* kTypeNone = "None";

bool is(const ZoString& value, const char* name) { return value.compareNoCase(name) == 0; }

// The store type a DatabaseType value names, when it offers the store of
// `what` ("definition", "security"); otherwise null, with the reason traced.
template <class Creator>
const ZoStoreType* offeredStoreType(const ZoString& type, Creator ZoStoreType::*creator,
                                    const char* what) {
  const ZoStoreType* store = zoFindStoreType(type);
  if (!store) {
    XTR_TEXTF("Invalid %s database type %s requested", what, type.text());
  } else if (!(store->*creator)) {
    XTR_TEXTF("%s %s database not supported", store->label, what);
  } else {
    return store;
  }
  return nullptr;
}

std::uintptr_t address(const void* object) { return reinterpret_cast<std::uintptr_t>(object); }

}  // namespace

ZoSession::ZoSession() : kind_(KIND_WITHOUT_ARGUMENTS) {
  XTR_METHOD("ZoSession::ZoSession()", errorCode_);
  start();
}

ZoSession::ZoSession(int argc, char* argv[])
    : kind_(KIND_WITH_ARGUMENTS), argc_(argc), argv_(argv) {
  XTR_METHOD("ZoSession::ZoSession(argc, argv)", errorCode_);
  start();
}

void ZoSession::start() {
  initSession();
  if (errorCode_ != 0) {
    destroyConfig();
    destroyDefinitionDB();
    destroySecurityDB();
  }
  setFromInternalCode(errorCode_);
}

ZoSession::~ZoSession() {
  errorCode_ = 0;
  XTR_METHOD("ZoSession::~ZoSession", errorCode_);
  services_.removeAll();
  messages_.removeAll();
  receiveOptions_.removeAll();
  sendOptions_.removeAll();
  if (config_) {
    if (config_->isOpen()) config_->close();
    config_.reset();
  }
  if (definitionDb_) {
    definitionDb_->close();
    definitionDb_.reset();
  }
  if (securityDb_) {
    securityDb_->close();
    securityDb_.reset();
  }
  errorCode_ = 0;
  reasonCode_ = 0;
  clearCodes();
}

ZO_BOOLEAN ZoSession::fail(ZO_ULONG code) { return zoSetOutcome(errorCode_, code); }

ZO_BOOLEAN ZoSession::succeeded() const { return zoSucceeded(errorCode_); }

ZO_BOOLEAN ZoSession::failFromConfig() {
  return fail(config_ ? config_->getErrorCode() : ERR_CONF_FILE_NOT_OPEN);
}

ZO_BOOLEAN ZoSession::initSession() {
  XTR_METHOD("ZoSession::initSession", errorCode_);
  definitionDb_.reset();
  securityDb_.reset();
  config_.reset();
  errorCode_ = 0;
  reasonCode_ = 0;
  errorText_ = "";
  clearCodes();
  characterSet_ = 0;
  encoding_ = 0;

  if (!createConfig()) return FALSE;
  if (kind_ == KIND_WITHOUT_ARGUMENTS) {
    if (!readCharacterSet()) return FALSE;
    if (!setEncoding()) return FALSE;
  }
  if (!createDefinitionDB()) return FALSE;
  if (kind_ == KIND_WITHOUT_ARGUMENTS) createSecurityDB();
  return succeeded();
}

ZO_BOOLEAN ZoSession::restartSession() {
  XTR_METHOD("ZoSession::restartSession", errorCode_);
  destroyConfig();
  destroyDefinitionDB();
  destroySecurityDB();
  if (!initSession()) {
    destroyConfig();
    destroyDefinitionDB();
    destroySecurityDB();
  }
  setFromInternalCode(errorCode_);
  return succeeded();
}

ZO_BOOLEAN ZoSession::createConfig() {
  errorCode_ = 0;
  XTR_METHOD("ZoSession :: createConfig", errorCode_);
  config_.reset(new (std::nothrow) ZoConfig);
  if (!config_) {
    XTR_TEXT("No memory creating the ZoConfig object");
    return fail(ERR_SESS_NO_MEMORY);
  }
  if (config_->getErrorCode() != 0) {
    fail(config_->getErrorCode());
    config_.reset();
    return FALSE;
  }
  // Set but empty names no directory either: the current one is not meant.
  const char* directory = platformGetEnv(INI_PATH_VARIABLE);
  if (directory == nullptr || directory[0] == '\0') {
    XTR_TEXTF("Environment variable %s NOT set", INI_PATH_VARIABLE);
    return fail(ERR_SESS_INI_OPEN_ERROR);  // the configuration stays, unopened
  }
  const std::string path = platformDirWithSeparator(directory) + INI_FILE_NAME;
  XTR_TEXTF("VEXO.INI file path = %s", path.c_str());
  if (!config_->open(path.c_str())) {
    fail(config_->getErrorCode());
    config_.reset();
    return FALSE;
  }
  return succeeded();
}

void ZoSession::destroyConfig() {
  XTR_METHOD("ZoSession :: destroyConfig", errorCode_);
  if (!config_) return;
  if (config_->isOpen() && !config_->close() && errorCode_ == 0) {
    errorCode_ = config_->getErrorCode();
  }
  config_.reset();
}

ZO_BOOLEAN ZoSession::readCharacterSet() {
  ZoString value;
  config_->read(kBaseSection, kCharacterSetKey, value);
  if (is(value, kLocal)) {
    XTR_TEXT("Defaulting to LOCAL codepage");
    characterSet_ = ObtainSystemCp();
    return TRUE;
  }
  if (config_->getErrorCode() != 0) return failFromConfig();
  // Digits only, and a value (whatever zeros lead it) that fits the 32-bit identifier.
  const std::string digits = zoWithoutLeadingZeros(value.text());
  const bool fits = digits.size() <= 10 && std::strtoll(digits.c_str(), nullptr, 10) <= INT32_MAX;
  if (!value.isNum() || !fits) {
    XTR_TEXT("CharacterSet must be numeric");
    return fail(ERR_SESS_INVALID_CHARACTER_SET);
  }
  characterSet_ = static_cast<ZO_LONG>(std::strtoll(digits.c_str(), nullptr, 10));
  XTR_TEXTF("CharacterSet specified = %ld", static_cast<long>(characterSet_));
  return TRUE;
}

ZO_BOOLEAN ZoSession::setEncoding() {
  errorCode_ = 0;
  XTR_METHOD("ZoSession :: setEncoding", errorCode_);
  encoding_ = ENCODING_UNSET;
  if (!config_) return fail(ERR_CONF_FILE_NOT_OPEN);
  ZoString value;
  if (!config_->read(kBaseSection, kEncodingKey, value)) return failFromConfig();
  const ZO_LONG encoding = zoEncodingOfName(value, ZoEncodingNames::PLATFORMS);
  if (encoding == 0) {
    XTR_TEXTF("Invalid encoding %s specified", value.text());
    return fail(ERR_SESS_INVALID_ENCODING);
  }
  encoding_ = encoding;
  return succeeded();
}

ZO_BOOLEAN ZoSession::readDatabaseName(const char* section, ZO_ULONG tooLongCode,
                                       const char* tooLongText, ZoString& name) {
  ZoString value;
  if (!config_->read(section, kDatabaseNameKey, value)) return failFromConfig();
  if (value.length() > MAX_DATABASE_NAME) {
    XTR_TEXTF(tooLongText, value.text());
    return fail(tooLongCode);
  }
  name = value;
  return TRUE;
}

ZO_BOOLEAN ZoSession::readServerName(const char* section, ZoString& serverName) {
  ZoString value;
  const ZO_BOOLEAN found = config_->read(section, kServerNameKey, value);
  if ((!found && config_->getErrorCode() == ERR_CONF_VALUE_NOT_SPECIFIED) || is(value, kLocal)) {
    XTR_TEXT("Defaulting ServerName to LOCAL");
    serverName = "";
    return TRUE;
  }
  if (!found) return failFromConfig();
  XTR_TEXTF("ServerName specified as %s", value.text());
  serverName = value;
  return TRUE;
}

template <class Store, class Creator>
ZO_BOOLEAN ZoSession::startStore(std::unique_ptr<Store>& store, Creator creator,
                                 const ZoString& databaseName, const ZoString& serverName,
                                 ZO_ULONG systemError, const StoreTexts& texts) {
  store = creator(storeRequest(databaseName, serverName));
  if (!store) {
    XTR_TEXT(texts.noMemory);
    return fail(ERR_SESS_NO_MEMORY);
  }
  if (store->getErrorCode() != 0) {
    fail(store->getErrorCode());
    XTR_TEXT(texts.notCreated);
    store.reset();
    return FALSE;
  }
  if (!store->open(databaseName, serverName) || store->getErrorCode() != 0) {
    fail(store->getErrorCode());
    XTR_TEXT(texts.notOpened);
    if (errorCode_ == systemError) recordDatabaseFailure(store->getDbErrorCode(), store->getDbErrorText());
    store.reset();
    return FALSE;
  }
  return succeeded();
}

ZO_BOOLEAN ZoSession::createDefinitionDB() {
  errorCode_ = 0;
  XTR_METHOD("ZoSession :: createDefinitionDB", errorCode_);
  if (!config_) return fail(ERR_CONF_FILE_NOT_OPEN);
  if (!readDatabaseName(kDefinitionSection, ERR_SESS_INVALID_DEFDB_NAME,
                        "Invalid definition database name %s", definitionDbName_)) {
    return FALSE;
  }
  ZoString type;
  if (!config_->read(kDefinitionSection, kDatabaseTypeKey, type)) return failFromConfig();

  definitionDb_.reset();
  const ZoStoreType* store = offeredStoreType(type, &ZoStoreType::database, "definition");
  if (!store) return fail(ERR_SESS_INVALID_DBTYPE);
  ZoString serverName;
  if (store->readsServerName && !readServerName(kDefinitionSection, serverName)) return FALSE;
  return startStore(definitionDb_, store->database, definitionDbName_, serverName, ERR_DB_SYS_ERROR,
                    {"No memory creating the definition database object",
                     "Error creating the definition database object",
                     "Error opening the definition database"});
}

void ZoSession::destroyDefinitionDB() {
  XTR_METHOD("ZoSession :: destroyDefinitionDB", errorCode_);
  definitionDb_.reset();
}

ZO_BOOLEAN ZoSession::createSecurityDB() {
  errorCode_ = 0;
  XTR_METHOD("ZoSession :: createSecurityDB", errorCode_);
  if (!config_) return fail(ERR_CONF_FILE_NOT_OPEN);
  ZoString type;
  if (!config_->read(kSecuritySection, kDatabaseTypeKey, type)) return failFromConfig();

  securityDb_.reset();
  if (is(type, kTypeNone)) {
    XTR_TEXT("Running with no security database");
    return succeeded();
  }
  if (!readDatabaseName(kSecuritySection, ERR_SESS_INVALID_SECDB_NAME,
                        "Invalid security database name %s", securityDbName_)) {
    return FALSE;
  }
  const ZoStoreType* store = offeredStoreType(type, &ZoStoreType::security, "security");
  if (!store) return fail(ERR_SESS_INVALID_DBTYPE);
  ZoString serverName;
  if (store->readsServerName && !readServerName(kSecuritySection, serverName)) return FALSE;
  return startStore(securityDb_, store->security, securityDbName_, serverName, ERR_SEC_SYS_ERROR,
                    {"No memory creating the security class", "Error creating the security object",
                     "Error opening the security database"});
}

void ZoSession::destroySecurityDB() {
  XTR_METHOD("ZoSession :: destroySecurityDB", errorCode_);
  securityDb_.reset();
}

ZoStoreRequest ZoSession::storeRequest(const ZoString& databaseName,
                                      const ZoString& serverName) const {
  return ZoStoreRequest{*this, kind_, argc_, argv_, databaseName, serverName};
}

ZO_LONG ZoSession::getArguments(int& argc, char**& argv) const {
  argc = argc_;
  argv = argv_;
  return kind_;
}

ZO_LONG ZoSession::addService(ZoService* service) {
  XTR_TEXTF(">>> Adding ZoService reference at 0x%" PRIxPTR " >>>", address(service));
  return services_.addTail(service);
}

ZO_LONG ZoSession::addMessage(ZoMessage* message) {
  XTR_TEXTF(">>> Adding ZoMessage reference at 0x%" PRIxPTR " >>>", address(message));
  return messages_.addTail(message);
}

ZO_LONG ZoSession::addSendOptions(ZoSendOptions* sendOptions) {
  XTR_TEXTF(">>> Adding ZoSendOptions reference at 0x%" PRIxPTR " >>>", address(sendOptions));
  return sendOptions_.addTail(sendOptions);
}

ZO_LONG ZoSession::addReceiveOptions(ZoReceiveOptions* receiveOptions) {
  XTR_TEXTF(">>> Adding ZoReceiveOptions reference at 0x%" PRIxPTR " >>>",
            address(receiveOptions));
  return receiveOptions_.addTail(receiveOptions);
}

ZO_LONG ZoSession::removeService(ZoService* service) {
  XTR_TEXTF(">>> Removing ZoService reference at 0x%" PRIxPTR " >>>", address(service));
  return services_.remove(service);
}

ZO_LONG ZoSession::removeMessage(ZoMessage* message) {
  XTR_TEXTF(">>> Removing ZoMessage reference at 0x%" PRIxPTR " >>>", address(message));
  return messages_.remove(message);
}

ZO_LONG ZoSession::removeSendOptions(ZoSendOptions* sendOptions) {
  XTR_TEXTF(">>> Removing ZoSendOptions reference at 0x%" PRIxPTR " >>>", address(sendOptions));
  return sendOptions_.remove(sendOptions);
}

ZO_LONG ZoSession::removeReceiveOptions(ZoReceiveOptions* receiveOptions) {
  XTR_TEXTF(">>> Removing ZoReceiveOptions reference at 0x%" PRIxPTR " >>>",
            address(receiveOptions));
  return receiveOptions_.remove(receiveOptions);
}
