// The vexopxm program run as its user runs it: arguments, console lines on
// their streams, exit status, against a configured text database.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/pxm_import.h"
#include "platform/platform.h"
#include "tests/import/import_test_util.h"
#include "tests/support/run_program.h"

namespace {

using import_test::ScratchDir;

using Outcome = vexotest::ProgramRun;
using vexotest::EnvSetting;

using vexotest::readBytes;

const std::string kUsage = "Usage: vexopxm [/r] filename.pxm\n";
const std::string kNotSupported = "Error: VEXO rc = TVRC_NOT_SUPPORTED (141)\n";

class VexopxmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest";
    program_ = vexotest::programFile("vexopxm");
    examples_ = std::filesystem::absolute(std::filesystem::path(source) / "examples" / "maps").string();
    ASSERT_TRUE(std::filesystem::exists(program_));

    // A text database: every write is refused.
    dir_.write("defs.txt", "[SOMEMSG]\nFormat = F1\n");
    iniDir_ = (dir_.path() / "ini").string();
    std::filesystem::create_directories(iniDir_);
    std::ofstream(iniDir_ + "/vexo.ini")
        << "[DefinitionDatabase]\nDatabaseName = " << (dir_.path() / "defs.txt").string()
        << "\nDatabaseType = Txet\n";
    dir_.write("nomaps.pxm", "* a source without maps\n         SPACE\n");
  }

  // Runs vexopxm in the scratch directory with VEXO_INI_PATH set to `ini`
  // (unset when empty).
  Outcome run(const std::vector<std::string>& args, const std::string& ini,
              std::vector<EnvSetting> env = {}) {
    env.push_back({"VEXO_INI_PATH", ini.empty() ? std::nullopt : std::optional<std::string>(ini)});
    Outcome o = vexotest::runProgram(program_, args, dir_.path().string(), env);
    // The error lines are checked here as they always were; the hint lines
    // after them apart (hints_).
    vexotest::ErrorOutput split = vexotest::splitHints(o.err);
    o.err = std::move(split.lines);
    hints_ = std::move(split.hints);
    return o;
  }

  Outcome run(const std::vector<std::string>& args) { return run(args, iniDir_); }

  ScratchDir dir_;
  std::string program_;
  std::string examples_;
  std::string iniDir_;
  std::string hints_;  // of the last run
};

