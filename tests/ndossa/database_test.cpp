// Library lifecycle, opening databases (good, missing, foreign, damaged), paths,
// user names and status texts.

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <set>

#include "tests/ndossa/dossa_test_util.h"

namespace dossatest {
namespace {

using DatabaseTest = DossaTest;
// Cases about files on disk: the local engine's alone (the server engine's
// counterparts are in pg_engine_test.cpp).
using FileDatabaseTest = DossaTest;

TEST(DossaLifecycle, EveryCallFailsOutsideInitialisation) {
  TempDir dir;
  std::string path = dir.file("x.ndb");
  DossaDbHandle db = 7;
  char buffer[DOSSA_MAXPATH];
  EXPECT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_ERR_NOT_INITIALIZED);
  EXPECT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_ERR_NOT_INITIALIZED);
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "", "a.ndb", buffer), DOSSA_ERR_NOT_INITIALIZED);
  EXPECT_EQ(DossaGetUserName(buffer), DOSSA_ERR_NOT_INITIALIZED);
  EXPECT_FALSE(DossaItemIsPresent(1, "FORM", 4));

  // Nested: the state lasts until the last DossaTerm, then everything is released.
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db, &note), DOSSA_NOERROR);
  DossaTerm();
  EXPECT_EQ(DossaNoteClose(note), DOSSA_NOERROR);
  DossaTerm();
  EXPECT_EQ(DossaDbClose(db), DOSSA_ERR_NOT_INITIALIZED);
  EXPECT_EQ(DossaNoteCreate(db, &note), DOSSA_ERR_NOT_INITIALIZED);
  // Text of statuses works regardless.
  EXPECT_GT(DossaLoadString(nullptr, DOSSA_ERR_NOT_INITIALIZED, buffer, sizeof buffer), 0);

  char* argv[] = {nullptr};
  EXPECT_EQ(DossaInitExtended(-1, argv), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaInitExtended(2, nullptr), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_ERR_NOT_INITIALIZED);
}

TEST_P(DatabaseTest, PathConstructionJoinsServerAndFile) {
  char path[DOSSA_MAXPATH];
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "", "defs.ndb", path), DOSSA_NOERROR);
  EXPECT_STREQ(path, "defs.ndb");
  EXPECT_EQ(DossaPathNetConstruct(nullptr, nullptr, "defs.ndb", path), DOSSA_NOERROR);
  EXPECT_STREQ(path, "defs.ndb");
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "Hub/Acme", "defs.ndb", path), DOSSA_NOERROR);
  EXPECT_STREQ(path, "Hub/Acme!!defs.ndb");
  // Too long for the buffer: refused with an empty path, never cut.
  std::string longFile(DOSSA_MAXPATH - 1, 'f');
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "", longFile.c_str(), path), DOSSA_NOERROR);
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "s", longFile.c_str(), path), DOSSA_ERR_PATH_TOO_LONG);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(DossaPathNetConstruct("port", "", "x", path), DOSSA_ERR_INVALID_ARGUMENT);
}

