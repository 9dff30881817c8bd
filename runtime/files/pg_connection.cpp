#include "runtime/files/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"

namespace rt {

namespace {

// libpq writes its messages over several lines ending in a newline; the runtime's texts are
// one line, shown in a message box.
std::string Trimmed(const char* text) {
  std::string s;
  for (const char* p = text ? text : ""; *p; ++p) {
    bool space = *p == '\n' || *p == '\t' || *p == '\r';
    if (space && (s.empty() || s.back() == ' ')) continue;
    s += space ? ' ' : *p;
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int CodeOf(const std::string& state) {
  if (state == "23505") return kDuplicateKey;
  if (state == "42501" || state == "25006" || state.rfind("28", 0) == 0) return kAccessDenied;
  return kDriverError;
}

}  // namespace

PgResult::~PgResult() { PQclear(r_); }

PgResult& PgResult::operator=(PgResult&& o) noexcept {
  if (this != &o) {
    PQclear(r_);
    r_ = o.r_;
    o.r_ = nullptr;
  }
  return *this;
}

bool PgResult::Ok() const {
  if (!r_) return false;
  ExecStatusType s = PQresultStatus(r_);
  return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

int PgResult::Rows() const { return r_ ? PQntuples(r_) : 0; }
const char* PgResult::Text(int row, int col) const { return PQgetvalue(r_, row, col); }
int PgResult::Length(int row, int col) const { return PQgetlength(r_, row, col); }
bool PgResult::IsNull(int row, int col) const { return PQgetisnull(r_, row, col) != 0; }
int64_t PgResult::Integer(int row, int col) const {
  return std::strtoll(PQgetvalue(r_, row, col), nullptr, 10);
}

std::unique_ptr<PgConnection> PgConnection::Connect(const std::string& uri) {
  PGconn* conn = PQconnectdb(uri.c_str());
  if (!conn || PQstatus(conn) != CONNECTION_OK) {
    std::string text = conn ? Trimmed(PQerrorMessage(conn)) : "out of memory";
    // A refused login is the server's answer, not a failure to reach it.
    bool refused = text.find("authentication failed") != std::string::npos ||
                   text.find("password") != std::string::npos ||
                   text.find("no pg_hba.conf entry") != std::string::npos ||
                   text.find("permission denied") != std::string::npos;
    SetLastError(refused ? kAccessDenied : kDriverError, "", text);
    PQfinish(conn);
    return nullptr;
  }
  // Messages the server sends on its own (notices) are not the user's business.
  PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
  return std::unique_ptr<PgConnection>(new PgConnection(conn));
}

PgConnection::~PgConnection() { PQfinish(conn_); }

const std::string* PgConnection::Prepared(const std::string& sql, PgResult* failure) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    // A statement the server refuses to prepare would end an open transaction: it is tried
    // behind a savepoint of its own (once per statement and connection).
    const bool in_transaction = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
    if (in_transaction) PgResult(PQexec(conn_, "SAVEPOINT rt_prepare"));
    std::string name = "s" + std::to_string(prepared_.size() + 1);
    PgResult r(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
    if (in_transaction) {
      PgResult(PQexec(conn_, r.Ok() ? "RELEASE SAVEPOINT rt_prepare"
                                    : "ROLLBACK TO SAVEPOINT rt_prepare; RELEASE SAVEPOINT rt_prepare"));
    }
    if (!r.Ok()) {
      *failure = std::move(r);
      return nullptr;
    }
    it = prepared_.emplace(sql, name).first;
  }
  return &it->second;
}

PgResult PgConnection::Run(const std::string& sql, const std::vector<std::string>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::string& p : params) values.push_back(p.c_str());
  const int n = static_cast<int>(values.size());
  const bool in_transaction = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
  PgResult failure;
  // Prepared outside the savepoint: a statement that cannot be prepared fails alone too.
  const std::string* name = Prepared(sql, &failure);
  if (!name) return failure;
  if (!in_transaction) {
    return PgResult(PQexecPrepared(conn_, name->c_str(), n, values.data(), nullptr, nullptr, 0));
  }
  // Inside a transaction a failed statement must fail alone, as it does on the local store (a
  // duplicate key refuses that add, the rest still commits); the server would otherwise refuse
  // everything up to the rollback. The savepoint, the statement and its release go to the
  // server in one pipeline: one round trip, as the statement alone would take.
  PgResult result;
  if (PQenterPipelineMode(conn_) != 1 ||
      PQsendQueryParams(conn_, "SAVEPOINT rt_statement", 0, nullptr, nullptr, nullptr, nullptr,
                        0) != 1 ||
      PQsendQueryPrepared(conn_, name->c_str(), n, values.data(), nullptr, nullptr, 0) != 1 ||
      PQsendQueryParams(conn_, "RELEASE SAVEPOINT rt_statement", 0, nullptr, nullptr, nullptr,
                        nullptr, 0) != 1 ||
      PQpipelineSync(conn_) != 1) {
    // The connection is gone or broken: what libpq says is the result.
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
    PQexitPipelineMode(conn_);
    return PgResult(PQmakeEmptyPGresult(conn_, PGRES_FATAL_ERROR));
  }
  bool savepoint_ok = false;
  for (int query = 0; query < 4; ++query) {
    PGresult* first = PQgetResult(conn_);
    if (!first) break;  // the connection failed: no more results come
    bool sync = PQresultStatus(first) == PGRES_PIPELINE_SYNC;
    if (query == 0) savepoint_ok = PgResult(first).Ok();
    else if (query == 1) result = PgResult(first);
    else PQclear(first);
    if (sync) break;
    while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);  // the NULL after each query
  }
  PQexitPipelineMode(conn_);
  if (!result.raw()) result = PgResult(PQmakeEmptyPGresult(conn_, PGRES_FATAL_ERROR));
  if (!result.Ok() && savepoint_ok) {
    PgResult(PQexec(conn_, "ROLLBACK TO SAVEPOINT rt_statement; RELEASE SAVEPOINT rt_statement"));
  }
  return result;
}

PgResult PgConnection::Exec(const std::string& sql) { return PgResult(PQexec(conn_, sql.c_str())); }

int PgConnection::Fail(const PgResult& result) {
  const char* state = result.raw() ? PQresultErrorField(result.raw(), PG_DIAG_SQLSTATE) : nullptr;
  const char* primary =
      result.raw() ? PQresultErrorField(result.raw(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string text = primary ? primary : Trimmed(PQerrorMessage(conn_));
  if (text.empty()) text = "the server gave no answer";
  int code = state ? CodeOf(state) : kDriverError;
  SetLastError(code, state ? state : "", text);
  return code;
}

int PgConnection::BackendPid() const { return PQbackendPID(conn_); }

bool PgConnection::InTransaction() const {
  PGTransactionStatusType s = PQtransactionStatus(conn_);
  return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
}

bool PgConnection::TransactionFailed() const {
  return PQtransactionStatus(conn_) == PQTRANS_INERROR;
}

}  // namespace rt
