// Crash safety of the whole import: vexopxm writes a large source into a
// document database and is killed (SIGKILL; TerminateProcess on Windows) at
// many moments of the run.
// After each kill the database must open and pass its checks with every
// document whole, and every map must be exactly as before the run or exactly
// as the run writes it (its Message document, all its Field documents and its
// MsgBuild document); a following "vexopxm /r" must leave exactly the
// definitions the source describes. Each case runs with a local database
// file and with a database on the test server.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

#include "docstore/zo_dossa_layout.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/docstore/generated_maps.h"
#include "tests/support/run_program.h"

namespace {

using namespace docstoretest;
using docstoretest::Definitions;
using docstoretest::Field;
using docstoretest::makeSource;

constexpr int kMaps = kGeneratedMaps;
#ifdef _WIN32
// Each point costs two imports, and a program start under Wine is slow: fewer
// points there, spread over the same run.
constexpr int kKillPoints = 16;
#else
constexpr int kKillPoints = 50;
#endif

std::string itemOf(DossaNoteHandle note, const char* item) {
  if (!DossaItemIsPresent(note, item, DOSSA_TERMINATED)) return "<missing>";
  std::vector<char> buffer(DOSSA_MAX_TEXT);
  std::uint16_t n = DossaItemGetText(note, item, buffer.data(), static_cast<std::uint16_t>(buffer.size()));
  return std::string(buffer.data(), n);
}

// What a run left behind, read directly from the documents.
struct Stored {
  std::vector<std::string> messages;                     // MessageName of each Message document
  std::vector<std::tuple<std::string, std::string, Field>> fields;  // each Field document
  std::map<std::string, int> built;                      // MsgBuild documents per message
};

// Runs with a local database file ("local") or a database on the test
// server ("server", the service vexotest of scripts/pg-cluster).
class ImportCrashTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    program_ = vexotest::programFile("vexopxm");
    ASSERT_FALSE(program_.empty()) << "run through ctest";
    ASSERT_TRUE(std::filesystem::exists(program_)) << program_;
    useServer(GetParam() == "server");
    std::ofstream(dir_.file("large.pxm")) << makeSource(expected_);
    std::ofstream(dir_.file("other.pxm")) << makeSource(variant_, 1);
  }

  // Configures the import for a new database: a local file, or a database of
  // a name no other test uses on the server of PGSERVICEFILE.
  void useServer(bool server) {
    const std::string name = server ? std::filesystem::path(dir_.path()).filename().string() + ".ndb" : "defs.ndb";
    std::string ini = kDefinitionIni;
    if (server) {
      ini.replace(ini.find("defs.ndb"), 8, name);
      ini.replace(ini.find("Local"), 5, "vexotest");
    }
    configure(dir_, ini);
    path_ = server ? "vexotest!!" + name : dir_.file(name);
    createDatabase(path_);
  }

  // Replaces the database by a new, empty one.
  void freshDatabase() {
    {
      Library library;
      DossaDbDelete(path_.c_str());
    }
    createDatabase(path_);
  }

  // Starts vexopxm on the large source (or its variant), replacing or not.
  std::unique_ptr<vexotest::StartedProgram> start(bool replace, bool variant = false,
                                                  const std::string& errFile = std::string()) {
    std::vector<std::string> args;
    if (replace) args.push_back("/r");
    args.push_back(dir_.file(variant ? "other.pxm" : "large.pxm"));
    return std::make_unique<vexotest::StartedProgram>(program_, args, errFile);
  }

  // Runs "vexopxm /r" to its end; returns its output and fills its status.
  std::string runToEnd(int& status) {
    auto run = start(true);
    std::string text = run->readLines(1L << 30);
    status = run->wait();
    return text;
  }

  // The database opens and passes the library's whole check (SQLite's
  // integrity check, every document decodes, the indexes match), and every
  // Message and Field document carries the items a reader needs.
  Stored checkDatabase() {
    Stored stored;
    Db db(path_);
    EXPECT_NE(db.get(), 0u);
    if (!db.get()) return stored;
    std::string problem;
    EXPECT_EQ(DossaDbCheck(db.get(), problem), DOSSA_NOERROR) << problem;
    std::vector<DossaNoteId> ids;
    EXPECT_EQ(DossaNoteList(db.get(), nullptr, 0, 1000000, ids), DOSSA_NOERROR);
    for (DossaNoteId id : ids) {
      DossaNoteHandle note = 0;
      EXPECT_EQ(DossaNoteOpen(db.get(), id, 0, &note), DOSSA_NOERROR) << id;
      if (!note) continue;
      const std::string form = itemOf(note, zodossa::FORM_ITEM);
      if (form == zodossa::BUILT_FORM) {
        ++stored.built[itemOf(note, zodossa::BUILT_NAME)];
        DossaNoteClose(note);
        continue;
      }
      const std::string message = itemOf(note, zodossa::MESSAGE_NAME);
      EXPECT_TRUE(form == zodossa::MESSAGE_FORM || form == zodossa::FIELD_FORM) << form;
      EXPECT_NE(message, "<missing>") << id;
      if (form == zodossa::MESSAGE_FORM) {
        stored.messages.push_back(message);
        EXPECT_NE(itemOf(note, zodossa::MESSAGE_FORMAT), "<missing>") << message;
      } else if (form == zodossa::FIELD_FORM) {
        Field field{itemOf(note, zodossa::FIELD_ROW), itemOf(note, zodossa::FIELD_COLUMN),
                    itemOf(note, zodossa::FIELD_LENGTH)};
        const std::string name = itemOf(note, zodossa::FIELD_MESSAGE_FIELD_NAME);
        for (const char* item : {zodossa::FIELD_BASE_NAME, zodossa::FIELD_TYPE, zodossa::FIELD_POSITION,
                                 zodossa::FIELD_PAD, zodossa::FIELD_ALIGNMENT})
          EXPECT_NE(itemOf(note, item), "<missing>") << name << " " << item;
        EXPECT_NE(field.row, "<missing>") << name;
        EXPECT_NE(field.column, "<missing>") << name;
        EXPECT_NE(field.length, "<missing>") << name;
        stored.fields.emplace_back(message, name, field);
      }
      DossaNoteClose(note);
    }
    return stored;
  }

  // The stored maps, each as its Field documents; a map without its Message
  // document, or with more than one, or with Message and MsgBuild documents
  // not both present once, is not whole.
  static Definitions mapsOf(const Stored& stored, std::set<std::string>& broken) {
    Definitions found;
    std::map<std::string, int> messages;
    for (const std::string& message : stored.messages) found[message], ++messages[message];
    for (const auto& [message, name, field] : stored.fields) {
      if (!found[message].emplace(name, field).second) broken.insert(message);
    }
    for (const auto& [message, fields] : found) {
      auto built = stored.built.find(message);
      if (messages[message] != 1 || built == stored.built.end() || built->second != 1) broken.insert(message);
    }
    for (const auto& [message, count] : stored.built)
      if (!messages.count(message)) broken.insert(message);
    return found;
  }

  // Every map is exactly as `before` has it (absent when before has no such
  // map) or exactly as `after` has it.
  static void expectOldOrNew(const Stored& stored, const Definitions& before, const Definitions& after) {
    std::set<std::string> broken;
    const Definitions found = mapsOf(stored, broken);
    EXPECT_TRUE(broken.empty()) << "maps not whole, first " << *broken.begin();
    for (const auto& [map, fields] : after) {
      auto f = found.find(map);
      auto b = before.find(map);
      const bool old = b == before.end() ? f == found.end() : f != found.end() && f->second == b->second;
      const bool fresh = f != found.end() && f->second == fields;
      EXPECT_TRUE(old || fresh) << map << " is neither its old nor its new definition";
    }
    for (const auto& [map, fields] : found)
      EXPECT_TRUE(after.count(map)) << map << " is not a map of the source";
  }

  // The stored documents are exactly the source's definitions: one Message
  // document per map, one Field document per named field, nothing else.
  void expectExactly(const Stored& stored) {
    std::set<std::string> broken;
    EXPECT_TRUE(mapsOf(stored, broken) == expected_) << "stored maps differ from the source";
    EXPECT_TRUE(broken.empty()) << "maps not whole, first " << *broken.begin();
  }

  TempDir dir_;
  std::string path_;  // the database, as the library opens it
  std::string program_;
  Definitions expected_;
  Definitions variant_;
};