TEST_P(FileDatabaseTest, OpenRefusesMissingFilesAndServers) {
  DossaDbHandle db = 0;
  std::string missing = dir_.file("missing.ndb");
  EXPECT_EQ(DossaDbOpen(missing.c_str(), &db), DOSSA_ERR_NO_SUCH_DATABASE);
  EXPECT_EQ(db, 0u);
  EXPECT_FALSE(std::filesystem::exists(missing));  // never created by opening
  EXPECT_EQ(DossaDbOpen(dir_.file("nodir/x.ndb").c_str(), &db), DOSSA_ERR_NO_SUCH_DATABASE);
  EXPECT_EQ(DossaDbOpen("", &db), DOSSA_ERR_NO_SUCH_DATABASE);
  EXPECT_EQ(DossaDbOpen(nullptr, &db), DOSSA_ERR_NO_SUCH_DATABASE);
  std::string remote = "Hub!!" + path_;
  EXPECT_EQ(DossaDbOpen(remote.c_str(), &db), DOSSA_ERR_SERVER_UNKNOWN);
#ifdef _WIN32
  // Windows builds keep local databases only, and say so.
  char why[128];
  DossaLoadString(nullptr, DOSSA_ERR_SERVER_UNKNOWN, why, sizeof why);
  EXPECT_STREQ(why, "Server is not known: this build keeps local databases only");
#endif
  // An empty server part is the local machine.
  std::string local = "!!" + path_;
  ASSERT_EQ(DossaDbOpen(local.c_str(), &db), DOSSA_NOERROR);
  EXPECT_EQ(DossaDbClose(db), DOSSA_NOERROR);
  EXPECT_EQ(DossaDbClose(db), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(DossaDbOpen(dir_.path().c_str(), &db), DOSSA_ERR_NOT_DATABASE);
}

TEST_P(FileDatabaseTest, RelativeNamesResolveAgainstTheDataDirectory) {
  setenv("NDOSSA_DATA", dir_.path().c_str(), 1);
  DossaDbHandle db = 0;
  EXPECT_EQ(DossaDbOpen("test.ndb", &db), DOSSA_NOERROR);
  DossaDbClose(db);
  setenv("NDOSSA_DATA", (dir_.path() + "/").c_str(), 1);
  EXPECT_EQ(DossaDbCreate("second.ndb", zodossa::zoDossaDesign()), DOSSA_NOERROR);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("second.ndb")));
  EXPECT_EQ(DossaDbCreate("second.ndb", zodossa::zoDossaDesign()), DOSSA_ERR_FILE_EXISTS);
  unsetenv("NDOSSA_DATA");
}

TEST_P(FileDatabaseTest, CreateLeavesExistingFilesAlone) {
  std::string other = dir_.file("notes.txt");
  writeFile(other, "precious");
  EXPECT_EQ(DossaDbCreate(other.c_str(), zodossa::zoDossaDesign()), DOSSA_ERR_FILE_EXISTS);
  std::ifstream in(other);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "precious");
  EXPECT_EQ(DossaDbCreate(dir_.file("nodir/x.ndb").c_str(), zodossa::zoDossaDesign()), DOSSA_ERR_CANNOT_OPEN);
}

