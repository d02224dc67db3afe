#include "ndossa/pg_connection.h"

#include <algorithm>

#include "ndossa/engine.h"

namespace ndossa::pg {
namespace {

// Connecting gives up after this many seconds.
constexpr const char* kConnectTimeoutSeconds = "10";
// A statement may run this long beyond the write-lock wait before the server cancels it.
constexpr int kStatementSlackMs = 60000;

// The status for a failed statement, from its SQLSTATE.
DossaStatus statusOfState(std::string_view state) {
  if (state.substr(0, 2) == "08" || state == "57P01" || state == "57P02" || state == "57P03" || state == "57014")
    return DOSSA_ERR_SERVER_NOT_RESPONDING;  // connection lost, server shut down, statement timed out
  if (state == "55P03" || state == "40001" || state == "40P01") return DOSSA_ERR_BUSY;
  if (state == "23505") return DOSSA_ERR_DUPLICATE_KEY;
  if (state.substr(0, 2) == "28" || state == "42501") return DOSSA_ERR_NO_ACCESS;
  if (state == "25006") return DOSSA_ERR_NO_WRITE_ACCESS;
  if (state == "3F000" || state == "3D000") return DOSSA_ERR_NO_SUCH_DATABASE;
  if (state == "42P01" || state == "42703") return DOSSA_ERR_NOT_DATABASE;
  if (state == "53100") return DOSSA_ERR_DATABASE_FULL;
  if (state == "53200") return DOSSA_ERR_NO_MEMORY;
  if (state == "54000") return DOSSA_ERR_VALUE_TOO_LONG;  // e.g. a key longer than an index entry holds
  if (state.substr(0, 2) == "22") return DOSSA_ERR_INVALID_ARGUMENT;  // e.g. text not in the server's encoding
  return DOSSA_ERR_DISK;
}

// The status for a connection that could not be made. libpq reports these
// only as text (the client's own messages, which our programs keep in English).
DossaStatus statusOfConnectFailure(PGconn* conn) {
  if (!conn) return DOSSA_ERR_NO_MEMORY;
  if (PQconnectionNeedsPassword(conn)) return DOSSA_ERR_NO_ACCESS;
  const std::string message = PQerrorMessage(conn);
  auto has = [&](const char* text) { return message.find(text) != std::string::npos; };
  if (has("definition of service") || has("service file")) return DOSSA_ERR_SERVER_UNKNOWN;
  if (has("authentication failed") || has("pg_hba.conf") || has("role \"") || has("password"))
    return DOSSA_ERR_NO_ACCESS;
  if (has("database \"") && has("does not exist")) return DOSSA_ERR_NO_SUCH_DATABASE;
  return DOSSA_ERR_SERVER_NOT_RESPONDING;
}

void ignoreNotice(void*, const char*) {}

int waitMs() { return std::max(1, engineWaitMilliseconds()); }

}  // namespace

Params& Params::integer(std::int64_t value) {
  std::string bytes(8, '\0');
  auto bits = static_cast<std::uint64_t>(value);
  for (int i = 7; i >= 0; --i, bits >>= 8) bytes[static_cast<std::size_t>(i)] = static_cast<char>(bits & 0xFF);
  return add(std::move(bytes), kInt8);
}

Params& Params::array(std::string literal, Oid type) {
  add(std::move(literal), type);
  textFormat_.back() = true;
  return *this;
}

Params& Params::optionalText(const char* value) {
  if (value) return text(value);
  add(std::string(), kText);
  nulls_.back() = true;
  return *this;
}

void Params::fill(std::vector<const char*>& values, std::vector<int>& lengths, std::vector<int>& formats) const {
  values.clear();
  lengths.clear();
  for (std::size_t i = 0; i < values_.size(); ++i) {
    values.push_back(nulls_[i] ? nullptr : values_[i].data());
    lengths.push_back(static_cast<int>(values_[i].size()));
  }
  formats.clear();
  for (bool text : textFormat_) formats.push_back(text ? 0 : 1);
}

Params& Params::add(std::string value, Oid type) {
  values_.push_back(std::move(value));
  nulls_.push_back(false);
  textFormat_.push_back(false);
  types_.push_back(type);
  return *this;
}

std::int64_t integerAt(const PGresult* result, int row, int column) {
  const char* data = PQgetvalue(result, row, column);
  const int size = PQgetlength(result, row, column);
  std::uint64_t bits = 0;
  for (int i = 0; i < size; ++i) bits = (bits << 8) | static_cast<unsigned char>(data[i]);
  if (size == 4) return static_cast<std::int32_t>(bits);
  return static_cast<std::int64_t>(bits);
}

std::string_view bytesAt(const PGresult* result, int row, int column) {
  return {PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column))};
}

