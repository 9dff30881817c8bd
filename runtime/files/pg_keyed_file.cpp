#include "runtime/files/pg_keyed_file.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/files/keyed_file_impl.h"
#include "runtime/files/keyed_file_statements.h"
#include "runtime/files/pg_connection.h"
#include "runtime/files/position_text.h"
#include "runtime/files/transaction.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

constexpr const char* kFormat = "1";
constexpr const char* kFilesTable = "tovik_files";
constexpr size_t kMaxName = 63;  // the server cuts longer identifiers silently
constexpr int kBatch = 32;       // rows a reading loop takes from one statement
constexpr std::chrono::milliseconds kBatchLife(100);
// Every Create holds this advisory key while it looks and builds, so two stations creating
// one file at once build it once. Table oids (the first half of a hold's key) are never this low.
constexpr const char* kCreateLockKey = "1";

using StoredValue = KeyedFileImpl::StoredValue;

int Result(int code) {
  SetLastError(code);
  return code;
}

int Refuse(int code, const std::string& text) {
  SetLastError(code, "", text);
  return code;
}

std::string Q(const std::string& identifier) { return KeyedFileSchema::Quote(identifier); }

const std::string kId = Q(KeyedFileSchema::kIdColumn);
const std::string kVersion = Q(KeyedFileSchema::kVersionColumn);

std::string PgType(Type t) {
  switch (t) {
    case Type::Byte:
    case Type::Short: return "smallint";
    case Type::UShort:
    case Type::Long: return "integer";
    case Type::ULong: return "bigint";
    case Type::Real: return "double precision";
    case Type::String:
    case Type::CString: return "text";
    default: return "bytea";
  }
}

std::string ColumnSql(Type t) {
  std::string type = PgType(t);
  if (type == "text") return "text COLLATE \"C\" NOT NULL DEFAULT ''";
  if (type == "bytea") return "bytea NOT NULL DEFAULT '\\x'";
  return type + " NOT NULL DEFAULT 0";
}

std::string Hex(const void* data, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string out = "\\x";
  const unsigned char* b = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; ++i) {
    out += digits[b[i] >> 4];
    out += digits[b[i] & 15];
  }
  return out;
}

// A field's value as the server takes it in a text parameter.
std::string FieldText(const AnyRef& ref) {
  switch (ref.type()) {
    case Type::Real: {
      char b[40];
      std::snprintf(b, sizeof b, "%.17g", ref.Real());
      return b;
    }
    case Type::String:
    case Type::CString: return ref.Text();
    case Type::Group: return Hex(ref.address(), ref.size());
    default: return std::to_string(ref.Integer());
  }
}

std::string Shown(const char* text, Type t) {
  std::string s = text;
  if (t == Type::Group) return std::to_string(s.size() > 2 ? (s.size() - 2) / 2 : 0) + " bytes";
  if (t == Type::String || t == Type::CString) {
    if (s.size() > 24) s = std::string(CutToBytes(s, 24)) + "...";
    return "'" + s + "'";
  }
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Loads one stored value (the server's text form) into its field: "" when it is the field's
// value exactly, else what is wrong with it, and the field is cleared (never narrowed or 0).
std::string LoadField(const PgResult& r, int row, int col, const AnyRef& target) {
  AnyRef ref = target;
  const char* text = r.Text(row, col);
  size_t length = static_cast<size_t>(r.Length(row, col));
  auto refuse = [&](const std::string& why) {
    std::string shown = r.IsNull(row, col) ? "no value (NULL)" : Shown(text, ref.type());
    if (ref.type() == Type::Group) std::memset(ref.address(), 0, ref.size());
    else ref.Clear();
    return "holds " + shown + why;
  };
  if (r.IsNull(row, col)) return refuse("");
  switch (ref.type()) {
    case Type::Real: {
      errno = 0;
      char* end = nullptr;
      double v = std::strtod(text, &end);
      if (end != text + length) return refuse(", not a number");
      if (!std::isfinite(v)) return refuse(", not a finite number");
      ref.SetReal(v);
      return "";
    }
    case Type::String:
    case Type::CString: {
      std::string_view t(text, length);
      if (ref.type() == Type::String) t = Clip(t);
      size_t room = ref.type() == Type::String ? ref.size() : ref.size() - 1;
      if (t.size() > room) return refuse(", longer than its " + std::to_string(room) + " bytes");
      ref.SetText(t);
      return "";
    }
    case Type::Group: {
      if (length < 2 || text[0] != '\\' || text[1] != 'x' || length % 2) {
        return refuse(", not bytes");
      }
      size_t n = (length - 2) / 2;
      if (n > ref.size()) return refuse(", more than its " + std::to_string(ref.size()) + " bytes");
      std::vector<unsigned char> bytes(n);
      for (size_t i = 0; i < n; ++i) {
        int hi = HexDigit(text[2 + 2 * i]), lo = HexDigit(text[3 + 2 * i]);
        if (hi < 0 || lo < 0) return refuse(", not bytes");
        bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
      }
      std::memset(ref.address(), 0, ref.size());
      if (n) std::memcpy(ref.address(), bytes.data(), n);
      return "";
    }
    default: {
      errno = 0;
      char* end = nullptr;
      long long v = std::strtoll(text, &end, 10);
      if (end != text + length || errno == ERANGE || length == 0) {
        return refuse(", not a whole number");
      }
      ref.SetInteger(v);
      if (ref.Integer() != v) {
        return refuse(std::string(", which a ") + TypeName(ref.type()) + " field cannot hold");
      }
      return "";
    }
  }
}

// Loads the stored fields of a result's row (columns as SelectList) into a record image.
std::string LoadRecord(const KeyedFileSchema& schema, const PgResult& r, int row, void* record) {
  const RecordDescriptor& d = schema.Declaration().Record();
  std::string problem;
  int col = 2;
  for (size_t f : schema.StoredFields()) {
    std::string why = LoadField(r, row, col++, d.Field(record, f));
    if (!why.empty() && problem.empty()) {
      problem = "record " + std::string(r.Text(row, 0)) + ": " + d.field(f).label + " " + why;
    }
  }
  return problem;
}

// A key's component values as the buffer (a record image) would store them, in text form.
std::vector<StoredValue> ValuesFromImage(const KeyedFileSchema& schema, const FileKey& key,
                                         void* record) {
  const RecordDescriptor& d = schema.Declaration().Record();
  std::vector<StoredValue> out(key.ComponentCount());
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    AnyRef ref = d.Field(record, key.Component(c).field);
    out[c].bytes = schema.ComponentUsesShadow(key, c) ? Upper(ref.Text()) : FieldText(ref);
  }
  return out;
}

// The same values as stored in a read row (columns as the driver's ReadList).
std::vector<StoredValue> ValuesFromRow(const KeyedFileSchema& schema, const FileKey& key,
                                       const PgResult& r, int row) {
  const std::vector<size_t>& stored = schema.StoredFields();
  const std::vector<size_t>& shadows = schema.ShadowFields();
  std::vector<StoredValue> out(key.ComponentCount());
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    size_t f = key.Component(c).field;
    int col = 2 + static_cast<int>(std::find(stored.begin(), stored.end(), f) - stored.begin());
    if (schema.ComponentUsesShadow(key, c)) {
      col = 2 + static_cast<int>(stored.size()) +
            static_cast<int>(std::find(shadows.begin(), shadows.end(), f) - shadows.begin());
    }
    out[c].bytes.assign(r.Text(row, col), static_cast<size_t>(r.Length(row, col)));
  }
  return out;
}

