// Baseline of the server import benchmark: the documents an import of
// generated maps writes, saved straight into a table of a PostgreSQL server
// with libpq, one transaction per document, in a schema of its own that it
// removes at the end. Prints the wall and processor seconds taken.
//
// usage: docstore_pg_baseline MAPS FIELDS SERVICE

#include <libpq-fe.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/baseline_documents.h"

namespace {
using vexobench::cpuSeconds;
using vexobench::forEachBaselineDocument;

bool exec(PGconn* conn, const std::string& sql) {
  PGresult* result = PQexec(conn, sql.c_str());
  const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
  PQclear(result);
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: docstore_pg_baseline MAPS FIELDS SERVICE\n");
    return 1;
  }
  const int maps = std::atoi(argv[1]);
  const int fields = std::atoi(argv[2]);
  const std::string conninfo = std::string("service=") + argv[3];
  PGconn* conn = PQconnectdb(conninfo.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::fprintf(stderr, "docstore_pg_baseline: %s", PQerrorMessage(conn));
    PQfinish(conn);
    return 1;
  }
  const std::string schema = "bench_baseline_" + std::to_string(getpid());
  bool ok = exec(conn, "SET client_min_messages = error") && exec(conn, "CREATE SCHEMA " + schema) &&
            exec(conn, "CREATE TABLE " + schema + ".docs(id bigserial PRIMARY KEY, form text NOT NULL,"
                       " key1 text NOT NULL, key2 text NOT NULL, body bytea NOT NULL, UNIQUE(form, key1, key2))");
  PGresult* prepared = PQprepare(conn, "insert",
                                 ("INSERT INTO " + schema + ".docs(form, key1, key2, body) VALUES($1, $2, $3, $4)").c_str(),
                                 4, nullptr);
  ok = ok && PQresultStatus(prepared) == PGRES_COMMAND_OK;
  PQclear(prepared);

  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds();
  forEachBaselineDocument(maps, fields, [&](const char* form, const std::string& key1, const std::string& key2,
                                            const std::string& body) {
    ok = ok && exec(conn, "BEGIN");
    const char* values[] = {form, key1.c_str(), key2.c_str(), body.data()};
    const int lengths[] = {0, 0, 0, static_cast<int>(body.size())};
    const int formats[] = {0, 0, 0, 1};
    PGresult* result = PQexecPrepared(conn, "insert", 4, values, lengths, formats, 0);
    ok = ok && PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    ok = ok && exec(conn, "COMMIT");
    return ok;
  });
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = cpuSeconds() - cpuStart;
  exec(conn, "DROP SCHEMA " + schema + " CASCADE");
  PQfinish(conn);
  if (!ok) return 1;
  std::printf("%.6f %.6f\n", took, cpu);
  return 0;
}