TEST_F(VexopxmTest, CommandLineErrors) {
  for (const auto& args : {std::vector<std::string>{}, {"-r", "/x", "-"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.err, "Error: VEXO rc = TVRC_PXM_NO_FILENAME (25002)\n");
    EXPECT_EQ(o.out, kUsage);
    EXPECT_EQ(o.status, 1);
  }
  for (const char* name : {"maps.txt", "maps.pxt", "/", "PXM"}) {
    if (PXM_SLASH_PREFIX_OPTIONS && name[0] == '/') continue;  // an option there
    const Outcome o = run({name});
    EXPECT_EQ(o.err, "Error: VEXO rc = TVRC_PXM_INVALID_FILENAME (25001)\n") << name;
    EXPECT_EQ(o.out, kUsage);
    EXPECT_EQ(o.status, 1);
  }
}

TEST(VexopxmOptions, SlashRuleOfEachPlatform) {
  const struct {
    const char* argument;
    bool unixOption;
    bool windowsOption;
  } cases[] = {
      {"/r", true, true},          {"/?", true, true},    {"/xyz", false, true}, {"/", false, true},
      {"/tmp/a.pxm", false, true}, {"-xyz", true, true},  {"-", true, true},     {"a.pxm", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PXMIsOption(c.argument, false), c.unixOption) << c.argument;
    EXPECT_EQ(PXMIsOption(c.argument, true), c.windowsOption) << c.argument;
  }
}

TEST_F(VexopxmTest, UnknownSlashOptionBeforeTheFileName) {
  // Passed over without a message where "/" is the option prefix; elsewhere it
  // is the file name, and not one of a map source.
  const Outcome o = run({"/xyz", "nomaps.pxm"});
  if (PXM_SLASH_PREFIX_OPTIONS) {
    EXPECT_EQ(o.out, "OK\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
  } else {
    EXPECT_EQ(o.err, "Error: VEXO rc = TVRC_PXM_INVALID_FILENAME (25001)\n");
    EXPECT_EQ(o.status, 1);
  }
}

TEST_F(VexopxmTest, UsageOnRequest) {
  for (const auto& args : {std::vector<std::string>{"/?"}, {"/?", "nomaps.pxm"}, {"-r", "-?", "maps.txt"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.out, kUsage);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
  }
  // After the file name nothing is an option.
  const Outcome after = run({"nomaps.pxm", "/?"});
  EXPECT_EQ(after.out, "OK\n");
}

TEST_F(VexopxmTest, SourcesThatCannotBeOpened) {
  std::filesystem::create_directories(dir_.path() / "folder.pxm");
  for (const char* name : {"missing.pxm", "folder.pxm"}) {
    const Outcome o = run({name});
    EXPECT_EQ(o.err, "Error: VEXO rc = TVRC_PXM_OPEN_ERROR (25003)\n") << name;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 1);
  }
}

TEST_F(VexopxmTest, SessionErrors) {
  const Outcome unset = run({"nomaps.pxm"}, "");
  EXPECT_EQ(unset.err, "Error: VEXO rc = TVRC_INI_OPEN_ERROR (147)\n");
  EXPECT_EQ(unset.out, "");
  EXPECT_EQ(unset.status, 1);

  const Outcome noIni = run({"nomaps.pxm"}, (dir_.path() / "no-such-dir").string());
  EXPECT_EQ(noIni.err, "Error: VEXO rc = TVRC_INI_OPEN_ERROR (147)\n");
  EXPECT_EQ(noIni.status, 1);

  // A document database whose file is not one: the client library's code
  // comes on a second line.
  const std::string broken = (dir_.path() / "broken").string();
  std::filesystem::create_directories(broken);
  dir_.write("broken.ndb", "this is not a database\n");
  std::ofstream(broken + "/vexo.ini")
      << "[DefinitionDatabase]\nDatabaseName = " << (dir_.path() / "broken.ndb").string()
      << "\nDatabaseType = KirraDossa\nServerName = Local\n";
  const Outcome sys = run({"nomaps.pxm"}, broken);
  EXPECT_EQ(sys.err.rfind("Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\nDossa C API error = ", 0), 0u)
      << sys.err;
  EXPECT_EQ(sys.err.back(), '\n');
  EXPECT_EQ(sys.out, "");
  EXPECT_EQ(sys.status, 1);
}

// After the error line, hint lines name the file, folder or database and
// what to do next.
TEST_F(VexopxmTest, HintLinesAfterTheErrorLine) {
  const std::string noSuchFile = std::strerror(ENOENT);
  std::filesystem::create_directories(dir_.path() / "folder.pxm");
  dir_.write("foreign.ndb", "this is not a database\n");
  const auto ini = [&](const std::string& folder, const std::string& name, const std::string& type,
                       const std::string& server = "Local") {
    std::filesystem::create_directories(dir_.path() / folder);
    dir_.write(folder + "/vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + name + "\nDatabaseType = " + type +
                                         "\nServerName = " + server + "\n");
    return (dir_.path() / folder).string();
  };
  const auto iniFile = [](const std::string& folder) { return platformDirWithSeparator(folder.c_str()) + "vexo.ini"; };
  const std::string missingDir = (dir_.path() / "no-such-dir").string();
  const std::string badType = ini("badtype", "defs.txt", "Oracle");
  const std::string longName = ini("longname", std::string(48, 'n'), "Txet");
  const struct {
    std::vector<std::string> args;
    std::string iniDir;
    std::string errorLine;
    std::string hints;
  } cases[] = {
      {{"missing.pxm"}, iniDir_, "Error: VEXO rc = TVRC_PXM_OPEN_ERROR (25003)\n",
       "cannot open the source missing.pxm: " + noSuchFile + "\n"},
      {{"folder.pxm"}, iniDir_, "Error: VEXO rc = TVRC_PXM_OPEN_ERROR (25003)\n",
       "cannot open the source folder.pxm: not a regular file\n"},
      {{"nomaps.pxm"}, "", "Error: VEXO rc = TVRC_INI_OPEN_ERROR (147)\n",
       "VEXO_INI_PATH is not set: set it to the folder that holds vexo.ini\n"},
      {{"nomaps.pxm"}, missingDir, "Error: VEXO rc = TVRC_INI_OPEN_ERROR (147)\n",
       "searched the folder VEXO_INI_PATH names: " + missingDir + "\n" + iniFile(missingDir) + ": " + noSuchFile +
           "\n"},
      {{"nomaps.pxm"}, badType, "Error: VEXO rc = TVRC_INVALID_DB_TYPE (41008)\n",
       iniFile(badType) + ": DatabaseType must be one of: KirraDossa, Txet\n"},
      {{"nomaps.pxm"}, longName, "Error: VEXO rc = TVRC_INVALID_DB_NAME (129)\n",
       iniFile(longName) + ": DatabaseName has 48 characters; at most 47 are allowed, for either database type\n"},
      {{"nomaps.pxm"}, ini("missing", "missing.ndb", "KirraDossa"), "Error: VEXO rc = TVRC_DEFN_DB_UNKNOWN (5020)\n",
       "the database " + (std::filesystem::canonical(dir_.path()) / "missing.ndb").string() +
           " does not exist (a relative DatabaseName is taken in the current folder; NDOSSA_DATA names another)"
           "\ncreate it with: dossa create missing.ndb\n"},
      {{"nomaps.pxm"}, ini("quoted", "my $defs.ndb", "KirraDossa"), "Error: VEXO rc = TVRC_DEFN_DB_UNKNOWN (5020)\n",
       "the database " + (std::filesystem::canonical(dir_.path()) / "my $defs.ndb").string() +
           " does not exist (a relative DatabaseName is taken in the current folder; NDOSSA_DATA names another)"
           "\ncreate it with: dossa create 'my $defs.ndb'\n"},
      {{"nomaps.pxm"}, ini("foreign", "foreign.ndb", "KirraDossa"), "Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n",
       "the database file foreign.ndb: not a database of ours\n"},
      {{"nomaps.pxm"}, ini("noserver", "defs.ndb", "KirraDossa", "nosuch"),
       "Error: VEXO rc = TVRC_DEFN_DB_UNKNOWN (5020)\n",
       "the database defs.ndb does not exist on the server nosuch, or no connection service (pg_service.conf) "
       "names nosuch\ncreate it with: dossa --server nosuch create defs.ndb\n"},
#ifndef _WIN32  // the test server's services
      {{"nomaps.pxm"}, ini("down", "defs.ndb", "KirraDossa", "vexodown"),
       "Error: VEXO rc = TVRC_DEFN_DB_UNAVAILABLE (5025)\n",
       "the server vexodown does not answer: see the host and port of its connection service\n"},
      {{"nomaps.pxm"}, ini("denied", "defs.ndb", "KirraDossa", "vexodenied"),
       "Error: VEXO rc = TVRC_DEFN_DB_SECURITY_FAILURE (5021)\n",
       "the server vexodenied refused the connection: see the user of its connection service and its password "
       "in ~/.pgpass\n"},
#endif
  };
  for (const auto& c : cases) {
    const Outcome o = run(c.args, c.iniDir);
    EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1), c.errorLine) << c.args[0] << " " << c.iniDir;
    EXPECT_EQ(hints_, c.hints) << c.args[0] << " " << c.iniDir;
    EXPECT_EQ(o.status, PXM_EXIT_ERROR);
  }
}