// FNV-1a: a short stable tag that keeps cut index names apart.
std::string Tag(const std::string& s) {
  uint32_t h = 2166136261u;
  for (unsigned char c : s) h = (h ^ c) * 16777619u;
  char b[9];
  std::snprintf(b, sizeof b, "%08x", h);
  return b;
}

std::string IndexName(const std::string& table, const FileKey& key) {
  std::string name = table + ":" + key.Label();
  if (name.size() <= kMaxName) return name;
  return std::string(CutToBytes(name, kMaxName - 9)) + "~" + Tag(name);
}

std::string CreateIndexSql(const KeyedFileSchema& schema, const std::string& table,
                           const FileKey& key) {
  std::string s = key.Duplicates() ? "CREATE INDEX " : "CREATE UNIQUE INDEX ";
  s += Q(IndexName(table, key)) + " ON " + Q(table) + "(";
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    if (c) s += ", ";
    s += schema.ComponentTerm(key, c);
    if (!key.Component(c).ascending) s += " DESC";
  }
  return s + ")";
}

// What the index of a key lists in the catalog: "col[ DESC],..." (see the query in Check).
std::string IndexColumns(const KeyedFileSchema& schema, const FileKey& key) {
  std::string s;
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    size_t f = key.Component(c).field;
    if (c) s += ",";
    s += schema.ComponentUsesShadow(key, c) ? "_upper_" + schema.Column(f) : schema.Column(f);
    if (!key.Component(c).ascending) s += " DESC";
  }
  return s;
}

// The table of a new file, its indexes and its row in the files table, inside the caller's
// transaction.
int BuildContents(PgConnection& conn, const KeyedFileSchema& schema, const std::string& table) {
  const FileDeclaration& decl = schema.Declaration();
  const RecordDescriptor& r = decl.Record();
  std::string sql = "CREATE TABLE " + Q(table) + "(" + kId +
                    " bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, " + kVersion +
                    " bigint NOT NULL DEFAULT 1";
  for (size_t f : schema.StoredFields()) {
    sql += ", " + schema.QuotedColumn(f) + " " + ColumnSql(r.field(f).type);
  }
  for (size_t f : schema.ShadowFields()) {
    sql += ", " + schema.QuotedShadow(f) + " " + ColumnSql(Type::String);
  }
  sql += ")";
  PgResult res = conn.Exec(sql);
  if (!res.Ok()) return conn.Fail(res);
  for (size_t k = 0; k < decl.KeyCount(); ++k) {
    res = conn.Exec(CreateIndexSql(schema, table, decl.Key(k)));
    if (!res.Ok()) return conn.Fail(res);
  }
  res = conn.Run("INSERT INTO " + Q(kFilesTable) +
                     "(name, format, declaration) VALUES($1, $2, $3)",
                 {table, kFormat, decl.Signature()});
  if (!res.Ok()) return conn.Fail(res);
  return kNoError;
}

// The filter language's functions, with the runtime's rules (text.h Upper, SubText and
// InStringPosition of sql_text_functions.h): made once per schema with its files table.
const char* kTextFunctionsSql = R"sql(
CREATE OR REPLACE FUNCTION rt_upper(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT translate(t, 'abcdefghijklmnopqrstuvwxyzабвгдежзийклмнопрстуфхцчшщъыьэюяѐёђѓєѕіїјљњћќѝўџ',
                          'ABCDEFGHIJKLMNOPQRSTUVWXYZАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЀЁЂЃЄЅІЇЈЉЊЋЌЍЎЏ') $$;
CREATE OR REPLACE FUNCTION rt_text(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT t $$;
CREATE OR REPLACE FUNCTION rt_text(n bigint) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT n::text $$;
CREATE OR REPLACE FUNCTION rt_text(n double precision) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT CASE WHEN n = 0 THEN '0' ELSE n::text END $$;
CREATE OR REPLACE FUNCTION rt_upper(n double precision) RETURNS text LANGUAGE sql IMMUTABLE STRICT
AS $$ SELECT rt_text(n) $$;
CREATE OR REPLACE FUNCTION rt_sub(t text, s double precision, l double precision) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  cnt bigint := char_length(t);
  len bigint := trunc(l);
  f bigint := trunc(s);
BEGIN
  IF len < 1 THEN RETURN ''; END IF;
  IF f < 0 THEN
    f := cnt + f;
    IF f < 0 THEN
      len := len + f;
      f := 0;
      IF len < 1 THEN RETURN ''; END IF;
    END IF;
  ELSIF f > 0 THEN
    f := f - 1;
  END IF;
  IF f >= cnt THEN RETURN ''; END IF;
  RETURN substr(t, (f + 1)::int, least(len, cnt - f)::int);
END $$;
CREATE OR REPLACE FUNCTION rt_instring(sub text, t text, step double precision,
                                       start double precision) RETURNS bigint
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  st bigint := greatest(trunc(step), 1);
  p bigint := greatest(trunc(start), 1);
  cnt bigint := char_length(t);
  n int := char_length(sub);
BEGIN
  IF n = 0 THEN RETURN CASE WHEN p <= cnt + 1 THEN p ELSE 0 END; END IF;
  WHILE p <= cnt LOOP
    IF substr(t, p::int, n) = sub THEN RETURN p; END IF;
    p := p + st;
  END LOOP;
  RETURN 0;
END $$;
)sql";

const char* kFilesTableSql =
    "CREATE TABLE IF NOT EXISTS \"tovik_files\"(name text COLLATE \"C\" PRIMARY KEY, "
    "format text NOT NULL, declaration text NOT NULL)";

struct TxState {
  PgConnection* conn = nullptr;
  std::vector<PgKeyedFile*> members;
};
thread_local TxState g_tx;

}  // namespace

// --- Construction, opening and closing -------------------------------------------------------

PgKeyedFile::PgKeyedFile(KeyedFile& file, std::string uri)
    : file_(file), decl_(file.Declaration()), buffer_(file.Buffer()), uri_(std::move(uri)),
      impl_(std::make_unique<KeyedFileImpl>(decl_)) {}

PgKeyedFile::~PgKeyedFile() {
  if (own_) Close();
  Transaction::Forget(&file_);
}

