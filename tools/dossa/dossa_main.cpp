// dossa: administration of document databases (make, list, dump, add and
// delete documents, check). Exit status 0 on success, 1 on any error.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/return_codes.h"
#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_message_names.h"
#include "import/user_hints.h"
#include "import/user_message.h"
#include "message/zo_message.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "platform/platform.h"
#include "platform/program.h"
#include "session/zo_session.h"
#include "tools/dossa/dossa_build.h"
#include "tools/dossa/dossa_diff.h"
#include "tools/dossa/dossa_dump.h"
#include "tools/dossa/dossa_layout.h"
#include "tools/dossa/dossa_messages.h"
#include "tools/dossa/dossa_note.h"
#include "tools/dossa/dossa_options.h"
#include "tools/dossa/dossa_salvage.h"

namespace {

constexpr const char* kUsage =
    "usage: dossa [--server NAME] COMMAND FILE ...\n"
    "       dossa create FILE\n"
    "       dossa list FILE [--form FORM]\n"
    "       dossa dump FILE [--form FORM | --salvage]\n"
    "       dossa load FILE < DUMP\n"
    "       dossa put FILE FORM NAME=TEXT ... [--number NAME=N] [--list NAME=A,B,...]\n"
    "       dossa delete FILE NOTEID | --message NAME\n"
    "       dossa check FILE [--repair]\n"
    "       dossa build FILE [MESSAGE ...]\n"
    "       dossa layout MESSAGE --format c|cobol|json-schema\n"
    "       dossa diff A B [--json]\n";
// Documents read from the database at a time while listing.
constexpr std::uint32_t kListBatch = 512;
// Characters of a value shown by "list" before it is cut.
constexpr std::size_t kListValueWidth = 40;
// Integers up to this magnitude are exact in a double and printed without a fraction.
constexpr double kExactInteger = 9007199254740992.0;

int fail(const std::string& message) {
  std::fprintf(stderr, "dossa: %s\n", message.c_str());
  return 1;
}

int usage(const std::string& message) {
  std::fprintf(stderr, "dossa: %s\n%s", message.c_str(), kUsage);
  return PROGRAM_EXIT_USAGE;
}

// The database the command opened, for the hint after a refused change.
std::string& openedDatabase() {
  static std::string file;
  return file;
}

// The server the command's database is on; empty for a local file.
std::string& openedServer() {
  static std::string server;
  return server;
}

int failStatus(const std::string& what, DossaStatus status) {
  fail(what + ": " + dossaStatusText(status));
  if (status == DOSSA_ERR_NO_WRITE_ACCESS) {
    const std::string problem = DossaWriteProblem(openedDatabase().c_str());
    if (!problem.empty()) std::fprintf(stderr, "  %s\n", problem.c_str());
  }
  const std::string& server = openedServer();
  if (!server.empty() && status == DOSSA_ERR_SERVER_NOT_RESPONDING)
    std::fprintf(stderr, "  the server %s does not answer: see the host and port of its connection service\n",
                 server.c_str());
  if (!server.empty() && status == DOSSA_ERR_SERVER_UNKNOWN)
    std::fprintf(stderr, "  no connection service (pg_service.conf) names %s\n", server.c_str());
  return 1;
}

// The library for the run of one command, and the database it works on.
// The library and the command's database, which the hint after a refused change names.
class Session : public DossaLibrary {
 public:
  DossaStatus open(const std::string& file) {
    openedDatabase() = file;
    return DossaLibrary::open(file);
  }
};

std::string jsonNumber(double number) {
  char text[64];
  if (number == std::trunc(number) && std::fabs(number) < kExactInteger)
    std::snprintf(text, sizeof text, "%.0f", number);
  else
    std::snprintf(text, sizeof text, "%.17g", number);
  return text;
}

// A value for one line of "list": control characters shown as '?', long values cut.
std::string listValue(std::string_view text) {
  std::string out;
  for (char c : text.substr(0, kListValueWidth))
    out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
  if (text.size() > kListValueWidth) out += "...";
  return out;
}

bool parseNoteId(const std::string& text, DossaNoteId& id) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (value == 0 || value > 0x7FFFFFFFull) return false;
  id = static_cast<DossaNoteId>(value);
  return true;
}

