// Baseline of the import benchmark: the documents an import of generated maps
// writes (per map its message, its field documents and its built message,
// with the same items)
// written straight into SQLite, one transaction per document, with the
// document database's journal settings. Prints the wall and processor seconds taken.
//
// usage: docstore_sqlite_baseline MAPS FIELDS DBFILE

#include <sqlite3.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// The items of a document as one stored value: name, tab, value, newline.
void add(std::string& body, const char* name, const std::string& value) {
  body += name;
  body += '\t';
  body += value;
  body += '\n';
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: docstore_sqlite_baseline MAPS FIELDS DBFILE\n");
    return 1;
  }
  const int maps = std::atoi(argv[1]);
  const int fields = std::atoi(argv[2]);
  sqlite3* db = nullptr;
  if (sqlite3_open(argv[3], &db) != SQLITE_OK) return 1;
  bool ok = exec(db, "PRAGMA journal_mode=WAL") && exec(db, "PRAGMA synchronous=NORMAL") &&
            exec(db, "CREATE TABLE docs(id INTEGER PRIMARY KEY, form TEXT NOT NULL, key1 TEXT NOT NULL,"
                     " key2 TEXT NOT NULL, body BLOB NOT NULL)") &&
            exec(db, "CREATE UNIQUE INDEX docs_keys ON docs(form, key1, key2)");
  sqlite3_stmt* insert = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO docs(form, key1, key2, body) VALUES(?1, ?2, ?3, ?4)", -1,
                                &insert, nullptr) == SQLITE_OK;
  auto write = [&](const char* form, const std::string& key1, const std::string& key2, const std::string& body) {
    ok = ok && exec(db, "BEGIN");
    sqlite3_bind_text(insert, 1, form, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, key1.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, key2.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(insert, 4, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
    ok = ok && sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
    ok = ok && exec(db, "COMMIT");
  };

  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds();
  char text[32];
  for (int m = 0; ok && m < maps; ++m) {
    std::snprintf(text, sizeof text, "M%07d", m);
    const std::string message = text;
    std::string body;
    std::string built;  // the built message's field list: 12 entries per field
    add(body, "FORM", "Message");
    add(body, "MessageName", message);
    add(body, "MessageDescription", "");
    add(body, "MessageFormat", "NONE");
    add(body, "Built", "0");
    write("Message", message, "", body);
    for (int f = 0; ok && f < fields; ++f) {
      std::snprintf(text, sizeof text, "FLD%02d", f + 1);
      const std::string field = text;
      body.clear();
      add(body, "FORM", "Field");
      add(body, "MessageName", message);
      add(body, "MessageFieldName", field);
      add(body, "FieldDescriptionEdit", message + " field " + std::to_string(f + 1));
      add(body, "FieldName", "");
      add(body, "FieldTypeEdit", "STRING");
      add(body, "FieldType", "STRING");
      add(body, "FieldDefault", "");
      add(body, "FieldLengthEdit", std::to_string(f % 30 + 1));
      add(body, "FieldLength", std::to_string(f % 30 + 1));
      add(body, "FieldSegmentsEdit", "1");
      add(body, "FieldHasAttributesEdit", "Y");
      add(body, "FieldRow", std::to_string(f % 24 + 1));
      add(body, "FieldColumn", std::to_string((f / 24) * 40 + 2));
      add(body, "FieldPadCharacter", "S");
      add(body, "FieldAlignment", "1");
      add(body, "FieldPosition", std::to_string(f + 1));
      add(body, "Built", "0");
      write("Field", message, field, body);
      for (const std::string& entry :
           {field, message + " field " + std::to_string(f + 1), std::string(), std::string("T"), std::string(),
            std::to_string(f % 30 + 1), std::string("1"), std::string("Y"), std::to_string(f % 24 + 1),
            std::to_string((f / 24) * 40 + 2), std::string("S"), std::string("1")})
        built += entry + ";";
    }
    body.clear();
    add(body, "FORM", "MsgBuild");
    add(body, "msgdef_name", message);
    add(body, "msgdef_description", "");
    add(body, "msgdef_format", "NONE");
    add(body, "msgdef_fldcnt", "12");
    add(body, "msgdef_fldlist", built);
    add(body, "msgdef_maxentrylen", "16");
    if (ok) write("MsgBuild", message, "", body);
  }
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = cpuSeconds() - cpuStart;
  sqlite3_finalize(insert);
  sqlite3_close(db);
  if (!ok) return 1;
  std::printf("%.6f %.6f\n", took, cpu);
  return 0;
}
