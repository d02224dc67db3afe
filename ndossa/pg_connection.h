#pragma once
// The server engine's side of libpq: one connection with its prepared
// statements, the parameters of a statement (sent in binary) and its results,
// and the statuses of what the server answers.

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ndossa/dossa_api.h"

namespace ndossa::pg {

// Type ids of the parameters we send.
inline constexpr Oid kInt8 = 20;
inline constexpr Oid kBytea = 17;
inline constexpr Oid kText = 25;
inline constexpr Oid kInt8Array = 1016;
inline constexpr Oid kByteaArray = 1001;

// A libpq object that its own function frees.
template <class T, void (*Free)(T*)>
struct Freed {
  void operator()(T* object) const { Free(object); }
};
using Result = std::unique_ptr<PGresult, Freed<PGresult, PQclear>>;
using Connection = std::unique_ptr<PGconn, Freed<PGconn, PQfinish>>;

// Parameters of one statement: values in binary, arrays as array literals.
class Params {
 public:
  Params& integer(std::int64_t value);
  Params& bytes(std::string_view value) { return add(std::string(value), kBytea); }
  Params& text(std::string_view value) { return add(std::string(value), kText); }
  // An array of kInt8Array or kByteaArray given as its text literal.
  Params& array(std::string literal, Oid type);
  // A text parameter that may be absent (SQL NULL).
  Params& optionalText(const char* value);

  int size() const { return static_cast<int>(values_.size()); }
  const Oid* types() const { return types_.data(); }
  // Pointers, lengths and formats for libpq; valid while this object lives unchanged.
  void fill(std::vector<const char*>& values, std::vector<int>& lengths, std::vector<int>& formats) const;

 private:
  Params& add(std::string value, Oid type);
  std::vector<std::string> values_;
  std::vector<bool> nulls_;
  std::vector<bool> textFormat_;
  std::vector<Oid> types_;
};

// A binary integer column (int4 or int8) of a result row.
std::int64_t integerAt(const PGresult* result, int row, int column);
// A binary column's bytes, valid while the result lives.
std::string_view bytesAt(const PGresult* result, int row, int column);

// One connection to the server, with its statements prepared once each.
class Session {
 public:
  // Connects to the service (empty: libpq's default), with the statement and
  // lock timeouts of engineWaitMilliseconds.
  DossaStatus connect(const std::string& service);

  // Outside a transaction, a connection the server dropped is made anew
  // (its prepared statements with it); within one, the loss stands.
  DossaStatus ready();

  // Runs commands without parameters or results (BEGIN, COMMIT, DDL, ...).
  DossaStatus command(const std::string& sql);

  // Runs one statement, prepared at its first use, with binary results in out.
  DossaStatus run(const std::string& sql, const Params& params, Result* out = nullptr);

  // Within a transaction: DOSSA_ERR_SERVER_NOT_RESPONDING when the connection is
  // gone, DOSSA_ERR_DISK when a failed statement has aborted the transaction.
  DossaStatus transactionState() const;
  void setInTransaction(bool in) { inTransaction_ = in; }
  // Ends the open transaction: commits it after success, else rolls it back.
  DossaStatus finish(DossaStatus status);

 private:
  DossaStatus statusOf(const PGresult* result) const;

  Connection conn_;
  bool inTransaction_ = false;
  std::unordered_map<std::string, std::string> prepared_;  // statement text -> prepared name
};

}  // namespace ndossa::pg