bool parseNumber(const std::string& text, double& number) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  number = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(number);
}

// "NAME=VALUE" split at the first '='.
bool splitAssignment(const std::string& text, std::string& name, std::string& value) {
  std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  name = text.substr(0, equals);
  value = text.substr(equals + 1);
  return true;
}

int cmdCreate(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage("create takes one FILE");
  Session session;
  if (session.initStatus()) return failStatus("library", session.initStatus());
  if (DossaStatus s = DossaDbCreate(args[1].c_str(), zodossa::zoDossaDesign())) return failStatus(args[1], s);
  return 0;
}

// Walks the documents (of one form when given) and hands each open document to
// `each`. A form that no document has is worth a warning: a misspelt name
// would otherwise look like an empty database.
template <typename Each>
int forEachNote(const std::vector<std::string>& args, const std::optional<std::string>& form, Each each) {
  if (args.size() != 2) return usage(args[0] + " takes FILE [--form FORM]");
  const bool byForm = form.has_value();
  std::size_t found = 0;
  Session session;
  if (DossaStatus s = session.open(args[1])) return failStatus(args[1], s);
  // One moment of the database, however long the walk takes.
  if (DossaStatus s = DossaDbBeginSnapshot(session.db())) return failStatus(args[1], s);
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  do {
    if (DossaStatus s = DossaNoteList(session.db(), byForm ? form->c_str() : nullptr, after, kListBatch, ids))
      return failStatus(args[1], s);
    found += ids.size();
    for (DossaNoteId id : ids) {
      after = id;
      ZoOpenNote note;
      DossaStatus s = DossaNoteOpen(session.db(), id, 0, note.out());
      if (s == DOSSA_ERR_NOTE_NOT_FOUND) continue;  // deleted meanwhile
      if (s) return failStatus(args[1] + ": document " + std::to_string(id), s);
      each(id, note.get());
    }
  } while (ids.size() == kListBatch);
  if (DossaStatus s = DossaDbEndSnapshot(session.db())) return failStatus(args[1], s);
  if (byForm && found == 0) std::fprintf(stderr, "dossa: no document has the form %s\n", form->c_str());
  return 0;
}

int cmdList(const std::vector<std::string>& args, const DossaCommandLine& line) {
  return forEachNote(args, line.form, [](DossaNoteId id, DossaNoteHandle note) {
    std::string form = "-";
    std::string rest;
    DossaItemScan(note, [&](const DossaItemInfo& item) {
      std::string value;
      if (item.kind == DossaItemKind::Text) value = item.text;
      if (item.kind == DossaItemKind::Number) value = jsonNumber(item.number);
      if (item.kind == DossaItemKind::TextList) {
        for (std::size_t i = 0; i < item.list->size(); ++i) value += (i ? "," : "") + (*item.list)[i];
      }
      if (DossaItemNameEquals(item.name, DOSSA_FORM_ITEM)) {
        form = listValue(value);
        return;
      }
      rest += '\t';
      rest.append(item.name);
      rest += '=';
      rest += listValue(value);
    });
    std::printf("%u\t%s%s\n", static_cast<unsigned>(id), form.c_str(), rest.c_str());
  });
}

// dump FILE --salvage: every document that reads back whole; those left out on standard error.
int cmdSalvage(const std::string& file) {
  Session session;
  if (DossaStatus s = session.open(file)) return failStatus(file, s);
  const DossaSalvageResult result = dossaSalvage(session.db(), stdout);
  for (const std::string& line : result.leftOut) std::fprintf(stderr, "dossa: %s: left out %s\n", file.c_str(), line.c_str());
  if (result.failed) return failStatus(file + ": salvage stopped", result.failed);
  if (result.leftOut.empty()) return 0;
  return fail(file + ": salvaged " + std::to_string(result.written) + " document" + (result.written == 1 ? "" : "s") +
              ", left out " + std::to_string(result.leftOut.size()));
}

