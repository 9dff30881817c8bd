#include "runtime/files/transaction.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_impl.h"
#include "runtime/files/pg_keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"
#include "runtime/core/last_error.h"

namespace rt {

namespace {

struct Member {
  KeyedFile* file;
  KeyedFileImpl* impl;
  std::string schema;  // "main" for the coordinator, else the attached name
  std::unique_ptr<KeyedFileStatements> statements;  // null for the coordinator
};

struct State {
  bool active = false;
  bool server = false;  // the files are on the server store: PgKeyedFile runs the transaction
  sqlite3* db = nullptr;  // the coordinator's connection
  int busy_ms = 0;        // the coordinator's own wait, put back after the start
  std::vector<Member> members;
  std::vector<KeyedFile*> marked;
};

thread_local State g_state;

int Fail(sqlite3* db, int rc) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  if ((ext & 0xFF) != (rc & 0xFF)) ext = rc;
  SetLastError(kDriverError, std::to_string(ext), msg);
  return kDriverError;
}

int Ok() {
  SetLastError(kNoError);
  return kNoError;
}

// Puts every member back on its own connection and detaches the others' files.
void Finish() {
  State& s = g_state;
  for (Member& m : s.members) {
    m.impl->active = m.impl->own.get();
    m.impl->in_transaction = false;
    m.impl->DropUndo();
    m.statements.reset();  // finalized before the detach, which refuses while they live
  }
  for (Member& m : s.members) {
    if (m.schema == "main") continue;
    std::string sql = "DETACH DATABASE " + KeyedFileSchema::Quote(m.schema);
    sqlite3_exec(s.db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  s.members.clear();
  s.db = nullptr;
  s.active = false;
}

// After the rollback: every file's current record, watch and hold go back to what the data now
// says. A hold placed inside the transaction no longer exists.
void UndoMembers() {
  // A rollback that failed with the transaction still open undid nothing.
  if (!sqlite3_get_autocommit(g_state.db)) return;
  for (Member& m : g_state.members) m.impl->UndoWrites();
  for (Member& m : g_state.members) {
    if (!m.impl->held_id) continue;
    sqlite3_stmt* st = m.impl->active->Get(KeyedFileStatements::kHoldGet);
    if (!st) continue;
    sqlite3_bind_int64(st, 1, m.impl->held_id);
    if (sqlite3_step(st) != SQLITE_ROW) m.impl->held_id = 0;
    sqlite3_reset(st);
  }
}

}  // namespace

int Transaction::Start(const std::vector<KeyedFile*>& files, int timeout_seconds) {
  State& s = g_state;
  if (s.active) {
    SetLastError(kNotSupported, "", "a transaction is already active on this thread");
    return kNotSupported;
  }
  std::vector<KeyedFile*> all;
  for (KeyedFile* f : files) {
    if (f && std::find(all.begin(), all.end(), f) == all.end()) all.push_back(f);
  }
  for (KeyedFile* f : s.marked) {
    if (std::find(all.begin(), all.end(), f) == all.end()) all.push_back(f);
  }
  s.marked.clear();
  size_t on_server = 0;
  for (KeyedFile* f : all) on_server += f->Pg() ? 1 : 0;
  if (on_server && on_server != all.size()) {
    SetLastError(kNotSupported, "", "one transaction cannot take files of two stores");
    return kNotSupported;
  }
  if (on_server) {
    int code = PgKeyedFile::StartTransaction(all, timeout_seconds);
    s.active = s.server = code == kNoError;
    return code;
  }
  for (size_t i = 0; i < all.size(); ++i) {
    KeyedFileImpl& m = *all[i]->Sqlite()->impl_;
    if (!m.db) {
      SetLastError(kFileNotOpen);
      return kFileNotOpen;
    }
    if (m.read_only) {
      SetLastError(kAccessDenied);
      return kAccessDenied;
    }
    for (size_t j = 0; j < i; ++j) {
      const KeyedFileImpl& o = *all[j]->Sqlite()->impl_;
      if (o.device == m.device && o.inode == m.inode) {
        // Two handles of one data file would lock each other inside one transaction.
        SetLastError(kNotSupported, "", "one data file appears twice in the transaction");
        return kNotSupported;
      }
    }
  }
  s.active = true;
  if (all.empty()) return Ok();

  KeyedFileImpl& coordinator = *all[0]->Sqlite()->impl_;
  s.db = coordinator.db;
  s.busy_ms = coordinator.busy_ms;
  s.members.push_back(Member{all[0], &coordinator, "main", nullptr});
  // The other files are attached to the first file's connection: SQLite then commits them
  // together through a super-journal beside the first file, all or none even across a crash.
  for (size_t i = 1; i < all.size(); ++i) {
    KeyedFileImpl& m = *all[i]->Sqlite()->impl_;
    std::string schema = "tx" + std::to_string(i);
    sqlite3_stmt* st = nullptr;
    std::string sql = "ATTACH DATABASE ?1 AS " + KeyedFileSchema::Quote(schema);
    int rc = sqlite3_prepare_v2(s.db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_text(st, 1, m.path.c_str(), -1, SQLITE_TRANSIENT);
      rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(s.db);
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_OK) {
      std::string q = KeyedFileSchema::Quote(schema);
      std::string pragmas = "PRAGMA " + q + ".journal_mode=DELETE; PRAGMA " + q +
                            ".synchronous=FULL";
      rc = sqlite3_exec(s.db, pragmas.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
      int code = Fail(s.db, rc);
      if (rc != SQLITE_OK) {
        // The failed attach is not a member yet; detach it if it got that far.
        std::string d = "DETACH DATABASE " + KeyedFileSchema::Quote(schema);
        sqlite3_exec(s.db, d.c_str(), nullptr, nullptr, nullptr);
      }
      Finish();
      SetLastError(code, GetLastError().file_code, GetLastError().file_text);
      return code;
    }
    s.members.push_back(Member{all[i], &m, schema,
                               std::make_unique<KeyedFileStatements>(s.db, schema, m.schema)});
  }
  sqlite3_busy_timeout(s.db, timeout_seconds > 0 ? timeout_seconds * 1000 : 0);
  int rc = sqlite3_exec(s.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(s.db, s.busy_ms);
  if (rc != SQLITE_OK) {
    int code = Fail(s.db, rc);
    LastError saved = GetLastError();
    Finish();
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  }
  for (Member& m : s.members) {
    m.impl->active = m.statements ? m.statements.get() : m.impl->own.get();
    m.impl->in_transaction = true;
    m.impl->StartUndo();
  }
  return Ok();
}

int Transaction::Commit() {
  State& s = g_state;
  if (!s.active) return Ok();
  if (s.server) {
    s.active = s.server = false;
    return PgKeyedFile::CommitTransaction();
  }
  if (!s.db) {
    s.active = false;
    return Ok();
  }
  int rc = sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    // A commit that cannot finish is undone whole rather than left hanging.
    int code = Fail(s.db, rc);
    LastError saved = GetLastError();
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    UndoMembers();
    Finish();
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  }
  Finish();
  return Ok();
}

int Transaction::Rollback() {
  State& s = g_state;
  if (!s.active) return Ok();
  if (s.server) {
    s.active = s.server = false;
    return PgKeyedFile::RollbackTransaction();
  }
  if (!s.db) {
    s.active = false;
    return Ok();
  }
  int rc = sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  UndoMembers();
  int code = rc == SQLITE_OK ? Ok() : Fail(s.db, rc);
  LastError saved = GetLastError();
  Finish();
  SetLastError(saved.code, saved.file_code, saved.file_text);
  return code;
}

bool Transaction::Active() { return g_state.active; }

void Transaction::Mark(KeyedFile* file) {
  auto& marked = g_state.marked;
  if (std::find(marked.begin(), marked.end(), file) == marked.end()) marked.push_back(file);
}

void Transaction::Forget(KeyedFile* file) {
  auto& marked = g_state.marked;
  marked.erase(std::remove(marked.begin(), marked.end(), file), marked.end());
}

}  // namespace rt
