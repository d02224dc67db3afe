#include "tools/dossa/dossa_diff.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "docstore/zo_dossa_layout.h"
#include "message/zo_field.h"
#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "ndossa/dossa_api.h"
#include "platform/platform.h"
#include "session/zo_session.h"
#include "tools/dossa/dossa_dump.h"
#include "tools/dossa/dossa_note.h"
#include "tools/vexomap/map_view.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr int kSame = 0;
constexpr int kDiffer = 1;
constexpr int kError = 2;
constexpr const char* kServerSeparator = "!!";

// One item of a definition as compared: its name and value.
struct Item {
  const char* name;
  Json value;
};

struct FieldState {
  std::string name;
  std::vector<Item> items;
  ZO_LONG offset = 0;
};

struct MessageState {
  std::vector<Item> items;
  std::vector<FieldState> fields;
  ZO_LONG recordSize = 0;
};

// A database's messages by name.
using Definitions = std::map<std::string, MessageState>;

std::string attributesText(const ZoField& f) {
  if (!f.getHasAttributes()) return "none";
  return "color=" + std::to_string(f.getColor()) + " intensity=" + std::to_string(f.getIntensity()) +
         " highlight=" + std::to_string(f.getHighLight()) + " protection=" + std::to_string(f.getProtection());
}

Json initialValue(const ZoField& f) {
  switch (f.getDataType()) {
    case ZODT_LONG: return f.getLongValue();
    case ZODT_SHORT: return f.getShortValue();
    case ZODT_BYTE: return f.getByteValue();
    case ZODT_SYSTEM_AUTHENTICATOR: return "";
    default: return std::string(f.getValue().text());
  }
}

// The input flags of each field of message `name` that has one on, by field
// name: "numeric", "cursor" or both.
std::map<std::string, std::string> inputFlags(ZoSession& session, const std::string& name) {
  std::map<std::string, std::string> flags;
  for (const auto& [field, on] : vexomapInputFlags(session, name.c_str()))
    flags[field] = std::string(on.numeric ? "numeric" : "") + (on.numeric && on.cursor ? " " : "") + (on.cursor ? "cursor" : "");
  return flags;
}

FieldState fieldState(const ZoField& f, ZO_LONG offset, const std::string& flags) {
  return {f.getName().text(),
          {{"row", f.getRow()},
           {"column", f.getColumn()},
           {"length", f.getLength()},
           {"type", zoDataTypeKeyword(f.getDataType())},
           {"segment", f.getSegment()},
           {"alignment", f.getAlignment()},
           {"pad", f.getPadCharacter()},
           {"attributes", attributesText(f)},
           {"flags", flags.empty() ? std::string("none") : flags},
           {"value", initialValue(f)},
           {"description", std::string(f.getDescription().text())}},
          offset};
}

// Sets an environment variable for the rest of the scope, then puts the old value back.
class EnvironmentSetting {
 public:
  EnvironmentSetting(const char* name, const std::string& value) : name_(name) {
    if (const char* old = platformGetEnv(name)) old_ = old;
    put(value.c_str());
  }
  ~EnvironmentSetting() { put(old_ ? old_->c_str() : nullptr); }
  EnvironmentSetting(const EnvironmentSetting&) = delete;
  EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