bool PgKeyedFile::IsOpen() const { return own_ != nullptr; }
bool PgKeyedFile::IsReadOnly() const { return impl_->read_only; }
bool PgKeyedFile::IsHeld() const { return impl_->held_id != 0; }
bool PgKeyedFile::IsWatched() const { return impl_->watched_id != 0; }
const FileKey* PgKeyedFile::CurrentKey() const { return impl_->seq_key; }

std::string PgKeyedFile::TableName(const std::string& file_name) {
  size_t slash = file_name.find_last_of('/');
  return slash == std::string::npos ? file_name : file_name.substr(slash + 1);
}

int PgKeyedFile::Fail(const PgResult& r) { return active_->Fail(r); }

// Compares what the database holds under the file's name with the declaration: 0; 2 when
// there is no such file; 47 naming the first difference; 46 when only the key indexes differ
// (check_indexes); 90 when the catalog cannot be read. Reads only.
int PgKeyedFile::Check(PgConnection& conn, bool check_indexes) {
  const KeyedFileSchema& schema = impl_->schema;
  PgResult r = conn.Run("SELECT to_regclass($1) IS NOT NULL, to_regclass($2) IS NOT NULL",
                        {Q(kFilesTable), Q(name_)});
  if (!r.Ok()) return conn.Fail(r);
  bool files = r.Text(0, 0)[0] == 't', table = r.Text(0, 1)[0] == 't';
  auto foreign = [&]() {
    return Refuse(kInvalidRecordDeclaration, "the database holds a table " + name_ +
                                                 " that is not a keyed file of this program");
  };
  std::string format, signature;
  bool listed = false;
  if (files) {
    r = conn.Run("SELECT format, declaration FROM " + Q(kFilesTable) + " WHERE name = $1",
                 {name_});
    if (!r.Ok()) return conn.Fail(r);
    if (r.Rows() > 0) {
      listed = true;
      format = r.Text(0, 0);
      signature = r.Text(0, 1);
    }
  }
  if (!listed) {
    if (table) return foreign();
    SetLastError(kFileNotFound, "", "no file " + name_ + " in the database");
    return kFileNotFound;
  }
  if (!table) {
    return Refuse(kInvalidRecordDeclaration,
                  "not a keyed file of this program: table " + name_ + " is missing");
  }
  if (format != kFormat) {
    return Refuse(kInvalidRecordDeclaration,
                  format.empty() ? "meta names no format"
                                 : "meta names format " + format + ", not " + kFormat);
  }
  if (signature != decl_.Signature()) {
    return Refuse(kInvalidRecordDeclaration, "the file was created from another record declaration");
  }

  // Columns: each declared one with its type (texts in byte order), and no other.
  std::vector<std::pair<std::string, std::string>> expected = {
      {KeyedFileSchema::kIdColumn, "bigint"}, {KeyedFileSchema::kVersionColumn, "bigint"}};
  for (size_t f : schema.StoredFields()) {
    expected.emplace_back(schema.Column(f), PgType(decl_.Record().field(f).type));
  }
  for (size_t f : schema.ShadowFields()) expected.emplace_back("_upper_" + schema.Column(f), "text");
  r = conn.Run(
      "SELECT a.attname, format_type(a.atttypid, a.atttypmod), "
      "coalesce((SELECT c.collname FROM pg_catalog.pg_collation c WHERE c.oid = a.attcollation), "
      "'') FROM pg_catalog.pg_attribute a WHERE a.attrelid = to_regclass($1) AND a.attnum > 0 "
      "AND NOT a.attisdropped ORDER BY a.attnum",
      {Q(name_)});
  if (!r.Ok()) return conn.Fail(r);
  for (const auto& [name, type] : expected) {
    int row = -1;
    for (int i = 0; i < r.Rows(); ++i) {
      if (name == r.Text(i, 0)) row = i;
    }
    if (row < 0) {
      return Refuse(kInvalidRecordDeclaration, "column " + name + " is missing from table " + name_);
    }
    std::string have = r.Text(row, 1);
    if (have == "text" && std::string(r.Text(row, 2)) != "C") have = "text in another order";
    if (have != type) {
      return Refuse(kInvalidRecordDeclaration,
                    "column " + name + " of table " + name_ + " holds " + have + " values, not " + type);
    }
  }
  for (int i = 0; i < r.Rows(); ++i) {
    std::string name = r.Text(i, 0);
    bool declared = std::any_of(expected.begin(), expected.end(),
                                [&](const auto& e) { return e.first == name; });
    if (!declared) {
      return Refuse(kInvalidRecordDeclaration,
                    "table " + name_ + " has a column " + name + " that is not declared");
    }
  }
  if (!check_indexes) return kNoError;

  // Indexes: one per key, unique when the key is, on its columns in its directions; no other.
  r = conn.Run(
      "SELECT c.relname, i.indisunique AND i.indisvalid AND i.indpred IS NULL, "
      "i.indisvalid AND i.indpred IS NULL AND i.indexprs IS NULL, "
      "(SELECT string_agg(a.attname || CASE WHEN (i.indoption[k] & 1) = 1 THEN ' DESC' ELSE '' "
      "END, ',' ORDER BY k) FROM generate_series(0, i.indnkeyatts - 1) k "
      "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[k]), "
      "i.indnkeyatts FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class c ON c.oid = "
      "i.indexrelid WHERE i.indrelid = to_regclass($1) AND NOT i.indisprimary",
      {Q(name_)});
  if (!r.Ok()) return conn.Fail(r);
  std::vector<std::string> ours;
  for (size_t k = 0; k < decl_.KeyCount(); ++k) {
    const FileKey& key = decl_.Key(k);
    std::string name = IndexName(name_, key);
    ours.push_back(name);
    bool found = false;
    for (int i = 0; i < r.Rows(); ++i) {
      if (name != r.Text(i, 0)) continue;
      found = (r.Text(i, 1)[0] == 't') == !key.Duplicates() && r.Text(i, 2)[0] == 't' &&
              r.Text(i, 3) == IndexColumns(schema, key) &&
              r.Integer(i, 4) == static_cast<int64_t>(key.ComponentCount());
    }
    if (!found) {
      return Refuse(kKeysMustBeRebuilt,
                    "the index of key " + key.Label() + " is missing or not as declared");
    }
  }
  for (int i = 0; i < r.Rows(); ++i) {
    if (std::find(ours.begin(), ours.end(), r.Text(i, 0)) == ours.end()) {
      return Refuse(kKeysMustBeRebuilt,
                    "index " + std::string(r.Text(i, 0)) + " is not one of the declared keys");
    }
  }
  return kNoError;
}