DossaStatus Session::connect(const std::string& service) {
  const std::string options = "-c statement_timeout=" + std::to_string(waitMs() + kStatementSlackMs) +
                              " -c lock_timeout=" + std::to_string(waitMs()) + " -c client_min_messages=error";
  std::vector<const char*> keys{"connect_timeout", "options", "application_name", "keepalives_idle",
                                "keepalives_interval", "keepalives_count"};
  std::vector<const char*> values{kConnectTimeoutSeconds, options.c_str(), "ndossa", "10", "5", "3"};
  if (!service.empty()) {
    keys.push_back("service");
    values.push_back(service.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_.reset(PQconnectdbParams(keys.data(), values.data(), 0));
  if (!conn_ || PQstatus(conn_.get()) != CONNECTION_OK) {
    DossaStatus s = statusOfConnectFailure(conn_.get());
    conn_.reset();
    return s;
  }
  PQsetNoticeProcessor(conn_.get(), ignoreNotice, nullptr);
  return DOSSA_NOERROR;
}

DossaStatus Session::ready() {
  if (!conn_) return DOSSA_ERR_SERVER_NOT_RESPONDING;
  if (PQstatus(conn_.get()) == CONNECTION_OK) return DOSSA_NOERROR;
  if (inTransaction_) return DOSSA_ERR_SERVER_NOT_RESPONDING;
  PQreset(conn_.get());
  prepared_.clear();
  if (PQstatus(conn_.get()) != CONNECTION_OK) return DOSSA_ERR_SERVER_NOT_RESPONDING;
  PQsetNoticeProcessor(conn_.get(), ignoreNotice, nullptr);
  return DOSSA_NOERROR;
}

DossaStatus Session::command(const std::string& sql) {
  if (DossaStatus s = ready()) return s;
  Result result(PQexec(conn_.get(), sql.c_str()));
  return statusOf(result.get());
}

DossaStatus Session::run(const std::string& sql, const Params& params, Result* out) {
  if (DossaStatus s = ready()) return s;
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    std::string name = "s" + std::to_string(prepared_.size() + 1);
    Result prepared(PQprepare(conn_.get(), name.c_str(), sql.c_str(), params.size(), params.types()));
    if (DossaStatus s = statusOf(prepared.get())) return s;
    it = prepared_.emplace(sql, std::move(name)).first;
  }
  std::vector<const char*> values;
  std::vector<int> lengths, formats;
  params.fill(values, lengths, formats);
  Result result(PQexecPrepared(conn_.get(), it->second.c_str(), params.size(), values.data(), lengths.data(),
                               formats.data(), 1));
  DossaStatus s = statusOf(result.get());
  if (!s && out) *out = std::move(result);
  return s;
}

DossaStatus Session::transactionState() const {
  if (!conn_ || PQstatus(conn_.get()) != CONNECTION_OK) return DOSSA_ERR_SERVER_NOT_RESPONDING;
  return PQtransactionStatus(conn_.get()) == PQTRANS_INTRANS ? DOSSA_NOERROR : DOSSA_ERR_DISK;
}

DossaStatus Session::finish(DossaStatus status) {
  if (!status) status = command("COMMIT");
  if (status) command("ROLLBACK");
  inTransaction_ = false;
  return status;
}

DossaStatus Session::statusOf(const PGresult* result) const {
  const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return DOSSA_NOERROR;
  if (PQstatus(conn_.get()) != CONNECTION_OK) return DOSSA_ERR_SERVER_NOT_RESPONDING;
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  return state ? statusOfState(state) : DOSSA_ERR_SERVER_NOT_RESPONDING;
}

}  // namespace ndossa::pg
