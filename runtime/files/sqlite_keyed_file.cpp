#include "runtime/files/sqlite_keyed_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file_check.h"
#include "runtime/files/keyed_file_impl.h"
#include "runtime/files/position_text.h"
#include "runtime/files/process_identity.h"
#include "runtime/files/sql_text_functions.h"
#include "runtime/files/transaction.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

constexpr const char* kFormat = "1";

int Result(int code) {
  SetLastError(code);
  return code;
}

// Maps a SQLite failure onto the runtime's codes, keeping SQLite's own code and message.
int DriverError(sqlite3* db, int rc) {
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if ((ext & 0xFF) != (rc & 0xFF)) ext = rc;  // the connection's error is from another call
  int primary = ext & 0xFF;
  int code = kDriverError;
  if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) {
    code = kDuplicateKey;
  } else if (primary == SQLITE_READONLY) {
    code = kAccessDenied;
  }
  SetLastError(code, std::to_string(ext), msg);
  return code;
}

int Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// Begins a write transaction unless the connection is in one already (a runtime transaction),
// so a check and the write it guards see the same state. Rolls back unless committed.
class WriteScope {
 public:
  explicit WriteScope(sqlite3* db) : db_(db) {}
  ~WriteScope() { Rollback(); }
  void Rollback() {
    if (own_) Exec(db_, "ROLLBACK");
    own_ = false;
  }
  int Begin() {
    if (!sqlite3_get_autocommit(db_)) return SQLITE_OK;
    int rc = Exec(db_, "BEGIN IMMEDIATE");
    own_ = rc == SQLITE_OK;
    return rc;
  }
  int Commit() {
    if (!own_) return SQLITE_OK;
    int rc = Exec(db_, "COMMIT");
    if (rc != SQLITE_OK) return rc;  // the destructor rolls back
    own_ = false;
    return SQLITE_OK;
  }

 private:
  sqlite3* db_;
  bool own_ = false;
};

void BindField(sqlite3_stmt* stmt, int param, const AnyRef& ref) {
  switch (ref.type()) {
    case Type::Real:
      sqlite3_bind_double(stmt, param, ref.Real());
      break;
    case Type::String:
    case Type::CString: {
      std::string t = ref.Text();
      sqlite3_bind_text(stmt, param, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case Type::Group:
      sqlite3_bind_blob(stmt, param, ref.address(), static_cast<int>(ref.size()), SQLITE_STATIC);
      break;
    default:
      sqlite3_bind_int64(stmt, param, ref.Integer());
  }
}

void BindUpper(sqlite3_stmt* stmt, int param, const AnyRef& ref) {
  std::string t = Upper(ref.Text());
  sqlite3_bind_text(stmt, param, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// A stored value as a message shows it.
std::string Shown(sqlite3_stmt* stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_NULL: return "no value (NULL)";
    case SQLITE_BLOB: return std::to_string(sqlite3_column_bytes(stmt, col)) + " bytes";
    case SQLITE_TEXT: {
      std::string t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      if (t.size() > 24) t = std::string(CutToBytes(t, 24)) + "...";
      return "'" + t + "'";
    }
    default: return reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
  }
}

// Loads one stored value into its field. "" when it is the field's value exactly; otherwise
// what is wrong with it, and the field is then cleared: a file changed by another tool can
// hold anything, and a value narrowed, wrapped or read as 0 would be a guess shown as data.
std::string LoadField(sqlite3_stmt* stmt, int col, const AnyRef& target) {
  AnyRef ref = target;
  const int stored = sqlite3_column_type(stmt, col);
  auto refuse = [&](const std::string& why) {
    std::string shown = Shown(stmt, col);
    if (ref.type() == Type::Group) std::memset(ref.address(), 0, ref.size());
    else ref.Clear();
    return "holds " + shown + why;
  };
  if (stored == SQLITE_NULL) return refuse("");
  switch (ref.type()) {
    case Type::Real: {
      if (stored != SQLITE_FLOAT && stored != SQLITE_INTEGER) return refuse(", not a number");
      double v = sqlite3_column_double(stmt, col);
      if (!std::isfinite(v)) return refuse(", not a finite number");
      ref.SetReal(v);
      return "";
    }
    case Type::String:
    case Type::CString: {
      if (stored == SQLITE_BLOB) return refuse(", not a text");
      const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      std::string_view text(t ? t : "", static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
      if (ref.type() == Type::String) text = Clip(text);
      size_t room = ref.type() == Type::String ? ref.size() : ref.size() - 1;
      if (text.size() > room) return refuse(", longer than its " + std::to_string(room) + " bytes");
      if (ref.type() == Type::CString && text.find('\0') != std::string_view::npos) {
        return refuse(", a text with a zero byte inside");
      }
      ref.SetText(text);
      return "";
    }
    case Type::Group: {
      if (stored != SQLITE_BLOB) return refuse(", not bytes");
      const void* b = sqlite3_column_blob(stmt, col);
      size_t n = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
      if (n > ref.size()) return refuse(", more than its " + std::to_string(ref.size()) + " bytes");
      std::memset(ref.address(), 0, ref.size());
      if (b && n) std::memcpy(ref.address(), b, n);
      return "";
    }
    default: {
      if (stored != SQLITE_INTEGER) return refuse(", not a whole number");
      int64_t v = sqlite3_column_int64(stmt, col);
      ref.SetInteger(v);
      if (ref.Integer() != v) return refuse(std::string(", which a ") + TypeName(ref.type()) +
                                            " field cannot hold");
      return "";
    }
  }
}

}  // namespace

// --- Helpers on the implementation -----------------------------------------------------------

namespace {

// Binds every stored field of a record image, then the shadow columns (the insert/update order).
void BindRecord(const KeyedFileSchema& schema, sqlite3_stmt* stmt, void* record) {
  const RecordDescriptor& r = schema.Declaration().Record();
  int p = 0;
  for (size_t f : schema.StoredFields()) BindField(stmt, ++p, r.Field(record, f));
  for (size_t f : schema.ShadowFields()) BindUpper(stmt, ++p, r.Field(record, f));
}

// Binds a key's component terms from a record image to ?first.. (upper-cased for shadows).
void BindComponents(const KeyedFileSchema& schema, sqlite3_stmt* stmt, const FileKey& key,
                    void* record, int first) {
  const RecordDescriptor& r = schema.Declaration().Record();
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    AnyRef ref = r.Field(record, key.Component(c).field);
    if (schema.ComponentUsesShadow(key, c)) BindUpper(stmt, first + static_cast<int>(c), ref);
    else BindField(stmt, first + static_cast<int>(c), ref);
  }
}

using StoredValue = KeyedFileImpl::StoredValue;

// A key's component values as the buffer (a record image) would store them.
std::vector<StoredValue> ValuesFromImage(const KeyedFileSchema& schema, const FileKey& key,
                                         void* record) {
  const RecordDescriptor& r = schema.Declaration().Record();
  std::vector<StoredValue> out(key.ComponentCount());
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    AnyRef ref = r.Field(record, key.Component(c).field);
    StoredValue& v = out[c];
    if (schema.ComponentUsesShadow(key, c)) {
      v.type = SQLITE_TEXT;
      v.bytes = Upper(ref.Text());
    } else if (ref.type() == Type::Real) {
      v.type = SQLITE_FLOAT;
      v.real = ref.Real();
    } else if (ref.type() == Type::String || ref.type() == Type::CString) {
      v.type = SQLITE_TEXT;
      v.bytes = ref.Text();
    } else if (ref.type() == Type::Group) {
      v.type = SQLITE_BLOB;
      v.bytes.assign(static_cast<const char*>(ref.address()), ref.size());
    } else {
      v.type = SQLITE_INTEGER;
      v.integer = ref.Integer();
    }
  }
  return out;
}

StoredValue ColumnValue(sqlite3_stmt* st, int col) {
  StoredValue v;
  v.type = sqlite3_column_type(st, col);
  if (v.type == SQLITE_INTEGER) v.integer = sqlite3_column_int64(st, col);
  if (v.type == SQLITE_FLOAT) v.real = sqlite3_column_double(st, col);
  if (v.type == SQLITE_TEXT || v.type == SQLITE_BLOB) {
    const void* b = v.type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(st, col))
                                          : sqlite3_column_blob(st, col);
    v.bytes.assign(b ? static_cast<const char*>(b) : "",
                   static_cast<size_t>(sqlite3_column_bytes(st, col)));
  }
  return v;
}

// A key's component values as stored in the row a statement is on (columns as SelectList from
// first, then the shadow columns when with_shadows).
std::vector<StoredValue> ValuesFromRow(const KeyedFileSchema& schema, const FileKey& key,
                                       sqlite3_stmt* st, int first, bool with_shadows) {
  const std::vector<size_t>& stored = schema.StoredFields();
  const std::vector<size_t>& shadows = schema.ShadowFields();
  std::vector<StoredValue> out;
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    size_t f = key.Component(c).field;
    int col = first + 2 + static_cast<int>(std::find(stored.begin(), stored.end(), f) -
                                           stored.begin());
    if (schema.ComponentUsesShadow(key, c) && with_shadows) {
      col = first + 2 + static_cast<int>(stored.size()) +
            static_cast<int>(std::find(shadows.begin(), shadows.end(), f) - shadows.begin());
      out.push_back(ColumnValue(st, col));
    } else {
      out.push_back(ColumnValue(st, col));
      if (schema.ComponentUsesShadow(key, c) && out.back().type == SQLITE_TEXT) {
        out.back().bytes = Upper(out.back().bytes);
      }
    }
  }
  return out;
}