namespace {

// The name a file has on the server, or why it can have none: 0, 2 or 90.
int ServerName(const std::string& file_name, std::string* out) {
  *out = PgKeyedFile::TableName(file_name);
  if (out->empty()) return Refuse(kFileNotFound, "the file has no name");
  if (out->size() > kMaxName) {
    return Refuse(kDriverError, "a file name on the server is at most 63 bytes: " + *out);
  }
  if (*out == kFilesTable) {
    return Refuse(kInvalidRecordDeclaration, "the name " + *out + " is the store's own table");
  }
  return kNoError;
}

std::string LockTimeoutSql(int ms) { return "SET lock_timeout = " + std::to_string(ms); }

}  // namespace

int PgKeyedFile::Open(int access_mode) {
  KeyedFileImpl& m = *impl_;
  if (own_) return Result(kFileAlreadyOpen);
  if (std::string p = m.schema.Problem(); !p.empty()) {
    return Refuse(kInvalidRecordDeclaration, p);
  }
  if (int code = ServerName(file_.Name(), &name_); code != kNoError) return code;
  bool write = (access_mode & 3) != 0;
  std::unique_ptr<PgConnection> conn = PgConnection::Connect(uri_);
  if (!conn) return GetLastError().code;
  PgResult r = conn->Exec(LockTimeoutSql(m.busy_ms));
  if (!r.Ok()) return conn->Fail(r);
  if (int code = Check(*conn, true); code != kNoError) return code;
  r = conn->Run("SELECT to_regclass($1)::oid, has_table_privilege(to_regclass($1), "
                "'INSERT,UPDATE,DELETE')",
                {Q(name_)});
  if (!r.Ok()) return conn->Fail(r);
  if (write && r.Text(0, 1)[0] != 't') {
    return Refuse(kAccessDenied, "this login may not change table " + name_ + " on the server");
  }
  oid_ = static_cast<uint32_t>(std::strtoul(r.Text(0, 0), nullptr, 10));
  if (!write) {
    r = conn->Exec("SET default_transaction_read_only = on");
    if (!r.Ok()) return conn->Fail(r);
  }
  own_ = std::move(conn);
  active_ = own_.get();
  pid_ = own_->BackendPid();
  table_ = Q(name_);
  m.read_only = !write;
  m.seq_key = nullptr;
  m.anchor = KeyedFileImpl::Anchor::kStart;
  m.current_id = 0;
  m.read_held = false;
  m.hold_armed = m.watch_armed = false;
  m.held_id = m.watched_id = 0;
  reserved_.clear();
  if (write) {
    // Reservations whose station has gone (its locks went with its session). Tidying is not the
    // caller's business: a failure here leaves them for the next open.
    own_->Run("DELETE FROM " + table_ + " WHERE " + kVersion + " = 0 AND NOT " +
              HeldTerm(kId));
  }
  return Result(kNoError);
}

int PgKeyedFile::Create() {
  KeyedFileImpl& m = *impl_;
  if (own_) return Result(kFileAlreadyOpen);
  if (std::string p = m.schema.Problem(); !p.empty()) {
    return Refuse(kInvalidRecordDeclaration, p);
  }
  if (int code = ServerName(file_.Name(), &name_); code != kNoError) return code;
  std::unique_ptr<PgConnection> conn = PgConnection::Connect(uri_);
  if (!conn) return GetLastError().code;
  PgConnection& c = *conn;
  auto fail = [&](const PgResult& r) {
    int code = c.Fail(r);
    LastError saved = GetLastError();
    c.Exec("ROLLBACK");
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  };
  PgResult r = c.Exec("BEGIN");
  if (!r.Ok()) return c.Fail(r);
  r = c.Run("SELECT pg_advisory_xact_lock($1::int4, 0)", {kCreateLockKey});
  if (!r.Ok()) return fail(r);
  r = c.Exec(kFilesTableSql);
  if (!r.Ok()) return fail(r);
  r = c.Run("SELECT to_regprocedure('rt_instring(text,text,double precision,double precision)') "
            "IS NULL");
  if (!r.Ok()) return fail(r);
  if (r.Text(0, 0)[0] == 't') {
    r = c.Exec(kTextFunctionsSql);
    if (!r.Ok()) return fail(r);
  }
  r = c.Run("SELECT EXISTS(SELECT 1 FROM " + Q(kFilesTable) +
                " WHERE name = $1), to_regclass($2) IS NOT NULL",
            {name_, Q(name_)});
  if (!r.Ok()) return fail(r);
  if (r.Text(0, 0)[0] == 't' || r.Text(0, 1)[0] == 't') {
    // An existing file is never replaced: it must already be this declaration's.
    c.Exec("ROLLBACK");
    return Check(c, false);
  }
  if (int code = BuildContents(c, m.schema, name_); code != kNoError) {
    LastError saved = GetLastError();
    c.Exec("ROLLBACK");
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  }
  r = c.Exec("COMMIT");
  if (!r.Ok()) return fail(r);
  return Result(kNoError);
}

int PgKeyedFile::Close() {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (!own_) return Result(kFileNotOpen);
  if (m.in_transaction) Transaction::Rollback();
  Transaction::Forget(&file_);
  // A reservation never typed to the end goes; the holds go with the session.
  if (!reserved_.empty() && !m.read_only) {
    std::string ids = "{";
    for (int64_t id : reserved_) ids += (ids.size() > 1 ? "," : "") + std::to_string(id);
    own_->Run("DELETE FROM " + table_ + " WHERE " + kVersion + " = 0 AND " + kId +
                  " = ANY($1::bigint[])",
              {ids + "}"});
  }
  reserved_.clear();
  // The server lets a closed session's locks go only once its process has ended, a moment
  // after the close: let them go now, so a station reading right after sees them gone.
  if (m.ever_held) own_->Exec("SELECT pg_advisory_unlock_all()");
  own_.reset();
  active_ = nullptr;
  m.ever_held = false;
  m.current_id = 0;
  m.read_held = false;
  m.held_id = m.watched_id = 0;
  m.hold_armed = m.watch_armed = false;
  return Result(kNoError);
}