 private:
  void put(const char* value) {
#ifdef _WIN32
    _putenv_s(name_, value ? value : "");
#else
    if (value) setenv(name_, value, 1);
    else unsetenv(name_);
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

// A folder of this run's own, removed with what it holds at the end of the scope.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; !ec && attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate = base / ("dossa-diff-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Where one side's definitions are: a database name on a server (empty: this machine).
struct Source {
  std::string server;
  std::string name;
  std::string shown;  // as the user gave it
};

// A session whose definition database is `source`: a configuration of its
// own in `scratch`, and for a local file its folder as the data folder (the
// configuration holds short names only).
bool readDefinitions(const Source& source, const std::filesystem::path& scratch, Definitions& out,
                     std::string& problem) {
  std::string database = source.name;
  std::string dataFolder;
  if (source.server.empty()) {
    std::filesystem::path file(database);
    const char* data = platformGetEnv("NDOSSA_DATA");
    if (file.is_relative() && data && *data) file = std::filesystem::path(data) / file;
    std::error_code ec;
    file = std::filesystem::absolute(file, ec);
    dataFolder = file.parent_path().string();
    database = file.filename().string();
  }
  if (database.size() > static_cast<std::size_t>(ZoSession::MAX_DATABASE_NAME)) {
    problem = source.shown + ": the name " + database + " is longer than " +
              std::to_string(ZoSession::MAX_DATABASE_NAME) + " characters";
    return false;
  }
  const std::filesystem::path folder = scratch / "ini";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::ofstream(folder / ZoSession::INI_FILE_NAME) << "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = "
                                                   << database << "\nServerName = "
                                                   << (source.server.empty() ? "Local" : source.server) << "\n";
  std::optional<EnvironmentSetting> data;
  if (!dataFolder.empty()) data.emplace("NDOSSA_DATA", dataFolder);
  EnvironmentSetting ini(ZoSession::INI_PATH_VARIABLE, folder.string());
  static char program[] = "dossa";
  static char* arguments[] = {program, nullptr};
  ZoSession session(1, arguments);
  if (session.getErrorCode() != 0) {
    problem = source.shown + ": the definitions cannot be read (code " + std::to_string(session.getErrorCode()) + ")" +
              (session.getErrorText().length() ? ": " + std::string(session.getErrorText().text()) : "");
    return false;
  }
  std::vector<ZoString> names;
  if (!session.getDefinitionDB()->listMessageNames(names)) {
    problem = source.shown + ": the message names cannot be read (code " +
              std::to_string(session.getDefinitionDB()->getErrorCode()) + ")";
    return false;
  }
  for (const ZoString& stored : names) {
    const std::string name = stored.text();
    ZoMessage message(stored, session);
    const auto code = static_cast<ZO_ULONG>(message.getErrorCode());
    if (code != 0 && (code & ZO_WARNING_CLASS_BIT) == 0) {
      problem = source.shown + ": message " + name + " cannot be read (code " + std::to_string(code) + ")";
      return false;
    }
    const ZoMessageLayout layout(message);
    MessageState state;
    state.items = {{"rows", message.getRowCount()},
                   {"columns", message.getColumnCount()},
                   {"format", std::string(message.getFormat().text())}};
    const std::map<std::string, std::string> flags = inputFlags(session, name);
    ZoBrowseToken token = 0;
    message.startBrowseFields(&token);
    for (ZoField* field = message.getNextField(&token); field != nullptr; field = message.getNextField(&token)) {
      const ZoFieldLayout* place = layout.find(field->getName());
      const auto flag = flags.find(field->getName().text());
      state.fields.push_back(fieldState(*field, place ? place->offset : -1, flag == flags.end() ? "" : flag->second));
    }
    message.endBrowseFields(&token);
    state.recordSize = layout.getRecordSize();
    out.emplace(name, std::move(state));
  }
  return true;
}

// Reads one side: a dump file goes through a database of its own in `scratch`.
bool readSide(const std::string& given, const std::optional<std::string>& server, const std::filesystem::path& scratch,
              Definitions& out, std::string& problem) {
  Source source{server.value_or(""), given, given};
  const std::size_t separator = given.find(kServerSeparator);
  if (separator != std::string::npos) {
    source.server = given.substr(0, separator);
    source.name = given.substr(separator + 2);
  }
  std::ifstream file;
  if (source.server.empty()) file.open(given, std::ios::binary);
  const bool dump = file && file.peek() == '{';
  if (!dump) return readDefinitions(source, scratch, out, problem);
  const std::filesystem::path loaded = scratch / "dump.ndb";
  {
    DossaLibrary library;
    if (DossaStatus s = library.initStatus()) {
      problem = dossaStatusText(s);
      return false;
    }
    DossaStatus s = DossaDbCreate(loaded.string().c_str(), zodossa::zoDossaDesign());
    if (!s) s = library.open(loaded.string());
    const DossaLoadResult result = s ? DossaLoadResult{} : dossaLoad(library.db(), file);
    if (s || !result.ok) {
      problem = given + ": " + (s ? dossaStatusText(s) : result.problem);
      return false;
    }
  }
  return readDefinitions({"", loaded.string(), given}, scratch, out, problem);
}

// Writes the changes, as lines of text or of JSON.
class Report {
 public:
  explicit Report(bool json) : json_(json) {}
  bool any() const { return any_; }

  void whole(const char* kind, const std::string& message, const std::string* field, const char* change) {
    Json line = start(kind, message, field);
    line["change"] = change;
    emit(line, std::string(kind) + " " + path(message, field) + ": " + change);
  }
  void item(const char* kind, const std::string& message, const std::string* field, const char* name,
            const Json& from, const Json& to) {
    Json line = start(kind, message, field);
    line["change"] = "changed";
    line["item"] = name;
    line["from"] = from;
    line["to"] = to;
    emit(line, std::string(kind) + " " + path(message, field) + ": " + name + " " + shown(from) + " -> " + shown(to));
  }

 private:
  static std::string shown(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }
  static std::string path(const std::string& message, const std::string* field) {
    return field ? message + "." + *field : message;
  }
  static Json start(const char* kind, const std::string& message, const std::string* field) {
    Json line = Json::object();
    line["kind"] = kind;
    line["message"] = message;
    if (field) line["field"] = *field;
    return line;
  }
  void emit(const Json& line, const std::string& text) {
    any_ = true;
    const std::string out = json_ ? shown(line) : text;
    std::printf("%s\n", out.c_str());
  }
  bool json_;
  bool any_ = false;
};

void compareItems(Report& report, const char* kind, const std::string& message, const std::string* field,
                  const std::vector<Item>& a, const std::vector<Item>& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i].value != b[i].value) report.item(kind, message, field, a[i].name, a[i].value, b[i].value);
}