void BindStored(sqlite3_stmt* st, int param, const StoredValue& v) {
  switch (v.type) {
    case SQLITE_INTEGER: sqlite3_bind_int64(st, param, v.integer); break;
    case SQLITE_FLOAT: sqlite3_bind_double(st, param, v.real); break;
    case SQLITE_TEXT:
      sqlite3_bind_text64(st, param, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    case SQLITE_BLOB:
      sqlite3_bind_blob64(st, param, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT);
      break;
    default:
      // NULL sorts before every value, and no comparison with NULL is ever true: the lowest
      // number stands in, so the sequence still moves on to the values after it.
      sqlite3_bind_double(st, param, -std::numeric_limits<double>::infinity());
  }
}

// Loads the stored fields of the row a statement is on (columns as SelectList from first).
// "" when every value fits its field, else the first that does not, named with its record
// ("record 17: KF:NN holds 300, which a BYTE field cannot hold"). Every field is loaded either
// way, those that do not fit cleared.
std::string LoadRecord(const KeyedFileSchema& schema, sqlite3_stmt* stmt, int first, void* record) {
  const RecordDescriptor& r = schema.Declaration().Record();
  std::string problem;
  if (sqlite3_column_type(stmt, first) != SQLITE_INTEGER ||
      sqlite3_column_type(stmt, first + 1) != SQLITE_INTEGER) {
    problem = "record " + Shown(stmt, first) + ": its version " + Shown(stmt, first + 1) +
              " is no whole number";
  }
  int col = first + 2;
  for (size_t f : schema.StoredFields()) {
    std::string why = LoadField(stmt, col++, r.Field(record, f));
    if (!why.empty() && problem.empty()) {
      problem = "record " + Shown(stmt, first) + ": " + r.field(f).label + " " + why;
    }
  }
  return problem;
}

std::string AbsolutePath(const std::string& name) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(name, ec);
  return ec ? name : p.lexically_normal().string();
}

}  // namespace

// --- Construction, opening and closing -------------------------------------------------------

SqliteKeyedFile::SqliteKeyedFile(KeyedFile& file)
    : file_(file), decl_(file.Declaration()), buffer_(file.Buffer()),
      impl_(std::make_unique<KeyedFileImpl>(decl_)) {}

SqliteKeyedFile::~SqliteKeyedFile() {
  if (impl_->db) Close();
  Transaction::Forget(&file_);
}

