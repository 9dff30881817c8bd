// PgConnection: one libpq connection to the server store, with the statements it has prepared
// (each SQL text is prepared once per connection and run by name after). PgResult owns one
// result. Failures become the runtime's codes here, with the server's SQLSTATE and text:
//
//   SQLSTATE                                  code
//   23505 unique_violation                    40 Duplicate key
//   42501 insufficient_privilege,             5  Access denied
//   25006 read_only_sql_transaction,
//   28000/28P01 login refused
//   everything else (08xxx connection lost,   90 Driver error
//   57P01 server shut down, 55P03 lock not
//   granted in time, 40001/40P01 ...)
//   a connection that cannot be made          90 with libpq's text (no SQLSTATE exists)
//
// 2, 33, 35, 37, 43, 46, 47, 52, 80 and 89 are never read from a SQLSTATE: the driver finds those
// situations itself (the declaration table, an empty result, the advisory locks, the version
// column) and reports them as the local store does.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace rt {

class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(pg_result* r) : r_(r) {}
  ~PgResult();
  PgResult(PgResult&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
  PgResult& operator=(PgResult&& o) noexcept;
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;

  bool Ok() const;  // the command or query succeeded
  int Rows() const;
  const char* Text(int row, int col) const;  // "" for NULL
  int Length(int row, int col) const;
  bool IsNull(int row, int col) const;
  int64_t Integer(int row, int col) const;
  pg_result* raw() const { return r_; }

 private:
  pg_result* r_ = nullptr;
};

class PgConnection {
 public:
  // Connects to the URI. nullptr when the server cannot be reached or refuses the login, with
  // the last error set to the code above and the server's (or libpq's) own text.
  static std::unique_ptr<PgConnection> Connect(const std::string& uri);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Runs a statement with text parameters ($1..), preparing it on first use. Inside a
  // transaction block a statement that fails is undone alone (a savepoint around it).
  PgResult Run(const std::string& sql, const std::vector<std::string>& params = {});
  // Runs SQL text without parameters, unprepared (BEGIN, SET, CREATE ...).
  PgResult Exec(const std::string& sql);
  // Sets the last error from a failed result (see the table above) and returns its code.
  int Fail(const PgResult& result);
  int BackendPid() const;
  bool InTransaction() const;  // a transaction block is open (idle in it, or failed in it)
  bool TransactionFailed() const;  // the open transaction block met an error
  pg_conn* raw() const { return conn_; }

 private:
  explicit PgConnection(pg_conn* conn) : conn_(conn) {}
  // The name of a statement prepared on this connection; nullptr with the failure.
  const std::string* Prepared(const std::string& sql, PgResult* failure);
  pg_conn* conn_;
  std::unordered_map<std::string, std::string> prepared_;  // SQL -> statement name
};

}  // namespace rt