TEST_F(VexopxmTest, TextDatabaseRefusesTheFirstMap) {
  const Outcome o = run({examples_ + "/orders.pxm"});
  EXPECT_EQ(o.out, "PXM map ORDHEAD\n");
  EXPECT_EQ(o.err, kNotSupported);
  EXPECT_EQ(hints_,
            "map ORDHEAD\nthe configured database takes no writes (a text database is read-only): "
            "import into a KirraDossa database\n");
  EXPECT_EQ(o.status, 1);

  const Outcome replacing = run({"-x", "/R", examples_ + "/stock.pxm"});
  EXPECT_EQ(replacing.out, "PXM map STOCKQ\n");
  EXPECT_EQ(replacing.err, kNotSupported);
}

TEST_F(VexopxmTest, FileNamesThatPass) {
  std::filesystem::create_directories(dir_.path() / "maps.PXM");
  dir_.write("maps.PXM/source.txt", "* no maps\n");
  dir_.write("lower.pxm", "\n");
  const std::string absolute = (dir_.path() / "nomaps.pxm").string();
  for (const std::string& name : {std::string("lower.pxm"), std::string("maps.PXM/source.txt"), absolute}) {
    const Outcome o = run({name});
    EXPECT_EQ(o.out, "OK\n") << name;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
  }
#ifndef _WIN32  // file names differing in case only name one file on Windows
  // The file is opened under the name as typed, not the upper-cased copy.
  const Outcome upper = run({"LOWER.PXM"});
  EXPECT_EQ(upper.err, "Error: VEXO rc = TVRC_PXM_OPEN_ERROR (25003)\n");
#endif
}