bool SqliteKeyedFile::IsOpen() const { return impl_->db != nullptr; }
bool SqliteKeyedFile::IsReadOnly() const { return impl_->read_only; }
bool SqliteKeyedFile::IsHeld() const { return impl_->held_id != 0; }
bool SqliteKeyedFile::IsWatched() const { return impl_->watched_id != 0; }
const FileKey* SqliteKeyedFile::CurrentKey() const { return impl_->seq_key; }

namespace {

// A directory, FIFO, device or a loop of links where the file should be: nothing to open,
// and nothing a read-only retry could change.
int NotARegularFile(mode_t mode) {
  std::string what = S_ISDIR(mode)    ? "a folder"
                     : S_ISFIFO(mode) ? "a pipe"
                     : S_ISSOCK(mode) ? "a socket"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : mode == 0      ? "a loop of symbolic links"
                                      : "not a plain file";
  SetLastError(kDriverError, "", "not a regular file: it is " + what);
  return kDriverError;
}

// SQLite writes its rollback journal beside the file: a file that can be written in a folder
// that cannot would fail at the first change, long after the user started typing it.
bool JournalFolderWritable(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  return access(folder.c_str(), W_OK | X_OK) == 0;
}

// Opens a connection on an existing file and checks that it is a keyed file of this
// declaration. Returns a runtime code; on failure *out is null and the error is set.
int OpenChecked(const KeyedFileSchema& schema, const std::string& path, bool write, int busy_ms,
                bool check_indexes, sqlite3** out) {
  *out = nullptr;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Result(kFileNotFound);
    if (errno == ELOOP) return NotARegularFile(0);
    return Result(kAccessDenied);
  }
  if (!S_ISREG(st.st_mode)) return NotARegularFile(st.st_mode);
  if (st.st_size == 0) {
    // What an interrupted first start or a "touch" leaves: a file to be set up, not a foreign one.
    SetLastError(kFileNotFound, "", "the file is empty");
    return kFileNotFound;
  }
  if (write && !JournalFolderWritable(path)) {
    SetLastError(kAccessDenied, "",
                 "the folder of the file cannot be written, so no change could be made safely");
    return kAccessDenied;
  }
  sqlite3* db = nullptr;
  int flags = write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    int code = DriverError(db, rc);
    sqlite3_close(db);
    return code;
  }
  sqlite3_extended_result_codes(db, 1);
  KeyedFileCheck::Harden(db);
  sqlite3_busy_timeout(db, busy_ms);
  RegisterTextFunctions(db);  // views filter and order with them on this connection
  auto fail = [&](int code) {
    sqlite3_close(db);
    return code;
  };
  // SQLite opens a file it may not write read-only without saying so: ask.
  if (write && sqlite3_db_readonly(db, "main") == 1) return fail(Result(kAccessDenied));

  int checked = KeyedFileCheck::Check(db, schema, check_indexes);
  if (checked != kNoError) return fail(checked);
  if (write) {
    // A crash between two copies' runs cannot leave the file in WAL or without syncs: the
    // atomic multi-file commit needs the rollback journal.
    rc = Exec(db, "PRAGMA journal_mode=DELETE");
    if (rc == SQLITE_OK) rc = Exec(db, "PRAGMA synchronous=FULL");
    if (rc != SQLITE_OK) return fail(DriverError(db, rc));
  }
  *out = db;
  return Result(kNoError);
}

// Removes holds whose holders have died, so they do not pile up.
// Runs a cached statement with the given integers bound from ?1; SQLITE_OK or the failure.
int RunBound(KeyedFileStatements& st, KeyedFileStatements::Kind kind,
             std::initializer_list<int64_t> values) {
  sqlite3_stmt* stmt = st.Get(kind);
  if (!stmt) return sqlite3_errcode(st.db());
  int p = 0;
  for (int64_t v : values) sqlite3_bind_int64(stmt, ++p, v);
  int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Removes, in one write, the holds of processes that have died and the records they had
// reserved (a new row being typed when its program was killed), and reserved records nobody
// holds. Runs inside the caller's transaction.
int DropStaleHolds(KeyedFileStatements& st) {
  sqlite3_stmt* list = st.Get(KeyedFileStatements::kHoldList);
  if (!list) return sqlite3_errcode(st.db());
  std::vector<std::pair<int64_t, ProcessIdentity>> stale;
  ProcessIdentity self = ProcessIdentity::Self();
  int rc;
  while ((rc = sqlite3_step(list)) == SQLITE_ROW) {
    ProcessIdentity p{sqlite3_column_int64(list, 1), sqlite3_column_int64(list, 2)};
    if (!(p == self) && !ProcessIdentity::Alive(p)) {
      stale.emplace_back(sqlite3_column_int64(list, 0), p);
    }
  }
  sqlite3_reset(list);
  if (rc != SQLITE_DONE) return rc;
  for (const auto& [record, p] : stale) {
    rc = RunBound(st, KeyedFileStatements::kStaleHoldDelete, {record, p.pid, p.started});
    if (rc == SQLITE_OK) rc = RunBound(st, KeyedFileStatements::kReservedDelete, {record});
    if (rc != SQLITE_OK) return rc;
  }
  return RunBound(st, KeyedFileStatements::kOrphanReservedDelete, {});
}

}  // namespace

int SqliteKeyedFile::Open(int access_mode) {
  KeyedFileImpl& m = *impl_;
  if (m.db) return Result(kFileAlreadyOpen);
  if (std::string p = m.schema.Problem(); !p.empty()) {
    SetLastError(kInvalidRecordDeclaration, "", p);
    return kInvalidRecordDeclaration;
  }
  bool write = (access_mode & 3) != 0;
  std::string path = AbsolutePath(file_.Name());
  sqlite3* db = nullptr;
  int code = OpenChecked(m.schema, path, write, m.busy_ms, true, &db);
  if (code != kNoError) return code;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    m.device = st.st_dev;
    m.inode = st.st_ino;
  }
  m.db = db;
  m.path = path;
  m.read_only = !write;
  m.own = std::make_unique<KeyedFileStatements>(db, "main", m.schema);
  m.active = m.own.get();
  m.seq_key = nullptr;
  m.anchor = KeyedFileImpl::Anchor::kStart;
  m.current_id = 0;
  m.read_held = false;
  m.hold_armed = m.watch_armed = false;
  m.held_id = m.watched_id = 0;
  if (write) {
    // Tidying is not the caller's business: a busy file is tidied by the next open instead.
    WriteScope scope(db);
    if (scope.Begin() == SQLITE_OK && DropStaleHolds(*m.own) == SQLITE_OK) scope.Commit();
  }
  return Result(kNoError);
}