int PgKeyedFile::BuildKeys() {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (own_ && m.read_only) return Result(kAccessDenied);
  if (m.in_transaction) return Result(kNotSupported);
  std::unique_ptr<PgConnection> temporary;
  PgConnection* c = own_.get();
  if (!c) {
    if (std::string p = m.schema.Problem(); !p.empty()) {
      return Refuse(kInvalidRecordDeclaration, p);
    }
    if (int code = ServerName(file_.Name(), &name_); code != kNoError) return code;
    temporary = PgConnection::Connect(uri_);
    if (!temporary) return GetLastError().code;
    c = temporary.get();
    if (int code = Check(*c, false); code != kNoError) return code;
  }
  auto fail = [&](int code) {
    LastError saved = GetLastError();
    c->Exec("ROLLBACK");
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  };
  PgResult r = c->Exec("BEGIN");
  if (!r.Ok()) return c->Fail(r);
  r = c->Run("SELECT c.relname FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class c ON c.oid = "
             "i.indexrelid WHERE i.indrelid = to_regclass($1) AND NOT i.indisprimary",
             {Q(name_)});
  if (!r.Ok()) return fail(c->Fail(r));
  for (int i = 0; i < r.Rows(); ++i) {
    PgResult d = c->Exec("DROP INDEX " + Q(r.Text(i, 0)));
    if (!d.Ok()) return fail(c->Fail(d));
  }
  // The shadow columns are ours to keep right: recompute them from the fields.
  if (!m.schema.ShadowFields().empty()) {
    r = c->Exec("SELECT " + m.schema.SelectList() + " FROM " + Q(name_));
    if (!r.Ok()) return fail(c->Fail(r));
    std::string update = "UPDATE " + Q(name_) + " SET ";
    int p = 0;
    for (size_t f : m.schema.ShadowFields()) {
      update += std::string(p ? ", " : "") + m.schema.QuotedShadow(f) + " = $" + std::to_string(p + 1);
      ++p;
    }
    update += " WHERE " + kId + " = $" + std::to_string(p + 1);
    std::vector<unsigned char> image(decl_.RecordSize());
    for (int row = 0; row < r.Rows(); ++row) {
      // One row at a time through a result of its own, as LoadRecord reads row 0.
      PgResult one = c->Run("SELECT " + m.schema.SelectList() + " FROM " + Q(name_) + " WHERE " +
                                kId + " = $1",
                            {r.Text(row, 0)});
      if (!one.Ok()) return fail(c->Fail(one));
      if (one.Rows() == 0) continue;
      if (std::string problem = LoadRecord(m.schema, one, 0, image.data()); !problem.empty()) {
        // No index is built from a guess: the rebuild is undone and the file stays as it was.
        return fail(Refuse(kDriverError, problem));
      }
      std::vector<std::string> params;
      for (size_t f : m.schema.ShadowFields()) {
        params.push_back(Upper(decl_.Record().Field(image.data(), f).Text()));
      }
      params.push_back(r.Text(row, 0));
      PgResult u = c->Run(update, params);
      if (!u.Ok()) return fail(c->Fail(u));
    }
  }
  for (size_t k = 0; k < decl_.KeyCount(); ++k) {
    PgResult x = c->Exec(CreateIndexSql(m.schema, name_, decl_.Key(k)));
    if (!x.Ok()) return fail(c->Fail(x));
  }
  r = c->Exec("COMMIT");
  if (!r.Ok()) return fail(c->Fail(r));
  return Result(kNoError);
}

int PgKeyedFile::Send(std::string_view option) {
  if (impl_->TakeOption(option) && own_) own_->Exec(LockTimeoutSql(impl_->busy_ms));
  return Result(kNoError);
}

// --- Reading ---------------------------------------------------------------------------------

// True in SQL when a station other than this file's holds the record id_sql names.
std::string PgKeyedFile::HeldTerm(const std::string& id_sql) const {
  return "EXISTS(SELECT 1 FROM pg_catalog.pg_locks l WHERE l.locktype = 'advisory' AND "
         "l.database = (SELECT d.oid FROM pg_catalog.pg_database d WHERE d.datname = "
         "current_database()) AND l.classid = " +
         std::to_string(oid_) + " AND l.objid = (" + id_sql +
         ")::oid AND l.objsubid = 2 AND l.granted AND l.pid <> " + std::to_string(pid_) + ")";
}

// What the file's own reads select: the schema's ReadList, then whether another holds the row.
std::string PgKeyedFile::ReadList() const {
  return impl_->schema.ReadList() + ", " + HeldTerm(kId);
}

std::vector<std::string> PgKeyedFile::RecordParams(const void* record) const {
  const RecordDescriptor& d = decl_.Record();
  void* r = const_cast<void*>(record);
  std::vector<std::string> out;
  for (size_t f : impl_->schema.StoredFields()) out.push_back(FieldText(d.Field(r, f)));
  for (size_t f : impl_->schema.ShadowFields()) out.push_back(Upper(d.Field(r, f).Text()));
  return out;
}

int PgKeyedFile::Lock(int64_t id) {
  PgResult r = own_->Run("SELECT pg_try_advisory_lock($1::int4, $2::int4)",
                         {std::to_string(static_cast<int32_t>(oid_)), std::to_string(id)});
  if (!r.Ok()) return own_->Fail(r);
  return r.Text(0, 0)[0] == 't' ? kNoError : kRecordHeld;
}

void PgKeyedFile::Unlock(int64_t id) {
  own_->Run("SELECT pg_advisory_unlock($1::int4, $2::int4)",
            {std::to_string(static_cast<int32_t>(oid_)), std::to_string(id)});
}

int PgKeyedFile::HeldByOther(int64_t id, int* code) {
  PgResult r = active_->Run("SELECT " + HeldTerm("$1::bigint"), {std::to_string(id)});
  if (!r.Ok()) {
    *code = Fail(r);
    return false;
  }
  *code = kNoError;
  return r.Text(0, 0)[0] == 't';
}

int PgKeyedFile::ReadResult(const PgResult& r, int row, int not_found, const FileKey* order,
                            bool move_past_held) {
  KeyedFileImpl& m = *impl_;
  bool hold = m.hold_armed, watch = m.watch_armed;
  m.hold_armed = m.watch_armed = false;
  if (!r.Ok()) return Fail(r);
  if (r.Rows() <= row) return Result(not_found);
  bool place_hold = hold && !m.read_only;
  int64_t id = r.Integer(row, 0);
  int64_t version = r.Integer(row, 1);
  int held_col = 2 + static_cast<int>(m.schema.StoredFields().size() +
                                      m.schema.ShadowFields().size());
  // Whatever happens to the row, a sequence moves past it by what is stored.
  auto move_past = [&]() {
    m.seq_key = order;
    m.anchor = KeyedFileImpl::Anchor::kAfter;
    m.anchor_values = order ? ValuesFromRow(m.schema, *order, r, row) : std::vector<StoredValue>();
    m.anchor_id = id;
  };
  // Another station's reservation is read only for the number it takes.
  bool held = !(m.see_reserved && version == 0) && r.Text(row, held_col)[0] == 't';
  std::vector<unsigned char> image;
  std::string problem;
  if (!held) {
    image.resize(decl_.RecordSize());
    std::memcpy(image.data(), buffer_, image.size());
    problem = LoadRecord(m.schema, r, row, image.data());
  }
  if (held || !problem.empty()) {
    if (move_past_held) move_past();
    m.current_id = 0;
    m.read_held = true;
    m.NoteRead();
    if (!problem.empty()) return Refuse(kDriverError, problem);
    return Result(kRecordHeld);
  }
  move_past();
  if (m.held_id && !(place_hold && m.held_id == id)) {
    Unlock(m.held_id);
    m.held_id = 0;
  }
  if (place_hold && m.held_id != id) {
    int code = Lock(id);
    if (code != kNoError) {
      // Another station took it between the read and the lock.
      m.current_id = 0;
      m.read_held = code == kRecordHeld;
      m.NoteRead();
      return code == kRecordHeld ? Result(kRecordHeld) : code;
    }
    m.held_id = id;
    m.ever_held = true;
  }
  std::memcpy(buffer_, image.data(), image.size());
  m.TookRead(id, version, std::move(image));
  m.TakeWatch(watch, id, version);
  return Result(kNoError);
}