TEST_F(VexopxmTest, ReplaceOnlyFromOptionsBeforeTheFileName) {
  const std::string traces = (dir_.path() / "trace").string();
  std::filesystem::create_directories(traces);
  const std::vector<EnvSetting> env{{"VEXO_TRACE", "1"}, {"VEXO_TRACE_PATH", traces}};
  const auto traced = [&](const std::vector<std::string>& args) {
    std::filesystem::remove_all(traces);
    std::filesystem::create_directories(traces);
    EXPECT_EQ(run(args, iniDir_, env).out, "OK\n");
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(traces)) all += readBytes(entry.path());
    return all;
  };
  const std::string before = traced({"-r", "nomaps.pxm"});
  EXPECT_NE(before.find("Will replace existing definitions"), std::string::npos);
  EXPECT_NE(before.find("VEXOPXM starting"), std::string::npos);
  EXPECT_NE(before.find("VEXOPXM terminating"), std::string::npos);
  const std::string after = traced({"nomaps.pxm", "-r"});
  EXPECT_EQ(after.find("Will replace existing definitions"), std::string::npos);
}

TEST_F(VexopxmTest, BadInputEndsCleanly) {
  // Garbage bytes: whatever statements they hold, the run ends with a line of
  // its own and an exit status that agrees with it.
  std::string bytes;
  unsigned state = 12345;
  for (int i = 0; i < 256 * 1024; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>((state >> 16) & 0xFF);
  }
  dir_.write("garbage.pxm", bytes);
  const Outcome o = run({"garbage.pxm"});
  EXPECT_TRUE((o.status == 0 && o.out == "OK\n") || (o.status == 1 && !o.err.empty())) << o.out << o.err;

  // A file ending inside a continued map statement has no map.
  std::string open = "MAPA     PXMMAP SIZE=(24,80),";
  open.append(71 - open.size(), ' ');
  dir_.write("open.pxm", open + "X\n");
  const Outcome unfinished = run({"open.pxm"});
  EXPECT_EQ(unfinished.out, "OK\n");
  EXPECT_EQ(unfinished.status, 0);
}

}  // namespace