namespace {

// The tables, indexes and meta rows of a new file, inside the caller's transaction.
int BuildContents(const KeyedFileSchema& schema, sqlite3* db) {
  const FileDeclaration& decl = schema.Declaration();
  std::string sql = schema.CreateTableSql() + ";";
  for (const std::string& s : schema.CreateSupportSql()) sql += s + ";";
  for (size_t k = 0; k < decl.KeyCount(); ++k) sql += schema.CreateIndexSql(decl.Key(k)) + ";";
  int rc = Exec(db, sql.c_str());
  if (rc != SQLITE_OK) return rc;
  sqlite3_stmt* stmt = nullptr;
  rc = sqlite3_prepare_v2(db, "INSERT INTO meta(name, value) VALUES('format', ?1), "
                              "('declaration', ?2)", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    std::string sig = decl.Signature();
    sqlite3_bind_text(stmt, 1, kFormat, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, sig.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
  }
  sqlite3_finalize(stmt);
  return rc;
}

// Sets up an empty (zero-byte) file where it is, under SQLite's own lock, so two copies that
// start together set it up once: the second finds it set up and only checks it. 0, 47, 5 or 90.
int SetUpEmptyFile(const KeyedFileSchema& schema, const std::string& path, int busy_ms) {
  if (!JournalFolderWritable(path)) return Result(kAccessDenied);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  auto finish = [&](int code) {
    sqlite3_close(db);
    return code;
  };
  if (rc != SQLITE_OK) return finish(DriverError(db, rc));
  sqlite3_extended_result_codes(db, 1);
  KeyedFileCheck::Harden(db);
  sqlite3_busy_timeout(db, busy_ms);
  if (sqlite3_db_readonly(db, "main") == 1) return finish(Result(kAccessDenied));
  rc = Exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN EXCLUSIVE");
  if (rc != SQLITE_OK) return finish(DriverError(db, rc));
  int64_t objects = -1;
  sqlite3_stmt* st = nullptr;
  rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_schema", -1, &st, nullptr);
  if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
    objects = sqlite3_column_int64(st, 0);
    rc = SQLITE_OK;
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_OK) {
    int code = DriverError(db, rc);
    Exec(db, "ROLLBACK");
    return finish(code);
  }
  if (objects == 0) rc = BuildContents(schema, db);
  if (rc == SQLITE_OK) rc = Exec(db, objects == 0 ? "COMMIT" : "ROLLBACK");
  if (rc != SQLITE_OK) {
    int code = DriverError(db, rc);
    Exec(db, "ROLLBACK");
    return finish(code);
  }
  // Set up now, by this copy or another: it must be this declaration's file.
  return finish(KeyedFileCheck::Check(db, schema, false) == kNoError ? Result(kNoError)
                                                                      : GetLastError().code);
}

}  // namespace

