#pragma once
// The root object of the library.
//
// Creating a session reads "vexo.ini" from the directory named by the
// environment variable VEXO_INI_PATH and opens the definition database named
// there (a document database or a read-only text database). A session created
// without arguments also reads its character set and encoding and opens the
// security database, if one is configured. Other objects borrow the definition
// database from the session, and the session keeps lists of the objects that
// refer to it; it outlives them all.
//
// A session whose getErrorCode() is not 0 after construction is unusable and
// holds nothing: its creator reads getErrorCode(), getReasonCode() and
// getErrorText() and deletes it.
//
// Threads: a session and the objects made under it take no locks; together
// they are used by one thread at a time (objects record themselves with it).
// Different sessions may be used, created and deleted in different threads
// at once (the document stores' shared count of the client library's users,
// which starts it at the first and ends it at the last, is locked).

#include <memory>

#include "../common/vexo_export.h"
#include "../common/error_codes.h"
#include "../common/zo_types.h"
#include "../defs/zo_database.h"
#include "../defs/zo_security.h"
#include "../defs/zo_string.h"
#include "../session/zo_config.h"
#include "../session/zo_ref_list.h"

// Objects that record themselves with a session; the session only keeps their
// addresses.
class ZoService;
class ZoMessage;
class ZoSendOptions;
class ZoReceiveOptions;
// What the session hands a store it creates (session/zo_store_factory.h).
struct ZoStoreRequest;

class VEXO_API ZoSession : public ZoErrorCodes {
 public:
  // How the session was created.
  static constexpr ZO_LONG KIND_WITHOUT_ARGUMENTS = 1;
  static constexpr ZO_LONG KIND_WITH_ARGUMENTS = 2;
  // Longest definition or security database name accepted.
  static constexpr ZO_LONG MAX_DATABASE_NAME = 47;
  // The encoding while setEncoding has not found one.
  static constexpr ZO_LONG ENCODING_UNSET = static_cast<ZO_LONG>(0xFFFFF000u);
  // Environment variable naming the directory of the configuration file, and its name.
  static constexpr const char* INI_PATH_VARIABLE = "VEXO_INI_PATH";
  static constexpr const char* INI_FILE_NAME = "vexo.ini";

  // Kind 1: reads Base/CharacterSet, Base/Encoding, the DefinitionDatabase and
  // the SecurityDatabase sections.
  ZoSession();
  // Kind 2: reads only the DefinitionDatabase section. `argv` is borrowed (not
  // copied) and must outlive the session; the document database passes it on
  // to its client library.
  ZoSession(int argc, char* argv[]);
  // Empties the reference lists (the objects themselves are left alone), then
  // closes and deletes the configuration and the databases.
  ~ZoSession() override;

  ZoSession(const ZoSession&) = delete;
  ZoSession& operator=(const ZoSession&) = delete;

  // The steps of starting a session; each returns TRUE when the error code is
  // 0 at its end. initSession starts from nothing: configuration, character
  // set and encoding (kind 1), definition database, security database (kind 1).
  ZO_BOOLEAN initSession();
  // Rebuilds the session from the current configuration file; the reference
  // lists are kept. On failure the session holds nothing.
  ZO_BOOLEAN restartSession();
  // Opens VEXO_INI_PATH/vexo.ini. The variable unset or empty fails with
  // ERR_SESS_INI_OPEN_ERROR.
  ZO_BOOLEAN createConfig();
  // Closes and deletes the configuration; a close error is taken over only
  // when the session has no error yet.
  void destroyConfig();
  // Reads Base/Encoding into the encoding.
  ZO_BOOLEAN setEncoding();
  // Creates and opens the configured definition database.
  ZO_BOOLEAN createDefinitionDB();
  // Deletes the definition database (its destructor closes it); the error
  // code is not changed.
  void destroyDefinitionDB();
  // Creates and opens the configured security database, or none.
  ZO_BOOLEAN createSecurityDB();
  void destroySecurityDB();

  // Internal code of the last failure, 0 = none.
  ZO_ULONG getErrorCode() const { return errorCode_; }
  // The database's own code and text after a database system error.
  ZO_LONG getReasonCode() const { return reasonCode_; }
  ZoString getErrorText() const { return errorText_; }
  // Records a database system error (the store's own code and text) as the
  // session's last database failure; objects made under the session call it.
  void recordDatabaseFailure(ZO_LONG reasonCode, const ZoString& errorText) {
    reasonCode_ = reasonCode;
    errorText_ = errorText;
  }

