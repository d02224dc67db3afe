#include "import/user_hints.h"

#include <cstring>
#include <filesystem>
#include <optional>

#include "common/error_codes.h"
#include "common/return_codes.h"
#include "docstore/zo_real_dossa_database.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "platform/platform.h"
#include "session/zo_config.h"
#include "session/zo_session.h"
#include "session/zo_store_factory.h"

namespace {

// The section and keyword of vexo.ini the hints point at.
constexpr const char* DEFINITION_SECTION = "DefinitionDatabase";
constexpr const char* DATABASE_NAME_KEY = "DatabaseName";

ZO_LONG publicCode(ZO_ULONG internalCode) {
  ZoErrorCodes codes;
  codes.setFromInternalCode(internalCode);
  return codes.getPublicReturnCode();
}

// The operating system's words for an error of platformOpenRegularFile or
// platformFileAccess.
std::string reasonText(int error) {
  if (error == PLATFORM_NOT_REGULAR_FILE) return "not a regular file";
  return std::strerror(error);
}

// ": " and why `path` cannot be used as a file, or nothing when it can.
std::string fileProblem(const std::string& path) {
  PlatformFileAccess access{};
  const int error = platformFileAccess(path.c_str(), &access);
  if (error != 0) return ": " + reasonText(error);
  if (!access.regular) return ": " + reasonText(PLATFORM_NOT_REGULAR_FILE);
  if (!access.readable) return ": not readable";
  return "";
}

// The configuration file the session looks for, or nothing when the
// variable that names its folder is unset or empty.
std::optional<std::string> iniPath() {
  const char* directory = platformGetEnv(ZoSession::INI_PATH_VARIABLE);
  if (directory == nullptr || directory[0] == '\0') return std::nullopt;
  return platformDirWithSeparator(directory) + ZoSession::INI_FILE_NAME;
}

std::vector<std::string> iniHints() {
  const std::optional<std::string> path = iniPath();
  if (!path) {
    return {std::string(ZoSession::INI_PATH_VARIABLE) + " is not set: set it to the folder that holds " +
            ZoSession::INI_FILE_NAME};
  }
  const std::string problem = fileProblem(*path);
  return {std::string("searched the folder ") + ZoSession::INI_PATH_VARIABLE + " names: " +
              platformGetEnv(ZoSession::INI_PATH_VARIABLE),
          *path + (problem.empty() ? std::string(": cannot be read") : problem)};
}

// The definition database's server as the configuration names it; empty
// for this machine ("Local" or no value).
std::string definitionServer(const std::string& ini) {
  ZoConfig config;
  ZoString server;
  if (!config.open(ini.c_str()) || !config.read(DEFINITION_SECTION, "ServerName", server)) return {};
  const std::string name = server.text();
  return DossaItemNameEquals(name, "Local") ? std::string() : name;
}

// `word` as a POSIX shell reads it back unchanged: as it is when it holds
// only safe characters, else in single quotes (a quote inside as '\'').
std::string shellQuoted(const std::string& word) {
  const bool safe = !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                            "0123456789._/-+:=@%,") == std::string::npos;
  if (safe) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Where a local database of this name is looked for, and what decides it.
std::string localDatabaseWhere(const std::string& database) {
  const std::filesystem::path name(database);
  if (name.is_absolute()) return "the database " + database + " does not exist";
  const char* data = platformGetEnv("NDOSSA_DATA");
  const bool fromData = data != nullptr && data[0] != '\0';
  std::error_code error;
  const std::filesystem::path base = fromData ? std::filesystem::path(data) : std::filesystem::current_path(error);
  return "the database " + (base / name).string() + " does not exist (a relative DatabaseName is taken in " +
         (fromData ? std::string("the folder NDOSSA_DATA names") : std::string("the current folder; NDOSSA_DATA "
                                                                               "names another")) +
         ")";
}

std::string typeList() {
  std::string list;
  for (const char* name : zoDefinitionStoreTypeNames()) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

}  // namespace

std::vector<std::string> PXMSourceHints(const char* fileName, int openError) {
  std::string line = std::string("cannot open the source ") + fileName;
  // Windows refuses to open a folder before it can be looked at: what the
  // path names tells the reason there.
  PlatformFileAccess access{};
  if (openError != 0 && platformFileAccess(fileName, &access) == 0 && !access.regular) {
    openError = PLATFORM_NOT_REGULAR_FILE;
  }
  if (openError != 0) line += ": " + reasonText(openError);
  return {line};
}

std::vector<std::string> PXMSessionHints(const ZoSession& session) {
  const std::string database = session.getDefinitionDBName().text();
  const std::string ini = iniPath().value_or(ZoSession::INI_FILE_NAME);
  switch (publicCode(session.getErrorCode())) {
    case ZORC_INI_OPEN_ERROR:
      return iniHints();
    case ZORC_INI_KEYWORD_NOT_FOUND:
    case ZORC_INI_VALUE_NOT_SPECIFIED: {
      // Name the keys that are missing or empty, when the file says.
      ZoConfig config;
      std::string missing;
      if (config.open(ini.c_str())) {
        for (const char* key : {"DatabaseType", DATABASE_NAME_KEY, "ServerName"}) {
          ZoString value;
          if (!config.read(DEFINITION_SECTION, key, value) || value.length() == 0)
            missing += (missing.empty() ? "" : " and ") + std::string(key);
        }
      }
      if (!missing.empty())
        return {ini + ": the [" + DEFINITION_SECTION + "] section has no " + missing +
                " (see examples/ini/vexo.ini)"};
      [[fallthrough]];
    }
    case ZORC_INI_SECTION_NOT_FOUND:
      return {ini + ": the [" + DEFINITION_SECTION + "] section needs " + DATABASE_NAME_KEY +
              " and DatabaseType (see examples/ini/vexo.ini)"};
    case ZORC_INVALID_DB_TYPE:
      return {ini + ": DatabaseType must be one of: " + typeList()};
    case ZORC_INVALID_DB_NAME: {
      ZoConfig config;
      ZoString name;
      if (config.open(ini.c_str()) && config.read(DEFINITION_SECTION, DATABASE_NAME_KEY, name) &&
          name.length() > ZoSession::MAX_DATABASE_NAME) {
        return {ini + ": " + DATABASE_NAME_KEY + " has " + std::to_string(name.length()) +
                " characters; at most " + std::to_string(ZoSession::MAX_DATABASE_NAME) +
                " are allowed, for either database type"};
      }
      return {ini + ": " + DATABASE_NAME_KEY + " " + database};
    }
    case ZORC_DEFN_DB_UNKNOWN: {
      const std::string server = definitionServer(ini);
      if (server.empty()) return {localDatabaseWhere(database), "create it with: dossa create " + shellQuoted(database)};
      return {"the database " + database + " does not exist on the server " + server +
                  ", or no connection service (pg_service.conf) names " + server,
              "create it with: dossa --server " + shellQuoted(server) + " create " + shellQuoted(database)};
    }
    case ZORC_DEFN_DB_UNAVAILABLE:
    case ZORC_DEFN_DB_SECURITY_FAILURE: {
      const std::string server = definitionServer(ini);
      if (server.empty()) return {};
      return {publicCode(session.getErrorCode()) == ZORC_DEFN_DB_UNAVAILABLE
                  ? "the server " + server + " does not answer: see the host and port of its connection service"
                  : "the server " + server + " refused the connection: see the user of its connection service"
                    " and its password in ~/.pgpass"};
    }
    case ZORC_DEFN_DB_SYSERROR:
      if (session.getReasonCode() == DOSSA_ERR_NOT_DATABASE) {
        return {"the database file " + database + ": not a database of ours"};
      }
      return {"the database file " + database + fileProblem(database)};
    default:
      return {};
  }
}

std::vector<std::string> PXMMapHints(ZO_ULONG code, const char* mapName, const char* fieldName, ZO_LONG line,
                                     const char* reason) {
  if (mapName[0] == '\0') {
    return {"the map statement has no label: the map has no name; write the name of its message definition "
            "in column 1 of its PXMMAP statement"};
  }
  std::string where = std::string("map ") + mapName;
  if (fieldName != nullptr && fieldName[0] != '\0') where += std::string(", field ") + fieldName;
  if (line > 0) where += " (line " + std::to_string(line) + ")";
  if (publicCode(code) == ZORC_DEFN_ALREADY_EXISTS) {
    return {where + ": the message definition " + mapName + " is already in the database",
            "give /r to replace it and its fields"};
  }
  if (reason != nullptr && reason[0] != '\0') return {where + ": " + reason};
  if (publicCode(code) == ZORC_DUPLICATE_FIELD) {
    return {where + ": the field name " + (fieldName != nullptr ? fieldName : "") +
            " is given to more than one field of the map (vexopxm /w names the lines)"};
  }
  if (publicCode(code) == ZORC_DATA_OVERFLOW) {
    return {where + ": a value does not fit the database (a text value holds at most " +
            std::to_string(DOSSA_ITEM_TEXT_MAX) + " characters there)"};
  }
  if (publicCode(code) == ZORC_DEFN_DB_SECURITY_FAILURE) {
    // A local database this user may only read: the file or folder that refuses the change.
    ZoConfig config;
    ZoString name;
    const std::string ini = iniPath().value_or(ZoSession::INI_FILE_NAME);
    if (config.open(ini.c_str()) && config.read(DEFINITION_SECTION, DATABASE_NAME_KEY, name) &&
        definitionServer(ini).empty()) {
      const std::string problem = DossaWriteProblem(name.text());
      if (!problem.empty()) return {where, problem};
    }
  }
  if (publicCode(code) == ZORC_NOT_SUPPORTED) {
    return {where, "the configured database takes no writes (a text database is read-only): "
                   "import into a KirraDossa database"};
  }
  return {where};
}

std::vector<std::string> PXMMessageHints(ZO_ULONG code, const char* messageName, const ZoSession& session) {
  if (publicCode(code) != ZORC_DEFN_NOT_FOUND) return {};
  return {std::string("no message ") + messageName + " in the database " + session.getDefinitionDBName().text(),
          "import its map first with: vexopxm source.pxm"};
}