int SqliteKeyedFile::Create() {
  KeyedFileImpl& m = *impl_;
  if (m.db) return Result(kFileAlreadyOpen);
  if (std::string p = m.schema.Problem(); !p.empty()) {
    SetLastError(kInvalidRecordDeclaration, "", p);
    return kInvalidRecordDeclaration;
  }
  std::string path = AbsolutePath(file_.Name());
  // An existing file is never replaced. If it is already this declaration's file (another
  // copy created it a moment ago) the create has nothing left to do.
  auto existing = [&]() {
    sqlite3* db = nullptr;
    int code = OpenChecked(m.schema, path, false, m.busy_ms, false, &db);
    if (db) sqlite3_close(db);
    return code == kFileNotFound ? Result(kAccessDenied) : code;
  };
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode) && st.st_size == 0) return SetUpEmptyFile(m.schema, path, m.busy_ms);
    return existing();
  }

  // The new file is built whole under a temporary name and then linked into place, so no
  // other copy ever sees a half-made file, and a file made meanwhile is not overwritten.
  std::filesystem::path target(path);
  std::string tmp = (target.parent_path() / ("." + target.filename().string() + ".new-" +
                                             std::to_string(getpid()) + "-" +
                                             std::to_string(m.owner)))
                        .string();
  unlink(tmp.c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  auto fail = [&](int code) {
    if (db) sqlite3_close(db);
    unlink(tmp.c_str());
    return code;
  };
  if (rc != SQLITE_OK) {
    if (access(target.parent_path().c_str(), W_OK) != 0) return fail(Result(kAccessDenied));
    return fail(DriverError(db, rc));
  }
  sqlite3_extended_result_codes(db, 1);
  KeyedFileCheck::Harden(db);
  rc = Exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN");
  if (rc == SQLITE_OK) rc = BuildContents(m.schema, db);
  if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
  if (rc != SQLITE_OK) return fail(DriverError(db, rc));
  sqlite3_close(db);
  db = nullptr;
  if (link(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    unlink(tmp.c_str());
    if (err == EEXIST) return existing();
    if (err == EACCES || err == EPERM || err == EROFS) return Result(kAccessDenied);
    SetLastError(kDriverError, std::to_string(err), std::strerror(err));
    return kDriverError;
  }
  unlink(tmp.c_str());
  // The new name must survive a crash too.
  int dir = open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return Result(kNoError);
}

int SqliteKeyedFile::Close() {
  KeyedFileImpl& m = *impl_;
  if (!m.db) return Result(kFileNotOpen);
  if (m.in_transaction) Transaction::Rollback();
  Transaction::Forget(&file_);
  // Every hold of this object goes, also one a rolled-back transaction brought back.
  // A reservation never typed to the end goes with them.
  if (m.ever_held && !m.read_only) {
    ProcessIdentity self = ProcessIdentity::Self();
    std::initializer_list<int64_t> us = {self.pid, self.started, static_cast<int64_t>(m.owner)};
    WriteScope scope(m.db);
    if (scope.Begin() == SQLITE_OK &&
        RunBound(*m.own, KeyedFileStatements::kOwnReservedDelete, us) == SQLITE_OK &&
        RunBound(*m.own, KeyedFileStatements::kHoldReleaseAll, us) == SQLITE_OK) {
      scope.Commit();
    }
  }
  m.own.reset();
  m.active = nullptr;
  // A view may still hold statements on this connection; close_v2 frees the connection once
  // the view lets go of them instead of failing and leaking it.
  sqlite3_close_v2(m.db);
  m.db = nullptr;
  m.current_id = 0;
  m.read_held = false;
  m.held_id = m.watched_id = 0;
  m.hold_armed = m.watch_armed = false;
  m.ever_held = false;
  return Result(kNoError);
}

int SqliteKeyedFile::BuildKeys() {
  KeyedFileImpl& m = *impl_;
  if (m.db && m.read_only) return Result(kAccessDenied);
  if (m.in_transaction) return Result(kNotSupported);
  sqlite3* db = m.db;
  bool own_connection = db == nullptr;
  if (own_connection) {
    if (std::string p = m.schema.Problem(); !p.empty()) {
      SetLastError(kInvalidRecordDeclaration, "", p);
      return kInvalidRecordDeclaration;
    }
    int code = OpenChecked(m.schema, AbsolutePath(file_.Name()), true, m.busy_ms, false, &db);
    if (code != kNoError) return code;
  }
  WriteScope scope(db);
  // A connection of its own is closed on the way out, after anything unfinished is rolled back.
  auto finish = [&](int code) {
    scope.Rollback();
    if (own_connection) sqlite3_close(db);
    return code;
  };
  int rc = scope.Begin();
  if (rc != SQLITE_OK) return finish(DriverError(db, rc));

  std::vector<std::string> drops;
  sqlite3_stmt* stmt = nullptr;
  rc = sqlite3_prepare_v2(db,
                          "SELECT name FROM sqlite_schema WHERE type='index' AND "
                          "tbl_name='records' AND sql IS NOT NULL",
                          -1, &stmt, nullptr);
  while (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    drops.push_back("DROP INDEX " + KeyedFileSchema::Quote(reinterpret_cast<const char*>(
                                        sqlite3_column_text(stmt, 0))));
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) return finish(DriverError(db, rc));
  for (const std::string& d : drops) {
    if ((rc = Exec(db, d.c_str())) != SQLITE_OK) return finish(DriverError(db, rc));
  }

  // The shadow columns are ours to keep right: recompute them from the fields.
  if (!m.schema.ShadowFields().empty()) {
    KeyedFileStatements st(db, "main", m.schema);
    std::vector<unsigned char> image(decl_.RecordSize());
    std::string select = "SELECT " + m.schema.SelectList() + " FROM records";
    std::string update = "UPDATE records SET ";
    int p = 0;
    for (size_t f : m.schema.ShadowFields()) {
      update += std::string(p ? ", " : "") + m.schema.QuotedShadow(f) + " = ?" +
                std::to_string(p + 1);
      ++p;
    }
    update += " WHERE _id = ?" + std::to_string(p + 1);
    sqlite3_stmt* sel = nullptr;
    sqlite3_stmt* upd = nullptr;
    rc = sqlite3_prepare_v2(db, select.c_str(), -1, &sel, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, update.c_str(), -1, &upd, nullptr);
    while (rc == SQLITE_OK) {
      int s = sqlite3_step(sel);
      if (s == SQLITE_DONE) break;
      if (s != SQLITE_ROW) {
        rc = s;
        break;
      }
      if (std::string problem = LoadRecord(m.schema, sel, 0, image.data()); !problem.empty()) {
        // No index is built from a guess: the rebuild is undone and the file stays as it was.
        sqlite3_finalize(sel);
        sqlite3_finalize(upd);
        SetLastError(kDriverError, "", problem);
        return finish(kDriverError);
      }
      int q = 0;
      for (size_t f : m.schema.ShadowFields()) {
        BindUpper(upd, ++q, decl_.Record().Field(image.data(), f));
      }
      sqlite3_bind_int64(upd, q + 1, sqlite3_column_int64(sel, 0));
      if (sqlite3_step(upd) != SQLITE_DONE) rc = sqlite3_errcode(db);
      sqlite3_reset(upd);
    }
    int code = rc == SQLITE_OK ? kNoError : DriverError(db, rc);
    sqlite3_finalize(sel);
    sqlite3_finalize(upd);
    if (code != kNoError) return finish(code);
  }
  for (size_t k = 0; k < decl_.KeyCount(); ++k) {
    std::string sql = m.schema.CreateIndexSql(decl_.Key(k));
    if ((rc = Exec(db, sql.c_str())) != SQLITE_OK) return finish(DriverError(db, rc));
  }
  rc = scope.Commit();
  if (rc != SQLITE_OK) return finish(DriverError(db, rc));
  return finish(Result(kNoError));
}

int SqliteKeyedFile::Send(std::string_view option) {
  if (impl_->TakeOption(option) && impl_->db) sqlite3_busy_timeout(impl_->db, impl_->busy_ms);
  return Result(kNoError);
}


// --- Reading ---------------------------------------------------------------------------------

namespace {

// Who holds a record: 0 nobody (or this object, or a process that has died), 43 another copy.
int CheckHolder(KeyedFileImpl& m, int64_t id, int* rc_out) {
  *rc_out = SQLITE_OK;
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kHoldGet);
  if (!st) {
    *rc_out = sqlite3_errcode(m.active->db());
    return kDriverError;
  }
  sqlite3_bind_int64(st, 1, id);
  int rc = sqlite3_step(st);
  int result = kNoError;
  if (rc == SQLITE_ROW) {
    ProcessIdentity holder{sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1)};
    uint64_t owner = static_cast<uint64_t>(sqlite3_column_int64(st, 2));
    if (holder == ProcessIdentity::Self()) {
      if (owner != m.owner) result = kRecordHeld;
    } else if (ProcessIdentity::Alive(holder)) {
      result = kRecordHeld;
    }
  } else if (rc != SQLITE_DONE) {
    *rc_out = rc;
    result = kDriverError;
  }
  sqlite3_reset(st);
  return result;
}