  // The definition database, owned by the session; null if none.
  ZoDatabase* getDefinitionDB() const { return definitionDb_.get(); }
  // The security database, owned by the session; null if none is configured.
  ZoSecurity* getSecurityDB() const { return securityDb_.get(); }
  // The configuration, owned by the session and open while it is started; null if none.
  ZoConfig* getConfig() const { return config_.get(); }

  // Returns the kind and gives the arguments the session was created with
  // (0 and null for kind 1).
  ZO_LONG getArguments(int& argc, char**& argv) const;

  // Coded character set identifier (0 until read) and numeric encoding
  // (0 until read), both read for kind 1 only.
  ZO_LONG getCharacterSet() const { return characterSet_; }
  ZO_LONG getEncoding() const { return encoding_; }
  const ZoString& getDefinitionDBName() const { return definitionDbName_; }
  const ZoString& getSecurityDBName() const { return securityDbName_; }

  // Reference lists. An add records the address at the tail of its list and
  // returns 1, or 0 when no room is left; a remove takes away the first
  // record of the address and returns 1, or 0 when it is not recorded. The
  // referenced objects are never deleted or called by the session.
  ZO_LONG addService(ZoService* service);
  ZO_LONG addMessage(ZoMessage* message);
  ZO_LONG addSendOptions(ZoSendOptions* sendOptions);
  ZO_LONG addReceiveOptions(ZoReceiveOptions* receiveOptions);
  ZO_LONG removeService(ZoService* service);
  ZO_LONG removeMessage(ZoMessage* message);
  ZO_LONG removeSendOptions(ZoSendOptions* sendOptions);
  ZO_LONG removeReceiveOptions(ZoReceiveOptions* receiveOptions);

  const ZoRefList<ZoService>& services() const { return services_; }
  const ZoRefList<ZoMessage>& messages() const { return messages_; }
  const ZoRefList<ZoReceiveOptions>& receiveOptions() const { return receiveOptions_; }
  const ZoRefList<ZoSendOptions>& sendOptions() const { return sendOptions_; }

 private:
  // Records a failure; returns FALSE.
  ZO_BOOLEAN fail(ZO_ULONG code);
  // Takes over the configuration's code after a failed read; returns FALSE.
  ZO_BOOLEAN failFromConfig();
  ZO_BOOLEAN succeeded() const;
  // Construction steps 2 to 4, shared by both constructors.
  void start();
  // Reads Base/CharacterSet (kind 1): "Local" or digits whose value, leading
  // zeros aside, is at most 2147483647.
  ZO_BOOLEAN readCharacterSet();
  // Reads section/DatabaseName into `name`, at most MAX_DATABASE_NAME long.
  ZO_BOOLEAN readDatabaseName(const char* section, ZO_ULONG tooLongCode, const char* tooLongText,
                              ZoString& name);
  // Reads section/ServerName of a document database: an empty value or
  // "Local" gives the empty name (the local machine).
  ZO_BOOLEAN readServerName(const char* section, ZoString& serverName);
  // Trace texts of the steps of starting a store.
  struct StoreTexts {
    const char* noMemory;    // the creator returned none
    const char* notCreated;  // the store reports an error from its constructor
    const char* notOpened;   // open failed
  };
  // Creates a store with `creator` and opens it; on any failure the store is
  // dropped and its error taken over (with its own code and text after
  // `systemError`).
  template <class Store, class Creator>
  ZO_BOOLEAN startStore(std::unique_ptr<Store>& store, Creator creator, const ZoString& databaseName,
                        const ZoString& serverName, ZO_ULONG systemError, const StoreTexts& texts);
  // What a store of this session is created with.
  ZoStoreRequest storeRequest(const ZoString& databaseName, const ZoString& serverName) const;

  ZO_LONG kind_;
  int argc_ = 0;
  char** argv_ = nullptr;
  ZoString definitionDbName_;
  ZoString securityDbName_;
  ZO_LONG characterSet_ = 0;
  ZO_LONG encoding_ = 0;
  ZO_ULONG errorCode_ = 0;
  ZO_LONG reasonCode_ = 0;
  ZoString errorText_;
  std::unique_ptr<ZoConfig> config_;
  std::unique_ptr<ZoDatabase> definitionDb_;
  std::unique_ptr<ZoSecurity> securityDb_;
  ZoRefList<ZoService> services_;
  ZoRefList<ZoMessage> messages_;
  ZoRefList<ZoReceiveOptions> receiveOptions_;
  ZoRefList<ZoSendOptions> sendOptions_;
};