int cmdDump(const std::vector<std::string>& args, const DossaCommandLine& line) {
  if (line.salvage) {
    if (args.size() != 2 || line.form) return usage("dump takes FILE [--form FORM | --salvage]");
    return cmdSalvage(args[1]);
  }
  std::string problem;
  const int status = forEachNote(args, line.form, [&](DossaNoteId id, DossaNoteHandle note) {
    std::string line;
    if (!problem.empty()) return;
    if (dossaDumpLine(id, note, line, problem)) {
      std::fwrite(line.data(), 1, line.size(), stdout);
    } else {
      problem = "document " + std::to_string(id) + ": " + problem;
    }
  });
  return status != 0 || problem.empty() ? status : fail(args[1] + ": " + problem);
}

// Loads a dump from standard input into FILE, which is made when missing and
// must hold no document. A load that fails leaves no file it made behind.
int cmdLoad(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage("load takes one FILE (and the dump on standard input)");
  bool made = false;
  std::string problem;
  DossaLoadResult result;
  {
    Session session;
    if (session.initStatus()) return failStatus("library", session.initStatus());
    const DossaStatus created = DossaDbCreate(args[1].c_str(), zodossa::zoDossaDesign());
    if (created && created != DOSSA_ERR_FILE_EXISTS) return failStatus(args[1], created);
    made = created == DOSSA_NOERROR;
    if (DossaStatus s = session.open(args[1])) {
      problem = dossaStatusText(s);
    } else {
      result = dossaLoad(session.db(), std::cin);
      problem = result.problem;
    }
  }
  if (!result.ok) {
    if (made) {
      Session remover;
      if (!remover.initStatus()) DossaDbDelete(args[1].c_str());
    }
    return fail(args[1] + ": " + problem);
  }
  std::printf("loaded %zu document%s\n", result.documents, result.documents == 1 ? "" : "s");
  return 0;
}