int DeleteHoldRow(KeyedFileImpl& m, int64_t id) {
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kHoldDelete);
  if (!st) return sqlite3_errcode(m.active->db());
  ProcessIdentity self = ProcessIdentity::Self();
  sqlite3_bind_int64(st, 1, id);
  sqlite3_bind_int64(st, 2, self.pid);
  sqlite3_bind_int64(st, 3, self.started);
  sqlite3_bind_int64(st, 4, static_cast<int64_t>(m.owner));
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int PutHoldRow(KeyedFileImpl& m, int64_t id) {
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kHoldPut);
  if (!st) return sqlite3_errcode(m.active->db());
  ProcessIdentity self = ProcessIdentity::Self();
  sqlite3_bind_int64(st, 1, id);
  sqlite3_bind_int64(st, 2, self.pid);
  sqlite3_bind_int64(st, 3, self.started);
  sqlite3_bind_int64(st, 4, static_cast<int64_t>(m.owner));
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  m.ever_held = true;
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// The start every change of the current record shares: the file open for writing, a record
// current, the write transaction begun on scope, and no other station holding the record.
// kNoError to go on; otherwise the code, already set as the last error.
int BeginCurrentRecordWrite(KeyedFileImpl& m, WriteScope& scope) {
  if (!m.db) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  if (!m.current_id) return Result(m.read_held ? kRecordHeld : kNoRecordAvailable);
  sqlite3* db = m.active->db();
  int rc = scope.Begin();
  if (rc != SQLITE_OK) return DriverError(db, rc);
  int hold_rc = SQLITE_OK;
  int holder = CheckHolder(m, m.current_id, &hold_rc);
  if (holder == kDriverError) return DriverError(db, hold_rc);
  if (holder == kRecordHeld) return Result(kRecordHeld);
  return kNoError;
}

}  // namespace

int SqliteKeyedFile::Set(const FileKey* key) {
  return impl_->StartSequence(impl_->db != nullptr, key);
}

int SqliteKeyedFile::SetFromBuffer(const FileKey& key) {
  return impl_->StartAtValues(impl_->db != nullptr, key, buffer_, ValuesFromImage);
}

namespace {

// The statement that finds the next row of the sequence in a direction, bound and ready.
sqlite3_stmt* SequenceStatement(KeyedFileImpl& m, bool forward) {
  using A = KeyedFileImpl::Anchor;
  using S = KeyedFileStatements;
  if (m.anchor == A::kStart) {
    return m.active->Get(m.see_reserved ? S::kFirstWithReserved : S::kFirst, m.seq_key, forward);
  }
  bool inclusive = m.anchor == A::kBuffer || m.anchor == A::kAt;
  sqlite3_stmt* st = m.active->Get(m.see_reserved ? S::kAfterWithReserved : S::kAfter, m.seq_key,
                                   forward, inclusive);
  if (!st) return nullptr;
  int n = 0;
  if (m.seq_key) {
    n = static_cast<int>(m.seq_key->ComponentCount());
    for (int c = 0; c < n; ++c) BindStored(st, c + 1, m.anchor_values[static_cast<size_t>(c)]);
  }
  int64_t id = m.anchor_id;
  if (m.anchor == A::kBuffer) id = forward ? INT64_MIN : INT64_MAX;
  sqlite3_bind_int64(st, n + 1, id);
  return st;
}

}  // namespace

// Reads the row a statement gives (stepping it unless the caller has), honouring holds and an
// armed Hold/Watch, and makes it the current record in `order`. not_found: the code when there
// is no row. move_past_held: a held row still moves the sequence past it.
int SqliteKeyedFile::ReadRow(sqlite3_stmt* st, bool stepped, int first, int not_found,
                       const FileKey* order, bool move_past_held) {
  KeyedFileImpl& m = *impl_;
  sqlite3* db = m.active->db();
  bool hold = m.hold_armed, watch = m.watch_armed;
  m.hold_armed = m.watch_armed = false;
  if (!st) return DriverError(db, sqlite3_errcode(db));
  WriteScope scope(db);
  bool place_hold = hold && !m.read_only;
  if (place_hold || m.held_id) {
    // The check for another copy's hold and the placing of ours must see one state.
    int rc = scope.Begin();
    if (rc != SQLITE_OK) return DriverError(db, rc);
  }
  if (!stepped) {
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) {
      sqlite3_reset(st);
      return Result(not_found);
    }
    if (rc != SQLITE_ROW) {
      int code = DriverError(db, rc);
      sqlite3_reset(st);
      return code;
    }
  }
  int64_t id = sqlite3_column_int64(st, first);
  int64_t version = sqlite3_column_int64(st, first + 1);
  // Whatever happens to the row, a sequence moves past it by what is stored, so every
  // Next/Previous sequence ends even over values that fit no field.
  auto move_past = [&]() {
    m.seq_key = order;
    m.anchor = KeyedFileImpl::Anchor::kAfter;
    m.anchor_values = order ? ValuesFromRow(m.schema, *order, st, first, !stepped)
                            : std::vector<StoredValue>();
    m.anchor_id = id;
  };
  int hold_rc = SQLITE_OK;
  // Another copy's reservation is read only for the number it takes: its hold says "mine",
  // not "being changed".
  int holder = m.see_reserved && version == 0 ? kNoError : CheckHolder(m, id, &hold_rc);
  if (holder == kDriverError) {
    if (!stepped) sqlite3_reset(st);
    return DriverError(db, hold_rc);
  }
  std::vector<unsigned char> image;
  std::string problem;
  if (holder != kRecordHeld) {
    image.resize(decl_.RecordSize());
    std::memcpy(image.data(), buffer_, image.size());  // groups keep what they hold around fields
    problem = LoadRecord(m.schema, st, first, image.data());
  }
  if (holder == kRecordHeld || !problem.empty()) {
    if (move_past_held) move_past();
    if (!stepped) sqlite3_reset(st);
    m.current_id = 0;
    m.read_held = true;
    m.NoteRead();
    if (!problem.empty()) {
      SetLastError(kDriverError, "", problem);
      return kDriverError;
    }
    return Result(kRecordHeld);
  }
  move_past();
  if (!stepped) sqlite3_reset(st);
  std::memcpy(buffer_, image.data(), image.size());
  m.TookRead(id, version, std::move(image));

  if (m.held_id && !(place_hold && m.held_id == id)) {
    int rc = DeleteHoldRow(m, m.held_id);
    if (rc != SQLITE_OK) return DriverError(db, rc);
    m.held_id = 0;
  }
  if (place_hold) {
    int rc = PutHoldRow(m, id);
    if (rc != SQLITE_OK) return DriverError(db, rc);
  }
  int rc = scope.Commit();
  if (rc != SQLITE_OK) {
    m.current_id = 0;
    return DriverError(db, rc);
  }
  if (place_hold) m.held_id = id;
  m.TakeWatch(watch, id, version);
  return Result(kNoError);
}