int PgKeyedFile::Set(const FileKey* key) {
  return impl_->StartSequence(own_ != nullptr, key);
}

int PgKeyedFile::SetFromBuffer(const FileKey& key) {
  return impl_->StartAtValues(own_ != nullptr, key, buffer_, ValuesFromImage);
}

std::string PgKeyedFile::SequenceSql(bool forward, std::vector<std::string>* params) const {
  const KeyedFileImpl& m = *impl_;
  using A = KeyedFileImpl::Anchor;
  std::string visible = m.see_reserved ? "" : kVersion + " <> 0";
  std::string sql = "SELECT " + ReadList() + " FROM " + table_;
  if (m.anchor == A::kStart) {
    if (!visible.empty()) sql += " WHERE " + visible;
  } else {
    bool inclusive = m.anchor == A::kBuffer || m.anchor == A::kAt;
    sql += " WHERE " + KeyedFileStatements::AfterCondition(m.schema, m.seq_key, forward,
                                                          inclusive, '$');
    if (!visible.empty()) sql += " AND " + visible;
    if (m.seq_key) {
      for (size_t c = 0; c < m.seq_key->ComponentCount(); ++c) {
        params->push_back(m.anchor_values[c].bytes);
      }
    }
    int64_t id = m.anchor_id;
    if (m.anchor == A::kBuffer) id = forward ? INT64_MIN : INT64_MAX;
    params->push_back(std::to_string(id));
  }
  return sql + KeyedFileStatements::OrderBy(m.schema, m.seq_key, forward);
}

int PgKeyedFile::Next() { return Step(true); }
int PgKeyedFile::Previous() { return Step(false); }

// A reading loop (Eof, Next, Next...) reads a batch of rows in one statement and takes the
// rows after the first from it while nothing moves the sequence elsewhere, writes or changes
// connection in between: the statement the next read would run is remembered and must match.
// A row taken from a batch is as the server had it when the batch was read, at most a tenth of
// a second before (as a local read is as the file was a moment before the caller acts on it);
// a hold armed for it is still placed on the server, and every write checks the server's row.
bool PgKeyedFile::BatchServes(const std::string& sql, const std::vector<std::string>& params) const {
  // A batch that came back full may have more rows after its last: those need a new read.
  // And a batch is a moment's picture: one older than that is read again.
  bool rows_left = batch_next_ < batch_.Rows() || batch_.Rows() < kBatch;
  bool fresh = std::chrono::steady_clock::now() - batch_time_ < kBatchLife;
  return batch_.raw() && rows_left && fresh && sql == batch_sql_ && params == batch_params_ &&
         active_ == batch_conn_ && writes_ == batch_writes_;
}

int PgKeyedFile::Step(bool forward) {
  if (!own_) return Result(kFileNotOpen);
  std::vector<std::string> params;
  std::string sql = SequenceSql(forward, &params);
  if (!BatchServes(sql, params)) {
    batch_ = active_->Run(sql + " LIMIT " + std::to_string(kBatch), params);
    batch_next_ = 0;
    batch_time_ = std::chrono::steady_clock::now();
  }
  PgResult batch = std::move(batch_);
  int row = batch_next_++;
  int code = ReadResult(batch, row, kNoRecordAvailable, impl_->seq_key, true);
  if (batch.Ok() && (code == kNoError || code == kRecordHeld || code == kNoRecordAvailable)) {
    // What the next read in this direction would run; a batch that came back short also
    // knows where the sequence ends.
    batch_params_.clear();
    batch_sql_ = SequenceSql(forward, &batch_params_);
    batch_conn_ = active_;
    batch_writes_ = writes_;
    batch_ = std::move(batch);
  }
  return code;
}

bool PgKeyedFile::Eof() {
  if (!own_) {
    Result(kFileNotOpen);
    return true;
  }
  std::vector<std::string> params;
  std::string sql = SequenceSql(true, &params);
  if (!BatchServes(sql, params)) {
    batch_ = active_->Run(sql + " LIMIT " + std::to_string(kBatch), params);
    batch_next_ = 0;
    batch_time_ = std::chrono::steady_clock::now();
    if (!batch_.Ok()) {
      // A failure is no end of the file: false, with the error set.
      Fail(batch_);
      batch_ = PgResult();
      return false;
    }
    batch_sql_ = std::move(sql);
    batch_params_ = std::move(params);
    batch_conn_ = active_;
    batch_writes_ = writes_;
  }
  Result(kNoError);
  return batch_next_ >= batch_.Rows();
}

int PgKeyedFile::Get(const FileKey& key) {
  KeyedFileImpl& m = *impl_;
  if (!own_) return Result(kFileNotOpen);
  std::string sql = "SELECT " + ReadList() + " FROM " + table_ + " WHERE ";
  std::vector<std::string> params;
  for (const StoredValue& v : ValuesFromImage(m.schema, key, buffer_)) params.push_back(v.bytes);
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    sql += m.schema.ComponentTerm(key, c) + " = $" + std::to_string(c + 1) + " AND ";
  }
  sql += kVersion + " <> 0 ORDER BY " + kId + " LIMIT 1";
  return ReadResult(active_->Run(sql, params), 0, kRecordNotFound, &key, false);
}

int PgKeyedFile::ClearCurrent() {
  return impl_->ForgetCurrent(own_ != nullptr);
}

int64_t PgKeyedFile::Records() {
  if (!own_) {
    Result(kFileNotOpen);
    return -1;
  }
  PgResult r = active_->Run("SELECT count(*) FROM " + table_ + " WHERE " + kVersion + " <> 0");
  if (!r.Ok()) {
    Fail(r);
    return -1;
  }
  Result(kNoError);
  return r.Integer(0, 0);
}

std::string PgKeyedFile::Position(const FileKey* key) {
  return impl_->CurrentPosition(own_ != nullptr, key);
}

int PgKeyedFile::Reset(const FileKey* key, std::string_view position) {
  return impl_->StartAtPosition(own_ != nullptr, key, position, ValuesFromImage);
}

int PgKeyedFile::Reget(const FileKey* key, std::string_view position) {
  int64_t id = impl_->PositionId(own_ != nullptr, key, position);
  if (!id) return GetLastError().code;
  PgResult r = active_->Run("SELECT " + ReadList() + " FROM " + table_ + " WHERE " + kId + " = $1",
                            {std::to_string(id)});
  return ReadResult(r, 0, kRecordNotFound, key, false);
}

