// The command line of dossa, read with the C library's getopt_long, and the
// database a configuration file names.

#include "tools/dossa/dossa_options.h"

#include <getopt.h>

#include <cstring>

#include "ndossa/dossa_admin.h"
#include "platform/platform.h"
#include "session/zo_config.h"
#include "session/zo_session.h"
#include "session/zo_store_factory.h"

namespace {

constexpr const char* kDefinitionSection = "DefinitionDatabase";

// A word getopt_long would take for one-letter options.
bool singleDashWord(const char* word) { return word[0] == '-' && word[1] != '\0' && word[1] != '-'; }

// The option word as given, without an "=VALUE" it carries.
std::string optionName(const char* word) {
  const char* equals = std::strchr(word, '=');
  return equals ? std::string(word, equals) : std::string(word);
}

}  // namespace

std::vector<std::string> DossaCommandLine::operands() const {
  std::vector<std::string> out;
  for (const Word& w : words)
    if (!w.option) out.push_back(w.text);
  return out;
}

bool DossaCommandLine::hasItemOptions() const {
  for (const Word& w : words)
    if (w.option) return true;
  return false;
}

std::string dossaParseCommandLine(int argc, char* argv[], DossaCommandLine& line) {
  static const option kOptions[] = {
      {"server", required_argument, nullptr, 's'}, {"form", required_argument, nullptr, 'f'},
      {"message", required_argument, nullptr, 'm'}, {"number", required_argument, nullptr, 'n'},
      {"list", required_argument, nullptr, 'l'},    {"salvage", no_argument, nullptr, 'S'},
      {"repair", no_argument, nullptr, 'R'},        {"format", required_argument, nullptr, 'F'},
      {"json", no_argument, nullptr, 'j'},          {nullptr, 0, nullptr, 0}};
  // '-': the words that are not options come back in order (as 1), so that a
  // put's items keep their order among --number and --list; ':': a missing
  // value comes back as ':'.
  static const char kShape[] = "-:";
  line = DossaCommandLine();
  opterr = 0;
  optind = 0;  // starts the reader over
  for (;;) {
    const int next = optind == 0 ? 1 : optind;
    if (next < argc && singleDashWord(argv[next])) {
      line.words.push_back({0, argv[next]});
      optind = next + 1;
      continue;
    }
    const int c = getopt_long(argc, argv, kShape, kOptions, nullptr);
    if (c == -1) break;
    const std::string word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    switch (c) {
      case 1: line.words.push_back({0, optarg}); break;
      case 's': line.server = optarg; break;
      case 'f': line.form = optarg; break;
      case 'm': line.message = optarg; break;
      case 'n':
      case 'l': line.words.push_back({static_cast<char>(c), optarg}); break;
      case 'S': line.salvage = true; break;
      case 'R': line.repair = true; break;
      case 'F': line.format = optarg; break;
      case 'j': line.json = true; break;
      case ':':
        // Some C libraries (MinGW's) answer ':' for a value given to an option that takes none.
        if (optopt == 'S' || optopt == 'R' || optopt == 'j') return optionName(word.c_str()) + " takes no value";
        if (optopt == 's') return "--server takes a NAME";
        if (optopt == 'n' || optopt == 'l') return std::string(optopt == 'n' ? "--number" : "--list") + " needs NAME=VALUE";
        return optionName(word.c_str()) + " needs a value";
      default:
        // An option of ours that takes no value, given one ("--repair=x").
        if (optopt != 0) return optionName(word.c_str()) + " takes no value";
        return "unknown option " + optionName(word.c_str());
    }
  }
  for (int i = optind; i < argc; ++i) line.words.push_back({0, argv[i]});  // after "--"
  if (line.server && line.server->empty()) return "--server takes a NAME";
  return std::string();
}

DossaConfiguredDatabase dossaConfiguredDatabase() {
  DossaConfiguredDatabase out;
  const char* directory = platformGetEnv(ZoSession::INI_PATH_VARIABLE);
  if (directory == nullptr || directory[0] == '\0') return out;
  out.configured = true;
  const std::string ini = platformDirWithSeparator(directory) + ZoSession::INI_FILE_NAME;
  ZoConfig config;
  if (!config.open(ini.c_str())) {
    out.problem = ini + " (" + ZoSession::INI_PATH_VARIABLE + "): cannot be read";
    return out;
  }
  const std::string where = ini + ": [" + kDefinitionSection + "] ";
  ZoString value;
  if (!config.read(kDefinitionSection, "DatabaseName", value) || value.length() == 0) {
    out.problem = where + "has no DatabaseName";
    return out;
  }
  out.file = value.text();
  if (config.read(kDefinitionSection, "DatabaseType", value)) {
    const ZoStoreType* type = zoFindStoreType(value);
    if (type != nullptr && !type->readsServerName) {
      out.problem = where + "DatabaseType " + value.text() + " is not a document database";
      return out;
    }
  }
  if (config.read(kDefinitionSection, "ServerName", value) && !DossaItemNameEquals(value.text(), "Local"))
    out.server = value.text();
  return out;
}