int SqliteKeyedFile::Next() { return Step(true); }
int SqliteKeyedFile::Previous() { return Step(false); }

int SqliteKeyedFile::Step(bool forward) {
  KeyedFileImpl& m = *impl_;
  if (!m.db) return Result(kFileNotOpen);
  return ReadRow(SequenceStatement(m, forward), false, 0, kNoRecordAvailable, m.seq_key, true);
}

bool SqliteKeyedFile::Eof() {
  KeyedFileImpl& m = *impl_;
  if (!m.db) {
    Result(kFileNotOpen);
    return true;
  }
  // A failure is no end of the file: false, with the error set, so a reading loop goes on to
  // the Next that reports it instead of taking the rows read so far for all there are.
  sqlite3_stmt* st = SequenceStatement(m, true);
  if (!st) {
    DriverError(m.active->db(), sqlite3_errcode(m.active->db()));
    return false;
  }
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
    Result(kNoError);
    return rc == SQLITE_DONE;
  }
  DriverError(m.active->db(), rc);
  return false;
}

int SqliteKeyedFile::Get(const FileKey& key) {
  KeyedFileImpl& m = *impl_;
  if (!m.db) return Result(kFileNotOpen);
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kEqual, &key);
  if (st) BindComponents(m.schema, st, key, buffer_, 1);
  return ReadRow(st, false, 0, kRecordNotFound, &key, false);
}

int SqliteKeyedFile::ClearCurrent() {
  return impl_->ForgetCurrent(impl_->db != nullptr);
}

int64_t SqliteKeyedFile::Records() {
  KeyedFileImpl& m = *impl_;
  if (!m.db) {
    Result(kFileNotOpen);
    return -1;
  }
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kCount);
  if (!st) {
    DriverError(m.active->db(), sqlite3_errcode(m.active->db()));
    return -1;
  }
  int rc = sqlite3_step(st);
  int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  if (rc == SQLITE_ROW) Result(kNoError);
  else DriverError(m.active->db(), rc);
  sqlite3_reset(st);
  return n;
}

std::string SqliteKeyedFile::Position(const FileKey* key) {
  return impl_->CurrentPosition(impl_->db != nullptr, key);
}

int SqliteKeyedFile::Reset(const FileKey* key, std::string_view position) {
  return impl_->StartAtPosition(impl_->db != nullptr, key, position, ValuesFromImage);
}

int SqliteKeyedFile::Reget(const FileKey* key, std::string_view position) {
  KeyedFileImpl& m = *impl_;
  int64_t id = m.PositionId(m.db != nullptr, key, position);
  if (!id) return GetLastError().code;
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kById);
  if (st) sqlite3_bind_int64(st, 1, id);
  return ReadRow(st, false, 0, kRecordNotFound, key, false);
}

int SqliteKeyedFile::Hold() {
  return impl_->Arm(impl_->db != nullptr, &impl_->hold_armed);
}

int SqliteKeyedFile::Watch() {
  return impl_->Arm(impl_->db != nullptr, &impl_->watch_armed);
}

int SqliteKeyedFile::Release() {
  KeyedFileImpl& m = *impl_;
  if (!m.db) return Result(kFileNotOpen);
  if (m.held_id) {
    int rc = DeleteHoldRow(m, m.held_id);
    if (rc != SQLITE_OK) return DriverError(m.active->db(), rc);
    m.held_id = 0;
  }
  return Result(kNoError);
}

// --- Writing ---------------------------------------------------------------------------------

int SqliteKeyedFile::Add() { return Insert(false); }
int SqliteKeyedFile::Reserve() { return Insert(true); }

int SqliteKeyedFile::Insert(bool reserved) {
  KeyedFileImpl& m = *impl_;
  if (!m.db) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  sqlite3* db = m.active->db();
  // A reservation and the hold that names its owner are stored together or not at all.
  WriteScope scope(db);
  if (reserved) {
    int rc = scope.Begin();
    if (rc != SQLITE_OK) return DriverError(db, rc);
  }
  sqlite3_stmt* st = m.active->Get(reserved ? KeyedFileStatements::kInsertReserved
                                            : KeyedFileStatements::kInsert);
  if (!st) return DriverError(db, sqlite3_errcode(db));
  BindRecord(m.schema, st, buffer_);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) {
    int code = DriverError(db, rc);
    sqlite3_reset(st);
    return code;
  }
  sqlite3_reset(st);
  int64_t id = sqlite3_last_insert_rowid(db);
  if (reserved) {
    rc = PutHoldRow(m, id);
    if (rc == SQLITE_OK) rc = scope.Commit();
    if (rc != SQLITE_OK) return DriverError(db, rc);
  }
  m.TookAdded(id, reserved, buffer_);
  return Result(kNoError);
}