int PgKeyedFile::Hold() {
  return impl_->Arm(own_ != nullptr, &impl_->hold_armed);
}

int PgKeyedFile::Watch() {
  return impl_->Arm(own_ != nullptr, &impl_->watch_armed);
}

int PgKeyedFile::Release() {
  KeyedFileImpl& m = *impl_;
  if (!own_) return Result(kFileNotOpen);
  if (m.held_id) {
    Unlock(m.held_id);
    m.held_id = 0;
  }
  return Result(kNoError);
}

// --- Writing ---------------------------------------------------------------------------------

int PgKeyedFile::Add() { return Insert(false); }
int PgKeyedFile::Reserve() { return Insert(true); }

int PgKeyedFile::Insert(bool reserved) {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (!own_) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  std::string columns, values;
  int p = 0;
  for (size_t f : m.schema.StoredFields()) {
    columns += ", " + m.schema.QuotedColumn(f);
    values += ", $" + std::to_string(++p);
  }
  for (size_t f : m.schema.ShadowFields()) {
    columns += ", " + m.schema.QuotedShadow(f);
    values += ", $" + std::to_string(++p);
  }
  PgResult r = active_->Run("INSERT INTO " + table_ + "(" + kVersion + columns + ") VALUES(" +
                                (reserved ? "0" : "1") + values + ") RETURNING " + kId,
                            RecordParams(buffer_));
  if (!r.Ok()) return Fail(r);
  int64_t id = r.Integer(0, 0);
  if (reserved) {
    // Nobody else can know the new id yet: the lock that names its owner is granted.
    if (int code = Lock(id); code != kNoError) return code;
    reserved_.insert(id);
    m.ever_held = true;
  }
  m.TookAdded(id, reserved, buffer_);
  return Result(kNoError);
}

void PgKeyedFile::SeeReserved(bool on) { impl_->see_reserved = on; }

int PgKeyedFile::DeleteAll(int64_t* deleted) {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (deleted) *deleted = 0;
  if (!own_) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  // One statement: all go or none do. What other stations hold stays.
  PgResult r = active_->Run("DELETE FROM " + table_ + " WHERE NOT " + HeldTerm(kId));
  if (!r.Ok()) return Fail(r);
  if (m.current_id) m.NoteDeleted();
  if (m.held_id) Unlock(m.held_id);
  for (int64_t id : reserved_) Unlock(id);
  reserved_.clear();
  m.current_id = 0;
  m.held_id = 0;
  m.watched_id = 0;
  if (deleted) *deleted = std::strtoll(PQcmdTuples(r.raw()), nullptr, 10);
  return Result(kNoError);
}

int PgKeyedFile::BeginCurrentRecordWrite() {
  KeyedFileImpl& m = *impl_;
  if (!own_) return Result(kFileNotOpen);
  if (m.read_only) return Result(kAccessDenied);
  if (!m.current_id) return Result(m.read_held ? kRecordHeld : kNoRecordAvailable);
  return kNoError;
}

int PgKeyedFile::Put() {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (int code = BeginCurrentRecordWrite(); code != kNoError) return code;
  bool watched = m.watched_id == m.current_id;
  std::vector<std::string> params = RecordParams(buffer_);
  std::string sets = kVersion + " = " + kVersion + " + 1";
  size_t i = 0;
  for (size_t f : m.schema.StoredFields()) {
    sets += ", " + m.schema.QuotedColumn(f) + " = $" + std::to_string(++i);
  }
  for (size_t f : m.schema.ShadowFields()) {
    sets += ", " + m.schema.QuotedShadow(f) + " = $" + std::to_string(++i);
  }
  params.push_back(std::to_string(m.current_id));
  std::string where = kId + " = $" + std::to_string(++i);
  if (watched) {
    params.push_back(std::to_string(m.watched_version));
    where += " AND " + kVersion + " = $" + std::to_string(++i);
  }
  // The hold test is in the same statement as the write, so no hold slips in between.
  where += " AND NOT " + HeldTerm(kId);
  PgResult r = active_->Run("UPDATE " + table_ + " SET " + sets + " WHERE " + where +
                                " RETURNING " + kVersion,
                            params);
  if (!r.Ok()) return Fail(r);
  if (r.Rows() == 0) {
    int code = kNoError;
    if (HeldByOther(m.current_id, &code)) return Result(kRecordHeld);
    if (code != kNoError) return code;
    return Result(watched ? kRecordChanged : kRecordNotFound);
  }
  int64_t version = r.Integer(0, 0);
  if (m.held_id == m.current_id) {
    Unlock(m.current_id);
    m.held_id = 0;
  }
  // A reservation's first put makes it an ordinary record: the lock that named its owner goes.
  if (version == 1 && reserved_.erase(m.current_id)) Unlock(m.current_id);
  m.TookPut(version, buffer_, watched);
  return Result(kNoError);
}

int PgKeyedFile::Delete() {
  ++writes_;
  KeyedFileImpl& m = *impl_;
  if (int code = BeginCurrentRecordWrite(); code != kNoError) return code;
  PgResult r = active_->Run("DELETE FROM " + table_ + " WHERE " + kId + " = $1 AND NOT " +
                                HeldTerm(kId),
                            {std::to_string(m.current_id)});
  if (!r.Ok()) return Fail(r);
  if (std::strtoll(PQcmdTuples(r.raw()), nullptr, 10) == 0) {
    int code = kNoError;
    if (HeldByOther(m.current_id, &code)) return Result(kRecordHeld);
    if (code != kNoError) return code;
    return Result(kRecordNotFound);
  }
  if (m.held_id == m.current_id) Unlock(m.current_id);
  if (reserved_.erase(m.current_id)) Unlock(m.current_id);
  m.DeletedCurrent();
  return Result(kNoError);
}

bool PgKeyedFile::Duplicate(const FileKey& key) {
  KeyedFileImpl& m = *impl_;
  if (!own_) {
    Result(kFileNotOpen);
    return false;
  }
  if (key.Duplicates()) {
    Result(kNoError);
    return false;
  }
  std::string sql = "SELECT 1 FROM " + table_ + " WHERE ";
  std::vector<std::string> params;
  for (const StoredValue& v : ValuesFromImage(m.schema, key, buffer_)) params.push_back(v.bytes);
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    sql += m.schema.ComponentTerm(key, c) + " = $" + std::to_string(c + 1) + " AND ";
  }
  params.push_back(std::to_string(m.current_id));
  sql += kId + " <> $" + std::to_string(params.size()) + " LIMIT 1";
  PgResult r = active_->Run(sql, params);
  if (!r.Ok()) {
    Fail(r);
    return false;
  }
  Result(kNoError);
  return r.Rows() > 0;
}