TEST_P(DatabaseTest, TheDatabaseHasTheDesignItWasMadeWith) {
  constexpr const char* keys[] = {"Colour"};
  constexpr DossaViewDesign views[] = {{"ByColour", "Paint", "Colour"}};
  std::string path = dir_.file("paint.ndb");
  ASSERT_EQ(DossaDbCreate(path.c_str(), DossaDesign{keys, views}), DOSSA_NOERROR);
  DossaDbClose(db_);
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db_), DOSSA_NOERROR);
  DossaNoteId red = put("Paint", {{"Colour", "Red"}});
  ASSERT_NE(put("Paint", {{"Colour", "blue"}}), 0u);
  EXPECT_EQ(search("Colour = \"red\""), std::vector<DossaNoteId>{red});
  DossaStatus s = DOSSA_NOERROR;
  search("svcdef_name = \"x\"", &s);  // the definition store's key items are not this design's
  EXPECT_EQ(s, DOSSA_ERR_FORMULA_NOT_INDEXED);
  DossaNoteId view = 0;
  EXPECT_EQ(DossaFindView(db_, "Services", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_ERR_VIEW_NOT_FOUND);
  ASSERT_EQ(DossaFindView(db_, "bycolour", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_NOERROR);
  HCOLLECTION collection = 0;
  ASSERT_EQ(DossaOpenCollection(db_, db_, view, 0, 0, &collection, nullptr, nullptr, nullptr, nullptr),
            DOSSA_NOERROR);
  DossaCollectionPosition position{};
  std::uint32_t matches = 0;
  EXPECT_EQ(DossaFindByName(collection, "RED", 0, &position, &matches), DOSSA_NOERROR);
  EXPECT_EQ(position.noteId, red);
  DossaCloseCollection(collection);

  // A design entry without a name makes no file.
  constexpr const char* noName[] = {""};
  constexpr DossaViewDesign noForm[] = {{"V", nullptr, "Colour"}};
  for (const DossaDesign& bad : {DossaDesign{noName, {}}, DossaDesign{{}, noForm}}) {
    std::string badPath = dir_.file("bad.ndb");
    EXPECT_EQ(DossaDbCreate(badPath.c_str(), bad), DOSSA_ERR_INVALID_ARGUMENT);
    EXPECT_FALSE(std::filesystem::exists(badPath));
  }
}

TEST_P(FileDatabaseTest, ReadOnlyFileRefusesChangesWithAnAccessStatus) {
  if (geteuid() == 0) GTEST_SKIP() << "file modes do not bind the superuser";
  ASSERT_NE(put("Service", {{"svcdef_name", "S1"}}), 0u);
  DossaDbClose(db_);
  db_ = 0;
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  ASSERT_EQ(DossaDbOpen(path_.c_str(), &db_), DOSSA_NOERROR);
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db_, 1, 0, &note), DOSSA_NOERROR);
  DossaStatus s = DossaNoteUpdate(note, 0);
  EXPECT_EQ(s, DOSSA_ERR_NO_WRITE_ACCESS);
  EXPECT_EQ(s & 0x1900, 0x1900);
  DossaNoteClose(note);
  ASSERT_EQ(chmod(path_.c_str(), 0000), 0);
  DossaDbHandle other = 0;
  EXPECT_EQ(DossaDbOpen(path_.c_str(), &other), DOSSA_ERR_NO_ACCESS);
  chmod(path_.c_str(), 0644);
}