TEST_P(ImportCrashTest, KilledImportsLeaveWholeDocumentsAndReplaceRestoresTheSource) {
  int landed = 0;
  int attempts = 0;
  std::set<std::size_t> leftCounts;  // field documents left by the kills of first imports
  while (landed < kKillPoints && attempts < 3 * kKillPoints) {
    const int point = landed;
    ++attempts;
    // Even points kill a first import into a new database, odd points a
    // replacing import of the variant source over a complete import.
    const bool fresh = point % 2 == 0;
    if (fresh) freshDatabase();
    auto run = start(!fresh, !fresh);
    ASSERT_TRUE(run->started());
    // Spread the kills over the maps of the run, each a little way into the
    // writes that follow the progress line of its map.
    const int lines = (point * kMaps) / kKillPoints;
    run->readLines(lines);
    std::this_thread::sleep_for(std::chrono::microseconds((point * 7919) % 4000));
    const bool killed = run->kill();
    run.reset();
    if (killed) ++landed;

    const Stored left = checkDatabase();
    expectOldOrNew(left, fresh ? Definitions{} : expected_, fresh ? expected_ : variant_);
    if (killed && fresh) leftCounts.insert(left.fields.size());
    int replaceStatus = -1;
    const std::string text = runToEnd(replaceStatus);
    ASSERT_EQ(replaceStatus, 0) << text;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), "OK\n");
    expectExactly(checkDatabase());
    if (HasFailure()) return;
  }
  EXPECT_GE(landed, kKillPoints) << "runs ended before their kill in " << attempts - landed << " attempts";
  // The kills met the first imports at different stages.
  EXPECT_GE(leftCounts.size(), 5u);
  std::printf("%d kills in %d runs; first imports killed with %zu different numbers of fields written\n",
              landed, attempts, leftCounts.size());
}