// True when the store can search for documents whose item `name` holds
// `value`: the selection formula that asks for it compiles.
bool searchable(const std::string& name, const std::string& value) {
  const std::string formula = name + " = \"" + value + "\"";
  DossaMemHandle compiled = 0;
  const DossaStatus s = DossaFormulaCompile(nullptr, 0, formula.c_str(), static_cast<std::uint32_t>(formula.size()),
                                            &compiled, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (compiled) DossaMemFree(compiled);
  return s == DOSSA_NOERROR;
}

int cmdPut(const std::vector<std::string>& args, const DossaCommandLine& line) {
  if (args.size() < 3) return usage("put takes FILE FORM and items");
  // The items in the order given: the words after FORM and the --number and --list options among them.
  std::vector<DossaCommandLine::Word> items;
  std::size_t operand = 0;
  for (const DossaCommandLine::Word& word : line.words) {
    if (word.option || ++operand > 3) items.push_back(word);
  }
  Session session;
  if (DossaStatus s = session.open(args[1])) return failStatus(args[1], s);
  // A document is found by its form: one that no search could select is refused.
  const std::string& form = args[2];
  if (form.empty()) return usage("FORM must not be empty");
  if (!searchable(zodossa::FORM_ITEM, form)) return fail("FORM \"" + form + "\" cannot be searched for");
  ZoOpenNote note;
  if (DossaStatus s = DossaNoteCreate(session.db(), note.out())) return failStatus(args[1], s);
  if (DossaStatus s = DossaItemSetText(note.get(), zodossa::FORM_ITEM, form.c_str(), DOSSA_TERMINATED))
    return failStatus(zodossa::FORM_ITEM, s);
  for (const DossaCommandLine::Word& item : items) {
    const std::string& assignment = item.text;
    std::string name, value;
    if (!splitAssignment(assignment, name, value)) return usage("expected NAME=VALUE, got \"" + assignment + "\"");
    const std::string shownName = name.substr(0, DOSSA_MAX_ITEM_NAME);
    if (!searchable(name, "")) return fail("item \"" + shownName + "\": Invalid item name (it cannot be searched)");
    if (ZoString(name.c_str()).compareNoCase(zodossa::FORM_ITEM) == 0)
      return fail("item \"" + shownName + "\" would replace the document's FORM");
    DossaStatus s = DOSSA_NOERROR;
    if (item.option == 'n') {
      double number = 0;
      if (!parseNumber(value, number)) return usage("not a number: \"" + value + "\"");
      s = DossaItemSetNumber(note.get(), name.c_str(), &number);
    } else if (item.option == 'l') {
      std::size_t start = 0;
      for (bool firstEntry = true;; firstEntry = false) {
        std::size_t comma = value.find(',', start);
        std::string entry = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        s = firstEntry ? DossaItemCreateTextList(note.get(), name.c_str(), entry.c_str(), DOSSA_TERMINATED)
                       : DossaItemAppendTextList(note.get(), name.c_str(), entry.c_str(), DOSSA_TERMINATED, 0);
        if (s || comma == std::string::npos) break;
        start = comma + 1;
      }
    } else {
      s = DossaItemSetText(note.get(), name.c_str(), value.c_str(), DOSSA_TERMINATED);
    }
    if (s) return failStatus("item \"" + shownName + "\"", s);
  }
  if (DossaStatus s = DossaNoteUpdate(note.get(), 0)) return failStatus(args[1], s);
  DossaNoteId id = 0;
  DossaNoteGetId(note.get(), &id);
  std::printf("%u\n", static_cast<unsigned>(id));
  return 0;
}

// delete FILE --message NAME: the message's Message, Field and built documents together.
int cmdDeleteMessage(const std::string& file, const std::string& message) {
  Session session;
  if (DossaStatus s = session.open(file)) return failStatus(file, s);
  std::size_t deleted = 0;
  const DossaStatus s = dossaDeleteMessage(session.db(), message, deleted);
  if (s == DOSSA_ERR_NOTE_NOT_FOUND) return fail(file + ": no documents of message \"" + message + "\"");
  if (s) return failStatus(file + ": message \"" + message + "\"", s);
  std::printf("deleted message %s (%zu document%s)\n", message.c_str(), deleted, deleted == 1 ? "" : "s");
  return 0;
}

int cmdDelete(const std::vector<std::string>& args, const DossaCommandLine& line) {
  DossaNoteId id = 0;
  if (line.message && args.size() == 2) return cmdDeleteMessage(args[1], *line.message);
  if (args.size() != 3 || line.message) return usage("delete takes FILE NOTEID or FILE --message NAME");
  if (!parseNoteId(args[2], id)) return usage("not a note id: \"" + args[2] + "\"");
  Session session;
  if (DossaStatus s = session.open(args[1])) return failStatus(args[1], s);
  if (DossaStatus s = DossaNoteDelete(session.db(), id, 0)) return failStatus(args[1] + ": document " + args[2], s);
  return 0;
}

// Saves every document again in one unit of work: a document stored before
// documents carried checksums gets its checksum.
DossaStatus resaveAll(DossaDbHandle db) {
  if (DossaStatus s = DossaDbBeginUnit(db)) return s;
  DossaStatus s = DOSSA_NOERROR;
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  do {
    if ((s = DossaNoteList(db, nullptr, after, kListBatch, ids))) break;
    for (DossaNoteId id : ids) {
      DossaNoteHandle note = 0;
      if ((s = DossaNoteOpen(db, id, 0, &note))) break;
      s = DossaNoteUpdate(note, 0);
      DossaNoteClose(note);
      if (s) break;
      after = id;
    }
  } while (!s && ids.size() == kListBatch);
  if (!s) s = DossaDbCommitUnit(db);
  if (s) DossaDbAbortUnit(db);
  return s;
}

int cmdCheck(const std::vector<std::string>& args, const DossaCommandLine& line) {
  const bool repair = line.repair;
  if (args.size() != 2) return usage("check takes FILE [--repair]");
  Session session;
  if (DossaStatus s = session.open(args[1])) return failStatus(args[1], s);
  // The file, the documents and the messages as they were at one moment.
  if (DossaStatus s = DossaDbBeginSnapshot(session.db())) return failStatus(args[1], s);
  std::string problem;
  if (DossaStatus s = DossaDbCheck(session.db(), problem))
    return fail(args[1] + ": " + dossaStatusText(s) + (problem.empty() ? "" : ": " + problem));
  // A built document outlives its message when the Message document was deleted alone: reads
  // would still build the message from it.
  std::vector<DossaMessageDocument> orphans;
  if (DossaStatus s = dossaFindOrphans(session.db(), orphans)) return failStatus(args[1], s);
  std::string built;
  for (const DossaMessageDocument& d : orphans) {
    if (d.form == zodossa::BUILT_FORM) built += (built.empty() ? "" : ", ") + std::to_string(d.id) + " (" + d.message + ")";
  }
  if (!built.empty()) {
    return fail(args[1] + ": built documents of deleted messages: " + built + " (dossa build removes them)");
  }
  if (DossaStatus s = DossaDbEndSnapshot(session.db())) return failStatus(args[1], s);
  if (repair) {
    if (DossaStatus s = resaveAll(session.db())) return failStatus(args[1], s);
  }
  std::printf("ok\n");
  return 0;
}

// layout MESSAGE --format FORMAT: the message as the configured database
// (VEXO_INI_PATH's vexo.ini, either engine or a text database) defines it.
int cmdLayout(int argc, char* argv[], const std::vector<std::string>& args, const DossaCommandLine& line) {
  DossaLayoutFormat format{};
  if (args.size() != 2 || !line.format || line.server) return usage("layout takes MESSAGE --format FORMAT");
  if (!dossaLayoutFormatNamed(*line.format, format))
    return usage("--format takes c, cobol or json-schema, not \"" + *line.format + "\"");
  UserMessage messages(stderr, stderr);
  ZoSession session(argc, argv);
  if (session.getErrorCode() != 0) {
    messages.issue(USERMSG_ERROR, session.getErrorCode(), session.getReasonCode(), session.getErrorText().text());
    messages.hints(PXMSessionHints(session));
    return 1;
  }
  ZoMessage message(args[1].c_str(), session);
  const auto code = static_cast<ZO_ULONG>(message.getErrorCode());
  if (code != 0 && (code & ZO_WARNING_CLASS_BIT) == 0) {
    const bool store = code == ERR_DB_SYS_ERROR;
    messages.issue(USERMSG_ERROR, code, store ? session.getReasonCode() : 0, store ? session.getErrorText().text() : "");
    messages.hints(PXMMessageHints(code, args[1].c_str(), session));
    return 1;
  }
  std::string out, problem;
  if (!dossaWriteLayout(message, format, out, problem)) return fail(problem);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

// The options each command takes besides --server; null for a command that does not exist.
const char* commandOptions(const std::string& command) {
  static const std::pair<const char*, const char*> kCommands[] = {
      {"create", ""}, {"list", "f"}, {"dump", "fS"}, {"load", ""}, {"put", "nl"}, {"delete", "m"}, {"check", "R"},
      {"build", ""}, {"layout", "F"}, {"diff", "j"}};
  for (const auto& [name, options] : kCommands)
    if (command == name) return options;
  return nullptr;
}

// True when the operands leave out FILE, which the configuration may then give:
// no operand, NOTEID alone for delete, and for put FORM alone or followed by NAME=TEXT.
bool fileLeftOut(const std::vector<std::string>& args, const DossaCommandLine& line) {
  const std::size_t operands = args.size() - 1;
  if (args[0] == "delete") return operands == (line.message ? 0u : 1u);
  if (args[0] == "put") return operands == 1 || (operands >= 2 && args[2].find('=') != std::string::npos);
  return operands == 0;
}

int dossaMain(int argc, char* argv[]) {
  DossaCommandLine line;
  const std::string problem = dossaParseCommandLine(argc, argv, line);
  if (!problem.empty()) return usage(problem);
  std::vector<std::string> args = line.operands();
  if (args.empty()) return usage(line.server ? "no command and FILE after --server " + *line.server : "no command");
  const std::string command = args[0];  // a copy: FILE may yet go in before the operands
  const char* options = commandOptions(command);
  if (!options) return usage("unknown command \"" + command + "\"");
  const std::pair<bool, const char*> given[] = {{line.form.has_value(), "f--form"},
                                                {line.salvage, "S--salvage"},
                                                {line.repair, "R--repair"},
                                                {line.message.has_value(), "m--message"},
                                                {line.hasItemOptions(), "n--number and --list"},
                                                {line.format.has_value(), "F--format"},
                                                {line.json, "j--json"}};
  for (const auto& [set, option] : given)
    if (set && !std::strchr(options, option[0])) return usage(command + " takes no " + (option + 1));
  if (command == "layout") return cmdLayout(argc, argv, args, line);
  if (command == "diff") return dossaDiffCommand(args, line.server, line.json);
  // FILE left out: the definition database of VEXO_INI_PATH's vexo.ini, on its server.
  if (fileLeftOut(args, line)) {
    const DossaConfiguredDatabase configured = dossaConfiguredDatabase();
    if (configured.configured) {
      if (!configured.problem.empty()) return fail(configured.problem);
      // FILE goes right after the command, where a put's items are counted from.
      const auto commandWord = std::find_if(line.words.begin(), line.words.end(),
                                            [](const DossaCommandLine::Word& word) { return word.option == 0; });
      line.words.insert(commandWord + 1, {0, configured.file});
      args = line.operands();
      if (!line.server && !configured.server.empty()) line.server = configured.server;
    }
  }
  // "--server NAME": FILE names a database on that server.
  if (line.server) {
    if (args.size() < 2) return usage("no command and FILE after --server " + *line.server);
    if (!DossaItemNameEquals(*line.server, "Local")) {
      openedServer() = *line.server;
      args[1] = *line.server + "!!" + args[1];
    }
  }
  if (command == "create") return cmdCreate(args);
  if (command == "list") return cmdList(args, line);
  if (command == "dump") return cmdDump(args, line);
  if (command == "load") return cmdLoad(args);
  if (command == "put") return cmdPut(args, line);
  if (command == "delete") return cmdDelete(args, line);
  if (command == "check") return cmdCheck(args, line);
  return dossaBuildCommand(args);
}

}  // namespace

// The frame flushes and checks standard output at the end.
int main(int argc, char* argv[]) {
  static const std::string help = std::string(kUsage) +
                                  "       dossa --help | --version\n"
                                  "Options may come anywhere, as --NAME VALUE or --NAME=VALUE; -- ends them.\n"
                                  "Without FILE, the database is the DefinitionDatabase of the vexo.ini in the\n"
                                  "folder VEXO_INI_PATH names (and its ServerName, unless Local).\n"
                                  "layout reads MESSAGE from that database (or its text database); diff compares\n"
                                  "two databases or dumps: exit 0 the same, 1 different, 2 on error.\n"
                                  "Administers a document database file; see dossa(1).\n";
  return programRunTool("dossa", help.c_str(), argc, argv, dossaMain);
}