TEST_P(DatabaseTest, UserNameComesFromTheEnvironmentAndAbbreviates) {
  char name[DOSSA_MAXPATH];
  char abbreviated[DOSSA_MAXPATH];
  std::uint16_t length = 0;
  setenv("NDOSSA_USER", "CN=Jane Doe/OU=Sales/O=Acme", 1);
  ASSERT_EQ(DossaGetUserName(name), DOSSA_NOERROR);
  EXPECT_STREQ(name, "CN=Jane Doe/OU=Sales/O=Acme");
  ASSERT_EQ(DossaAbbreviate(0, nullptr, name, abbreviated, sizeof abbreviated, &length), DOSSA_NOERROR);
  EXPECT_STREQ(abbreviated, "Jane Doe/Sales/Acme");
  EXPECT_EQ(length, std::strlen("Jane Doe/Sales/Acme"));
  // Untagged parts and '=' inside a value stay as they are.
  ASSERT_EQ(DossaAbbreviate(0, nullptr, "plain/x=1=2/Te st=v", abbreviated, sizeof abbreviated, &length),
            DOSSA_NOERROR);
  EXPECT_STREQ(abbreviated, "plain/1=2/Te st=v");
  char small[4];
  EXPECT_EQ(DossaAbbreviate(0, nullptr, "CN=Jane", small, sizeof small, &length), DOSSA_ERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(small, "");

  setenv("NDOSSA_USER", std::string(DOSSA_MAXPATH, 'u').c_str(), 1);
  EXPECT_EQ(DossaGetUserName(name), DOSSA_ERR_NAME_TOO_LONG);
  unsetenv("NDOSSA_USER");
  ASSERT_EQ(DossaGetUserName(name), DOSSA_NOERROR);
  EXPECT_EQ(std::string(name).rfind("CN=", 0), 0u);
  EXPECT_GT(std::strlen(name), 3u);
}

TEST(DossaStatusText, EveryStatusHasItsOwnTextAndOnlyRefusalsAreSecurityClass) {
  const DossaStatus all[] = {
      DOSSA_ERR_NOT_INITIALIZED, DOSSA_ERR_BAD_HANDLE, DOSSA_ERR_NO_SUCH_DATABASE, DOSSA_ERR_NOT_DATABASE,
      DOSSA_ERR_DATABASE_CORRUPT, DOSSA_ERR_DISK, DOSSA_ERR_BUSY, DOSSA_ERR_INVALID_ARGUMENT,
      DOSSA_ERR_NO_MEMORY, DOSSA_ERR_PATH_TOO_LONG, DOSSA_ERR_FILE_EXISTS, DOSSA_ERR_DATABASE_FULL,
      DOSSA_ERR_CANNOT_OPEN, DOSSA_ERR_BUFFER_TOO_SMALL, DOSSA_ERR_TOO_MANY_HANDLES,
      DOSSA_ERR_WRONG_VERSION, DOSSA_ERR_NOTE_NOT_FOUND, DOSSA_ERR_ITEM_NOT_FOUND, DOSSA_ERR_ITEM_NAME,
      DOSSA_ERR_VALUE_TOO_LONG, DOSSA_ERR_NOTE_TOO_LARGE, DOSSA_ERR_TOO_MANY_ENTRIES, DOSSA_ERR_ITEM_TYPE,
      DOSSA_ERR_NOTE_NOT_SEALED, DOSSA_ERR_FORMULA, DOSSA_ERR_FORMULA_TOO_LONG,
      DOSSA_ERR_FORMULA_NOT_INDEXED, DOSSA_ERR_VIEW_NOT_FOUND, DOSSA_ERR_POSITION_GONE,
      DOSSA_ERR_NOT_FOUND, DOSSA_ERR_NO_USER_NAME, DOSSA_ERR_NAME_TOO_LONG, DOSSA_ERR_SERVER_UNKNOWN,
      DOSSA_ERR_SERVER_NOT_RESPONDING, DOSSA_ERR_NO_ACCESS, DOSSA_ERR_NO_WRITE_ACCESS};
  std::set<std::string> texts;
  for (DossaStatus s : all) {
    char text[256];
    std::uint16_t n = DossaLoadString(nullptr, s, text, sizeof text);
    EXPECT_EQ(n, std::strlen(text));
    EXPECT_EQ(std::string(text).find("Unknown"), std::string::npos) << s;
    EXPECT_TRUE(texts.insert(text).second) << "shared text: " << text;
    EXPECT_EQ(DossaErrorNumber(s), s);
    bool refusal = s == DOSSA_ERR_NO_ACCESS || s == DOSSA_ERR_NO_WRITE_ACCESS;
    EXPECT_EQ((s & 0x1900) == 0x1900 || (s & 0x1700) == 0x1700, refusal) << s;
  }
  EXPECT_EQ(DOSSA_ERR_NO_SUCH_DATABASE, 259);
  EXPECT_EQ(DOSSA_ERR_SERVER_UNKNOWN, 2051);
  EXPECT_EQ(DOSSA_ERR_SERVER_NOT_RESPONDING, 2055);
  EXPECT_EQ(DOSSA_ERR_NOTE_NOT_SEALED, 610);
  EXPECT_EQ(DOSSA_ERR_NOT_FOUND, 0x404);

  char text[8];
  EXPECT_EQ(DossaLoadString(nullptr, DOSSA_ERR_NO_SUCH_DATABASE, text, sizeof text), 7);
  EXPECT_STREQ(text, "File do");
  char big[64];
  DossaLoadString(nullptr, 0x3ABC, big, sizeof big);
  EXPECT_STREQ(big, "Unknown error 15036");
  EXPECT_EQ(DossaLoadString(nullptr, 0x4000 | DOSSA_ERR_NO_SUCH_DATABASE, big, sizeof big),
            std::strlen("File does not exist"));
  EXPECT_EQ(DossaLoadString(nullptr, 1, big, 0), 0);
}

VEXO_ENGINE_SUITE(DatabaseTest);
INSTANTIATE_TEST_SUITE_P(Files, FileDatabaseTest, ::testing::Values(std::string("sqlite")));

}  // namespace
}  // namespace dossatest