// Cases of the local file alone.
using LocalImportCrashTest = ImportCrashTest;

// A disk that fills at many moments of an import, among them while the log
// is copied into the database file: a small file system of its own (tmpfs)
// where the test may mount one, a file-size limit of the import's process
// otherwise. Each run either fits and ends with "OK", or ends with the error
// line and exit status 1; every map whose import finished before the error
// is in the database as the run wrote it, the others old or absent; the
// database passes its check; and "vexopxm /r" with room restores the source.
#ifndef _WIN32
// A tmpfs mounted over a folder for as long as it lives (when mounting works).
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& dir) : dir_(dir) {
    std::filesystem::create_directories(dir);
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  bool resize(unsigned long kib) {
    return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT, ("size=" + std::to_string(kib) + "k").c_str()) == 0;
  }
  unsigned long usedKib() const {
    struct statvfs fs {};
    if (::statvfs(dir_.c_str(), &fs) != 0) return 0;
    return static_cast<unsigned long>((fs.f_blocks - fs.f_bfree) * fs.f_frsize / 1024);
  }

 private:
  std::string dir_;
  bool mounted_ = false;
};
#endif

TEST_P(LocalImportCrashTest, AFullDiskKeepsEveryFinishedMap) {
#ifdef _WIN32
  GTEST_SKIP() << "small file systems and file-size limits of a process are POSIX only";
#else
  // Enough maps that the log is copied into the database file during the run
  // (a map writes about 90 KiB of log; the copy starts at 8 MiB of it).
  constexpr int kDiskMaps = 240;
  constexpr int kPoints = 10;
  constexpr unsigned long kRoomyKib = 64 * 1024;
  Definitions full, variant;
  const std::string source = dir_.write("disk.pxm", makeSource(full, 0, kDiskMaps, "DSK"));
  const std::string variantSource = dir_.write("disk2.pxm", makeSource(variant, 1, kDiskMaps, "DSK"));
  SmallDisk disk(dir_.file("disk"));
  setenv("NDOSSA_DATA", dir_.file("disk").c_str(), 1);
  path_ = dir_.file("disk") + "/defs.ndb";
  std::printf("filling %s\n", disk.mounted() ? "a tmpfs" : "a file-size limit");

  auto import = [&](const std::string& file, bool replace, unsigned long limitKib, int& status) {
    rlimit saved{};
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (!disk.mounted() && limitKib) {
      rlimit small = saved;
      small.rlim_cur = static_cast<rlim_t>(limitKib) * 1024;
      EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    std::vector<std::string> args;
    if (replace) args.push_back("/r");
    args.push_back(file);
    vexotest::StartedProgram run(program_, args, dir_.file("errors"));  // the child keeps the limit
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    const std::string out = run.readLines(1L << 30);
    status = run.wait();
    return out + vexotest::readBytes(dir_.file("errors"));
  };
  auto roomy = [&] {
    if (disk.mounted()) {
      ASSERT_TRUE(disk.resize(kRoomyKib));
    }
  };

  int errors = 0;
  for (int point = 0; point < kPoints; ++point) {
    const bool fresh = point % 2 == 0;
    roomy();
    freshDatabase();
    int status = -1;
    if (!fresh) {
      ASSERT_EQ((import(source, false, 0, status), status), 0);
    }
    // Spread the fill over the run: from the first map to past its end.
    const unsigned long extra = 64 + (point * 12UL * 1024) / kPoints;
    const unsigned long base = disk.mounted() ? disk.usedKib() : 0;
    if (disk.mounted()) {
      ASSERT_TRUE(disk.resize(base + extra));
    }
    const std::string text = import(fresh ? source : variantSource, !fresh, base + extra, status);
    const std::string where = "point " + std::to_string(point) + ", " + std::to_string(extra) + " KiB: ";
    const bool ok = text.find("\nOK\n") != std::string::npos;
    EXPECT_EQ(status, ok ? 0 : 1) << where << text;
    if (!ok) {
      ++errors;
      EXPECT_NE(text.find("Error: VEXO rc = "), std::string::npos) << where << text;
    }
    std::printf("%s%s, %zu progress lines\n", where.c_str(), ok ? "OK" : "error",
                static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    roomy();
    const Definitions& before = fresh ? Definitions{} : full;
    const Definitions& after = fresh ? full : variant;
    const Stored stored = checkDatabase();
    expectOldOrNew(stored, before, after);
    // Maps whose progress line was followed by another's (or by "OK") are written.
    std::set<std::string> broken;
    const Definitions found = mapsOf(stored, broken);
    std::istringstream lines(text);
    std::string line, previous;
    while (std::getline(lines, line) && line.rfind("Error", 0) != 0) {
      if (previous.rfind("PXM map ", 0) == 0) {
        const std::string map = previous.substr(8);
        auto f = found.find(map);
        EXPECT_TRUE(f != found.end() && f->second == after.at(map)) << where << map << " finished but is lost";
      }
      previous = line;
    }
    const vexotest::ProgramRun check = vexotest::runProgram(vexotest::programFile("dossa"), {"check", path_});
    EXPECT_EQ(check.status, 0) << where << check.out << check.err;
    ASSERT_EQ((import(fresh ? source : variantSource, true, 0, status), status), 0) << where;
    std::set<std::string> whole;
    EXPECT_TRUE(mapsOf(checkDatabase(), whole) == after) << where << "stored maps differ from the source";
    if (HasFailure()) return;
  }
  EXPECT_GE(errors, kPoints / 2) << "the disk filled in too few runs";

  // One large unit: a load of the whole dump spills its log before its
  // commit. It fits and loads every document, or fails and leaves no database.
  const std::string dossa = vexotest::programFile("dossa");
  const vexotest::ProgramRun dump = vexotest::runProgram(dossa, {"dump", path_}, "", {}, {"", dir_.file("dump")});
  ASSERT_EQ(dump.status, 0) << dump.err;
  const std::string dumped = vexotest::readBytes(dir_.file("dump"));
  const auto documents = std::count(dumped.begin(), dumped.end(), '\n');
  const std::string loaded = dir_.file("disk") + "/loaded.ndb";
  for (const unsigned long kib : {256UL, 1024UL, 4096UL, 32768UL}) {
    freshDatabase();
    const unsigned long base = disk.mounted() ? disk.usedKib() : 0;
    if (disk.mounted()) {
      ASSERT_TRUE(disk.resize(base + kib));
    }
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(kib) * 1024;
    if (!disk.mounted()) {
      ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const vexotest::ProgramRun load = vexotest::runProgram(dossa, {"load", loaded}, "", {}, {dir_.file("dump"), ""});
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    roomy();
    std::printf("load of %ld documents into %lu KiB: %s\n", static_cast<long>(documents), kib,
                load.status == 0 ? "loaded" : "error");
    const std::string where = "load into " + std::to_string(kib) + " KiB: " + load.out + load.err;
    if (load.status == 0) {
      const vexotest::ProgramRun check = vexotest::runProgram(dossa, {"check", loaded});
      EXPECT_EQ(check.status, 0) << where << check.out << check.err;
      const vexotest::ProgramRun list = vexotest::runProgram(dossa, {"list", loaded});
      EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), documents) << where;
    } else {
      EXPECT_EQ(load.status, 1) << where;
      EXPECT_FALSE(std::filesystem::exists(loaded)) << where;
    }
    std::filesystem::remove(loaded);
  }
#endif
}

// Concurrent imports of the same maps and of different maps, plain and
// replacing: each run ends with "OK" or the import's error, a replacing run
// never finds a map "already exists", at most one plain run of the same maps
// gets through, and every map ends whole as one run wrote it.
TEST_P(ImportCrashTest, ConcurrentImportsNeverDuplicateOrMix) {
  constexpr int kRaceMaps = 8;
#ifdef _WIN32
  const int counts[] = {2, 4};  // program starts under Wine are slow
#else
  const int counts[] = {2, 4, 8};
#endif
  for (const int processes : counts) {
    for (const bool sameMaps : {true, false}) {
      freshDatabase();
      std::vector<Definitions> sources(processes);
      std::vector<std::string> files(processes);
      for (int p = 0; p < processes; ++p) {
        const std::string prefix = sameMaps ? "RS" : "R" + std::to_string(p);
        files[p] = dir_.write("race" + std::to_string(p) + ".pxm",
                              makeSource(sources[p], p, kRaceMaps, prefix.c_str()));
      }
      std::vector<vexotest::ProgramRun> runs(processes);
      std::vector<std::thread> threads;
      for (int p = 0; p < processes; ++p) {
        threads.emplace_back([&, p] {
          std::vector<std::string> args;
          if (p % 2 == 1) args.push_back("/r");
          args.push_back(files[p]);
          runs[p] = vexotest::runProgram(program_, args);
        });
      }
      for (std::thread& t : threads) t.join();

      int plainOk = 0;
      for (int p = 0; p < processes; ++p) {
        const std::string where = std::to_string(processes) + (sameMaps ? " same" : " different") +
                                  ", run " + std::to_string(p) + ": " + runs[p].out + runs[p].err;
        const bool ok = runs[p].status == 0 && runs[p].out.size() >= 3 &&
                        runs[p].out.compare(runs[p].out.size() - 3, 3, "OK\n") == 0;
        if (p % 2 == 1 || !sameMaps) {
          EXPECT_TRUE(ok) << where;
          EXPECT_EQ(runs[p].err, "") << where;
        } else {
          plainOk += ok ? 1 : 0;
          EXPECT_TRUE(ok || vexotest::splitHints(runs[p].err).lines == "Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n")
              << where;
        }
      }
      EXPECT_LE(plainOk, 1);
      std::set<std::string> broken;
      const Definitions found = mapsOf(checkDatabase(), broken);
      EXPECT_TRUE(broken.empty()) << "maps not whole, first " << *broken.begin();
      EXPECT_EQ(found.size(), static_cast<std::size_t>(sameMaps ? kRaceMaps : kRaceMaps * processes));
      for (const auto& [map, fields] : found) {
        bool written = false;
        for (const Definitions& source : sources) {
          auto it = source.find(map);
          written = written || (it != source.end() && it->second == fields);
        }
        EXPECT_TRUE(written) << map << " is no run's definition";
      }
      if (HasFailure()) return;
    }
  }
}

#ifndef _WIN32
// The server stops abruptly in the middle of an import (a private server of
// its own: the other tests' server goes on). The import ends with the
// not-responding error; once the server is back, its database passes the
// check with every map old or new, and "vexopxm /r" restores the source.
using ServerFaultTest = ImportCrashTest;

TEST_P(ServerFaultTest, AServerStoppedMidImportLeavesEveryMapOldOrNew) {
  constexpr int kBigMaps = 600;  // long enough a run that the stop meets it
  const char* source = std::getenv("VEXO_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run through ctest";
  TempDir clusterDir;
  const std::string cluster = clusterDir.file("cluster");
  auto server = [&](const char* command) {
    return std::system((std::string(source) + "/scripts/pg-cluster " + command + " '" + cluster + "' >/dev/null").c_str());
  };
  // The private server is always stopped, and the tests' server named again.
  struct Restore {
    std::function<void()> undo;
    ~Restore() { undo(); }
  } restore{[&, saved = std::string(std::getenv("PGSERVICEFILE") ? std::getenv("PGSERVICEFILE") : "")] {
    server("stop");
    setenv("PGSERVICEFILE", saved.c_str(), 1);
  }};
  ASSERT_EQ(server("start"), 0);
  setenv("PGSERVICEFILE", (cluster + "/pg_service.conf").c_str(), 1);
  useServer(true);
  Definitions big;
  const std::string file = dir_.write("big.pxm", makeSource(big, 0, kBigMaps, "BIG"));

  vexotest::StartedProgram run(program_, {file}, dir_.file("errors"));
  ASSERT_TRUE(run.started());
  run.readLines(kBigMaps / 10);
  ASSERT_EQ(server("halt"), 0);
  const std::string rest = run.readLines(1L << 30);
  EXPECT_EQ(run.wait(), 1) << rest;
  EXPECT_EQ(rest.find("OK\n"), std::string::npos) << rest;
  const std::string errors = vexotest::readBytes(dir_.file("errors"));
  EXPECT_NE(errors.find("2055"), std::string::npos) << errors;

  ASSERT_EQ(server("resume"), 0);
  const std::string name = path_.substr(path_.find("!!") + 2);
  const vexotest::ProgramRun check =
      vexotest::runProgram(vexotest::programFile("dossa"), {"--server", "vexotest", "check", name});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  expectOldOrNew(checkDatabase(), {}, big);
  const vexotest::ProgramRun again = vexotest::runProgram(program_, {"/r", file});
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  std::set<std::string> broken;
  EXPECT_TRUE(mapsOf(checkDatabase(), broken) == big) << "stored maps differ from the source";
  EXPECT_TRUE(broken.empty());
}

INSTANTIATE_TEST_SUITE_P(Stores, ImportCrashTest, ::testing::Values(std::string("local"), std::string("server")));
INSTANTIATE_TEST_SUITE_P(Stores, ServerFaultTest, ::testing::Values(std::string("server")));
#else
INSTANTIATE_TEST_SUITE_P(Stores, ImportCrashTest, ::testing::Values(std::string("local")));
#endif
INSTANTIATE_TEST_SUITE_P(Stores, LocalImportCrashTest, ::testing::Values(std::string("local")));

}  // namespace