void SqliteKeyedFile::SeeReserved(bool on) { impl_->see_reserved = on; }

int SqliteKeyedFile::DeleteAll(int64_t* deleted) {
  KeyedFileImpl& m = *impl_;
  if (deleted) *deleted = 0;
  if (!m.db) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  sqlite3* db = m.active->db();
  WriteScope scope(db);
  int rc = scope.Begin();
  if (rc != SQLITE_OK) return DriverError(db, rc);
  // Holds of the dead hold nothing back; what the living hold stays.
  rc = DropStaleHolds(*m.active);
  ProcessIdentity self = ProcessIdentity::Self();
  if (rc == SQLITE_OK) {
    rc = RunBound(*m.active, KeyedFileStatements::kDeleteAll,
                  {self.pid, self.started, static_cast<int64_t>(m.owner)});
  }
  int64_t gone = rc == SQLITE_OK ? sqlite3_changes64(db) : 0;
  if (rc == SQLITE_OK) rc = RunBound(*m.active, KeyedFileStatements::kOrphanHoldDelete, {});
  if (rc == SQLITE_OK) rc = scope.Commit();
  if (rc != SQLITE_OK) return DriverError(db, rc);
  // Nothing of ours is left to be current, held or watched (another copy holds all that stayed).
  if (m.current_id) m.NoteDeleted();
  m.current_id = 0;
  m.held_id = 0;
  m.watched_id = 0;
  if (deleted) *deleted = gone;
  return Result(kNoError);
}

int SqliteKeyedFile::Put() {
  KeyedFileImpl& m = *impl_;
  WriteScope scope(m.db ? m.active->db() : nullptr);
  if (int code = BeginCurrentRecordWrite(m, scope); code != kNoError) return code;
  sqlite3* db = m.active->db();
  bool watched = m.watched_id == m.current_id;
  sqlite3_stmt* st = m.active->Get(watched ? KeyedFileStatements::kUpdateWatched
                                           : KeyedFileStatements::kUpdate);
  if (!st) return DriverError(db, sqlite3_errcode(db));
  BindRecord(m.schema, st, buffer_);
  int n = static_cast<int>(m.schema.StoredFields().size() + m.schema.ShadowFields().size());
  sqlite3_bind_int64(st, n + 1, m.current_id);
  if (watched) sqlite3_bind_int64(st, n + 2, m.watched_version);
  int rc = sqlite3_step(st);
  bool updated = rc == SQLITE_ROW;
  int64_t version = updated ? sqlite3_column_int64(st, 0) : 0;
  while (rc == SQLITE_ROW) rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) {
    int code = DriverError(db, rc);
    sqlite3_reset(st);
    return code;
  }
  sqlite3_reset(st);
  if (!updated) return Result(watched ? kRecordChanged : kRecordNotFound);
  // Version 1 is a reservation's first put: it is an ordinary record now, and its hold goes.
  if (m.held_id == m.current_id || version == 1) {
    rc = DeleteHoldRow(m, m.current_id);
    if (rc != SQLITE_OK) return DriverError(db, rc);
  }
  rc = scope.Commit();
  if (rc != SQLITE_OK) return DriverError(db, rc);
  if (m.held_id == m.current_id) m.held_id = 0;
  m.TookPut(version, buffer_, watched);
  return Result(kNoError);
}

int SqliteKeyedFile::Delete() {
  KeyedFileImpl& m = *impl_;
  WriteScope scope(m.db ? m.active->db() : nullptr);
  if (int code = BeginCurrentRecordWrite(m, scope); code != kNoError) return code;
  sqlite3* db = m.active->db();
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kDelete);
  if (!st) return DriverError(db, sqlite3_errcode(db));
  sqlite3_bind_int64(st, 1, m.current_id);
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) return DriverError(db, rc);
  if (sqlite3_changes(db) == 0) return Result(kRecordNotFound);
  // Our hold on it goes with it, also the one that made it a reservation.
  rc = DeleteHoldRow(m, m.current_id);
  if (rc != SQLITE_OK) return DriverError(db, rc);
  rc = scope.Commit();
  if (rc != SQLITE_OK) return DriverError(db, rc);
  m.DeletedCurrent();
  return Result(kNoError);
}

bool SqliteKeyedFile::Duplicate(const FileKey& key) {
  KeyedFileImpl& m = *impl_;
  if (!m.db) {
    Result(kFileNotOpen);
    return false;
  }
  if (key.Duplicates()) {
    Result(kNoError);
    return false;
  }
  sqlite3_stmt* st = m.active->Get(KeyedFileStatements::kDuplicate, &key);
  if (!st) {
    DriverError(m.active->db(), sqlite3_errcode(m.active->db()));
    return false;
  }
  BindComponents(m.schema, st, key, buffer_, 1);
  sqlite3_bind_int64(st, static_cast<int>(key.ComponentCount()) + 1, m.current_id);
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) Result(kNoError);
  else DriverError(m.active->db(), rc);
  return rc == SQLITE_ROW;
}

// --- For views -------------------------------------------------------------------------------

sqlite3* SqliteKeyedFile::Connection() const { return impl_->active ? impl_->active->db() : nullptr; }

std::string SqliteKeyedFile::SqlTable() const {
  return impl_->active ? impl_->active->Table()
                       : KeyedFileSchema::Quote("main") + "." +
                             KeyedFileSchema::Quote(KeyedFileSchema::kTable);
}

int SqliteKeyedFile::LoadRow(sqlite3_stmt* stmt, int first_column, const FileKey* key) {
  if (!impl_->db) return Result(kFileNotOpen);
  return ReadRow(stmt, true, first_column, kNoRecordAvailable, key, true);
}

int SqliteKeyedFile::LoadHeldRow(sqlite3_stmt* stmt, int first_column) {
  if (!impl_->db) return Result(kFileNotOpen);
  LoadRecord(impl_->schema, stmt, first_column, buffer_);
  return Result(kRecordHeld);
}

}  // namespace rt