// --- For views -------------------------------------------------------------------------------

namespace {

// "?" marks become $1, $2, ... outside quoted names and texts.
std::string NumberedParameters(const std::string& sql) {
  std::string out;
  char quote = 0;
  int n = 0;
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?') {
      out += "$" + std::to_string(++n);
      continue;
    }
    out += c;
  }
  return out;
}

std::string ParamText(const SqlValue& v) {
  if (const int64_t* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const double* d = std::get_if<double>(&v)) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", *d);
    return b;
  }
  return std::get<std::string>(v);
}

}  // namespace

int PgKeyedFile::Query(const std::string& sql, const std::vector<SqlValue>& params,
                       std::vector<std::vector<SqlValue>>* rows) {
  rows->clear();
  if (!own_) return Result(kFileNotOpen);
  std::vector<std::string> texts;
  for (const SqlValue& v : params) texts.push_back(ParamText(v));
  PgResult r = active_->Run(NumberedParameters(sql), texts);
  if (!r.Ok()) return Fail(r);
  int columns = PQnfields(r.raw());
  for (int row = 0; row < r.Rows(); ++row) {
    std::vector<SqlValue> values;
    for (int col = 0; col < columns; ++col) {
      const char* t = r.Text(row, col);
      switch (PQftype(r.raw(), col)) {
        case 20:  // int8
        case 21:  // int2
        case 23:  // int4
          values.emplace_back(static_cast<int64_t>(std::strtoll(t, nullptr, 10)));
          break;
        case 700:  // float4
        case 701:  // float8
          values.emplace_back(std::strtod(t, nullptr));
          break;
        default:
          values.emplace_back(std::string(t, static_cast<size_t>(r.Length(row, col))));
      }
    }
    rows->push_back(std::move(values));
  }
  return Result(kNoError);
}

int PgKeyedFile::LoadById(int64_t id, const FileKey* key) {
  if (!own_) return Result(kFileNotOpen);
  PgResult r = active_->Run("SELECT " + ReadList() + " FROM " + table_ + " WHERE " + kId + " = $1",
                            {std::to_string(id)});
  int code = ReadResult(r, 0, kRecordNotFound, key, true);
  if (code == kRecordHeld && r.Rows() > 0) {
    // Shown, not taken: a list keeps the row while another station holds it.
    LoadRecord(impl_->schema, r, 0, buffer_);
    return Result(kRecordHeld);
  }
  return code;
}

// --- Transactions ----------------------------------------------------------------------------

int PgKeyedFile::StartTransaction(const std::vector<KeyedFile*>& files, int timeout_seconds) {
  std::vector<PgKeyedFile*> members;
  for (KeyedFile* f : files) {
    PgKeyedFile* p = f->Pg();
    if (!p->own_) return Result(kFileNotOpen);
    if (p->impl_->read_only) return Result(kAccessDenied);
    if (!members.empty() && p->uri_ != members[0]->uri_) {
      return Refuse(kNotSupported, "one transaction cannot take files of two servers");
    }
    for (const PgKeyedFile* o : members) {
      // Two handles of one table would hold each other's rows inside one transaction.
      if (o->name_ == p->name_) {
        return Refuse(kNotSupported, "one data file appears twice in the transaction");
      }
    }
    members.push_back(p);
  }
  if (members.empty()) return Result(kNoError);
  // The first file's connection runs the transaction; the others' statements use it meanwhile,
  // so the server commits all of them or none. Holds stay on each file's own connection.
  PgConnection* conn = members[0]->own_.get();
  PgResult r = conn->Exec("BEGIN");
  if (!r.Ok()) return conn->Fail(r);
  int ms = timeout_seconds > 0 ? timeout_seconds * 1000 : 1;
  r = conn->Exec("SET LOCAL lock_timeout = " + std::to_string(ms));
  if (!r.Ok()) {
    int code = conn->Fail(r);
    LastError saved = GetLastError();
    conn->Exec("ROLLBACK");
    SetLastError(saved.code, saved.file_code, saved.file_text);
    return code;
  }
  g_tx.conn = conn;
  g_tx.members = members;
  for (PgKeyedFile* p : members) {
    p->active_ = conn;
    p->impl_->in_transaction = true;
    p->impl_->StartUndo();
  }
  return Result(kNoError);
}

// After a rollback: each file's record state goes back with the data, and so do its holds
// (advisory locks are not undone by the server: a hold placed inside is let go, one let go
// inside is taken again when nobody took it meanwhile).
void PgKeyedFile::UndoHolds(int64_t held_before) {
  KeyedFileImpl& m = *impl_;
  if (held_before == m.held_id) return;
  if (held_before) Unlock(held_before);
  if (m.held_id && Lock(m.held_id) != kNoError) m.held_id = 0;
}

// Every member goes back to its own connection; after a rollback (undo) its record state and
// holds go back with the data first.
void PgKeyedFile::EndTransaction(bool undo) {
  for (PgKeyedFile* p : g_tx.members) {
    if (undo) {
      int64_t held = p->impl_->held_id;
      p->impl_->UndoWrites();
      p->UndoHolds(held);
    }
    p->active_ = p->own_.get();
    p->impl_->in_transaction = false;
    p->impl_->DropUndo();
  }
  g_tx = TxState{};
}

int PgKeyedFile::CommitTransaction() {
  PgConnection* conn = g_tx.conn;
  int code = kNoError;
  if (!conn) {
    code = Result(kNoError);
  } else if (conn->TransactionFailed()) {
    // The server answers COMMIT of a failed transaction by rolling it back: that is no success.
    code = Refuse(kDriverError, "a statement of the transaction failed, so none of it was written");
  } else {
    PgResult r = conn->Exec("COMMIT");
    if (!r.Ok()) {
      code = conn->Fail(r);
    } else if (std::strcmp(PQcmdStatus(r.raw()), "COMMIT") != 0) {
      code = Refuse(kDriverError, std::string("the server answered ") + PQcmdStatus(r.raw()) +
                                      ", so none of the transaction was written");
    }
  }
  LastError saved = GetLastError();
  if (code != kNoError && conn->InTransaction()) conn->Exec("ROLLBACK");
  EndTransaction(code != kNoError);
  SetLastError(saved.code, saved.file_code, saved.file_text);
  return code;
}

int PgKeyedFile::RollbackTransaction() {
  PgConnection* conn = g_tx.conn;
  int code = kNoError;
  if (conn) {
    PgResult r = conn->Exec("ROLLBACK");
    code = r.Ok() ? Result(kNoError) : conn->Fail(r);
  } else {
    Result(kNoError);
  }
  LastError saved = GetLastError();
  // A rollback the server could not answer still ends the transaction: a lost connection
  // takes its open transaction with it.
  EndTransaction(true);
  SetLastError(saved.code, saved.file_code, saved.file_text);
  return code;
}

}  // namespace rt