const FieldState* findField(const MessageState& m, const std::string& name) {
  for (const FieldState& f : m.fields)
    if (f.name == name) return &f;
  return nullptr;
}

void compareMessage(Report& report, const std::string& name, const MessageState& a, const MessageState& b) {
  compareItems(report, "message", name, nullptr, a.items, b.items);
  for (const FieldState& f : a.fields)
    if (!findField(b, f.name)) report.whole("field", name, &f.name, "removed");
  for (const FieldState& f : b.fields)
    if (!findField(a, f.name)) report.whole("field", name, &f.name, "added");
  for (const FieldState& f : b.fields)
    if (const FieldState* old = findField(a, f.name)) compareItems(report, "field", name, &f.name, old->items, f.items);
  if (a.recordSize != b.recordSize) report.item("record", name, nullptr, "size", a.recordSize, b.recordSize);
  for (const FieldState& f : b.fields) {
    const FieldState* old = findField(a, f.name);
    if (old && old->offset != f.offset) report.item("record", name, &f.name, "offset", old->offset, f.offset);
  }
}

}  // namespace

int dossaDiffCommand(const std::vector<std::string>& args, const std::optional<std::string>& server, bool json) {
  if (args.size() != 3) {
    std::fprintf(stderr, "dossa: diff takes A B\nusage: dossa diff A B [--json]\n");
    return kError;
  }
  Definitions sides[2];
  for (int i = 0; i < 2; ++i) {
    ScratchFolder scratch;
    std::string problem;
    if (scratch.path().empty()) problem = "no temporary folder can be made";
    if (problem.empty() && readSide(args[1 + i], server, scratch.path(), sides[i], problem)) continue;
    std::fprintf(stderr, "dossa: %s\n", problem.c_str());
    return kError;
  }
  Report report(json);
  auto a = sides[0].begin();
  auto b = sides[1].begin();
  while (a != sides[0].end() || b != sides[1].end()) {
    if (b == sides[1].end() || (a != sides[0].end() && a->first < b->first)) {
      report.whole("message", a->first, nullptr, "removed");
      ++a;
    } else if (a == sides[0].end() || b->first < a->first) {
      report.whole("message", b->first, nullptr, "added");
      ++b;
    } else {
      compareMessage(report, a->first, a->second, b->second);
      ++a;
      ++b;
    }
  }
  return report.any() ? kDiffer : kSame;
}
