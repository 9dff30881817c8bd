#include "runtime/files/view.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "runtime/values/any_ref.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/pg_keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"
#include "runtime/files/sql_text_functions.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

constexpr const char* kIdSql = "\"_id\"";

// The field a label names: as written, or with the file's prefix put in front.
int FieldOf(const FileDeclaration& decl, std::string_view label) {
  int i = decl.FieldIndex(label);
  if (i < 0 && label.find(':') == std::string_view::npos) {
    i = decl.FieldIndex(decl.Prefix() + ":" + std::string(label));
  }
  return i;
}

std::optional<SqlColumn> ResolveField(const KeyedFile& file, std::string_view label) {
  const FileDeclaration& decl = file.Declaration();
  int i = FieldOf(decl, label);
  if (i < 0) return std::nullopt;
  size_t field = static_cast<size_t>(i);
  Type type = decl.Record().field(field).type;
  if (type == Type::Group) return std::nullopt;  // no single value to compare
  std::string column = file.FieldColumn(field);
  if (column.empty()) return std::nullopt;
  SqlColumn col;
  col.sql = column;
  col.kind = IsNumeric(type) ? ValueKind::Number : ValueKind::Text;
  if (col.kind == ValueKind::Text) {
    // A no-case key keeps the field upper-cased in an indexed column of its own.
    for (size_t k = 0; k < decl.KeyCount() && col.upper_sql.empty(); ++k) {
      const FileKey& key = decl.Key(k);
      if (!key.NoCase()) continue;
      for (size_t c = 0; c < key.ComponentCount(); ++c) {
        if (key.Component(c).field != field) continue;
        std::string term = file.ComponentSql(key, c);
        if (term != column) col.upper_sql = term;
        break;
      }
    }
  }
  return col;
}

void AppendEscaped(std::string* out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || c == '%' || c == '|') {
      out->push_back('%');
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
    } else {
      out->push_back(ch);
    }
  }
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    auto hex = [](char h) -> int {
      if (h >= '0' && h <= '9') return h - '0';
      if (h >= 'A' && h <= 'F') return h - 'A' + 10;
      if (h >= 'a' && h <= 'f') return h - 'a' + 10;
      return -1;
    };
    int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return true;
}

bool ParseInt64(std::string_view text, int64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  std::string s(text);
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size()) return false;
  *out = v;
  return true;
}

std::vector<std::string_view> SplitBars(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
}

void Bind(sqlite3_stmt* st, int index, const SqlValue& v) {
  if (const auto* n = std::get_if<int64_t>(&v)) {
    sqlite3_bind_int64(st, index, *n);
  } else if (const auto* d = std::get_if<double>(&v)) {
    sqlite3_bind_double(st, index, *d);
  } else {
    const std::string& s = std::get<std::string>(v);
    sqlite3_bind_text64(st, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
}

SqlValue ColumnValue(sqlite3_stmt* st, int i) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return SqlValue(static_cast<int64_t>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return SqlValue(sqlite3_column_double(st, i));
    case SQLITE_NULL: return SqlValue(int64_t{0});
    default: {
      const unsigned char* t = sqlite3_column_text(st, i);
      int n = sqlite3_column_bytes(st, i);
      return SqlValue(std::string(reinterpret_cast<const char*>(t ? t : reinterpret_cast<const unsigned char*>("")),
                                  static_cast<size_t>(n)));
    }
  }
}

std::string OrderTag(const std::vector<OrderTerm>& terms) {
  uint32_t h = 2166136261u;  // FNV-1a over the terms as the SQL orders by them
  auto mix = [&h](std::string_view s) {
    for (char c : s) {
      h ^= static_cast<unsigned char>(c);
      h *= 16777619u;
    }
  };
  for (const OrderTerm& t : terms) {
    mix(t.sql);
    mix(t.descending ? "-" : "+");
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
}

}  // namespace

struct View::Statements {
  sqlite3* db = nullptr;
  std::string table;
  std::vector<sqlite3_stmt*> pages;  // by direction, level and inclusiveness
  sqlite3_stmt* values_by_id = nullptr;
  sqlite3_stmt* row_by_id = nullptr;

  ~Statements() {
    for (sqlite3_stmt* s : pages) sqlite3_finalize(s);
    sqlite3_finalize(values_by_id);
    sqlite3_finalize(row_by_id);
  }
};

View::View(KeyedFile* file) : file_(file), order_tag_(OrderTag(terms_)) {}

View::~View() { DropStatements(); }

int View::Fail(int code) {
  SetLastError(code);
  return code;
}

int View::FailDriver(const char* what, int sqlite_code, const std::string& message) {
  SetLastError(kDriverError, std::to_string(sqlite_code), std::string(what) + ": " + message);
  return kDriverError;
}

int View::Open(int) {
  if (open_) return Fail(kFileAlreadyOpen);
  if (!file_->IsOpen()) return Fail(kFileNotOpen);
  open_ = true;
  Restart();
  return Fail(kNoError);
}

int View::Close() {
  if (!open_) return Fail(kFileNotOpen);
  open_ = false;
  Restart();
  DropStatements();
  return Fail(kNoError);
}

void View::Restart() {
  anchor_.clear();
  inclusive_ = true;
  have_current_ = false;
  page_.clear();
  page_next_ = 0;
}

void View::DropStatements() { statements_.reset(); }

const FileKey* View::MatchingKey() const {
  const FileDeclaration& decl = file_->Declaration();
  for (size_t k = 0; k < decl.KeyCount(); ++k) {
    const FileKey& key = decl.Key(k);
    if (key.ComponentCount() != terms_.size() || terms_.empty()) continue;
    bool same = true;
    for (size_t c = 0; c < terms_.size() && same; ++c) {
      same = key.Component(c).ascending == !terms_[c].descending &&
             FieldOf(decl, terms_[c].label) == static_cast<int>(key.Component(c).field) &&
             file_->ComponentSql(key, c) == terms_[c].sql;
    }
    if (same) return &key;
  }
  return nullptr;
}

int View::SetOrder(std::string_view text) {
  Restart();
  if (order_ready_ && Clip(text) == order_text_) return Fail(kNoError);  // statements stay
  order_text_ = std::string(Clip(text));
  FilterSqlTranslator translator(
      [this](std::string_view label) { return ResolveField(*file_, label); });
  FilterSyntaxError error;
  int rc = kNoError;
  if (!translator.Order(order_text_, &terms_, &error)) {
    terms_.clear();
    rc = FailDriver("Order", SQLITE_ERROR, DescribeSyntaxError(error));
  }
  order_tag_ = OrderTag(terms_);
  key_ = MatchingKey();
  order_ready_ = rc == kNoError;
  DropStatements();
  if (rc == kNoError) SetLastError(kNoError);
  return rc;
}

int View::SetFilter(std::string_view text) {
  Restart();
  if (filter_ready_ && Clip(text) == filter_text_) return Fail(kNoError);
  filter_text_ = std::string(Clip(text));
  FilterSqlTranslator translator(
      [this](std::string_view label) { return ResolveField(*file_, label); });
  FilterSyntaxError error;
  int rc = kNoError;
  if (!translator.Filter(filter_text_, &where_, &error)) {
    where_ = SqlFragment();
    rc = FailDriver("Filter", SQLITE_ERROR, DescribeSyntaxError(error));
  }
  filter_ready_ = rc == kNoError;
  DropStatements();
  if (rc == kNoError) SetLastError(kNoError);
  return rc;
}

int View::SetBuffering(int page_size, int, int, int timeout_seconds) {
  page_size_ = page_size < 1 ? 1 : page_size;
  timeout_seconds_ = timeout_seconds < 0 ? 0 : timeout_seconds;
  page_.clear();
  page_next_ = 0;
  return Fail(kNoError);
}

View::Statements* View::Prepared(int* rc) {
  SqliteKeyedFile* sqlite = file_->Sqlite();
  sqlite3* db = sqlite ? sqlite->Connection() : nullptr;
  if (db == nullptr) {
    DropStatements();  // the file closed: let its connection go
    *rc = Fail(kFileNotOpen);
    return nullptr;
  }
  std::string table = sqlite->SqlTable();
  if (statements_ && statements_->db == db && statements_->table == table) return statements_.get();
  DropStatements();
  int frc = RegisterTextFunctions(db);
  if (frc != SQLITE_OK) {
    *rc = FailDriver("View", frc, sqlite3_errmsg(db));
    return nullptr;
  }
  statements_ = std::make_unique<Statements>();
  statements_->db = db;
  statements_->table = std::move(table);
  statements_->pages.assign(2 * (terms_.size() + 2) * 2, nullptr);
  return statements_.get();
}

// The page statement of one level of the keyset: records whose first level-1 order values
// equal the anchor's and whose level-th value lies after (or at, when inclusive) the anchor's,
// in the view's order (reversed for reading backward). Level 0 has no anchor condition. The
// record id is the last order component.
std::string View::PageSql(bool forward, size_t level, bool inclusive,
                          const std::string& table) const {
  size_t n = terms_.size() + 1;
  auto term = [this](size_t i) { return i < terms_.size() ? terms_[i].sql : std::string(kIdSql); };
  auto ascending = [this, forward](size_t i) {
    bool asc = i < terms_.size() ? !terms_[i].descending : true;
    return asc == forward;
  };
  std::string sql = "SELECT ";
  for (size_t i = 0; i < n; ++i) sql += (i ? ", " : "") + term(i);
  sql += " FROM " + table;
  // Records reserved for a row still being typed are nobody's to list.
  std::string where = "\"_version\" <> 0";
  if (!where_.sql.empty()) where += " AND (" + where_.sql + ")";
  for (size_t i = 0; i + 1 < level; ++i) {
    where += (where.empty() ? "" : " AND ") + term(i) + " = ?";
  }
  if (level > 0) {
    const char* op = ascending(level - 1) ? (inclusive ? " >= ?" : " > ?") : (inclusive ? " <= ?" : " < ?");
    where += (where.empty() ? "" : " AND ") + term(level - 1) + op;
  }
  if (!where.empty()) sql += " WHERE " + where;
  sql += " ORDER BY ";
  for (size_t i = 0; i < n; ++i) sql += (i ? ", " : "") + term(i) + (ascending(i) ? "" : " DESC");
  sql += " LIMIT ?";
  return sql;
}

sqlite3_stmt* View::PageStatement(Statements* s, bool forward, size_t level, bool inclusive,
                                  int* rc) {
  size_t n = terms_.size() + 1;
  size_t slot = ((forward ? 0 : 1) * (n + 1) + level) * 2 + (inclusive ? 1 : 0);
  if (s->pages[slot] != nullptr) return s->pages[slot];
  std::string sql = PageSql(forward, level, inclusive, s->table);

  sqlite3_stmt* st = nullptr;
  int prc = sqlite3_prepare_v3(s->db, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  if (prc != SQLITE_OK) {
    *rc = FailDriver("View", prc, sqlite3_errmsg(s->db));
    sqlite3_finalize(st);
    return nullptr;
  }
  s->pages[slot] = st;
  return st;
}

int View::FetchPage(bool forward) {
  page_.clear();
  page_next_ = 0;
  page_forward_ = forward;
  page_time_ = std::chrono::steady_clock::now();
  if (file_->Pg()) return FetchServerPage(forward);
  int rc = kNoError;
  Statements* s = Prepared(&rc);
  if (s == nullptr) return rc;
  size_t n = terms_.size() + 1;
  size_t m = anchor_.size();
  // The levels from the anchor's own outwards: ties on every component but the last come
  // first, then ties on fewer, each level an index range of its own.
  size_t level = m;
  do {
    size_t want = static_cast<size_t>(page_size_) - page_.size();
    sqlite3_stmt* st = PageStatement(s, forward, level, inclusive_ && level == m, &rc);
    if (st == nullptr) return rc;
    int p = 1;
    for (const SqlValue& v : where_.params) Bind(st, p++, v);
    for (size_t i = 0; i < level; ++i) Bind(st, p++, anchor_[i]);
    sqlite3_bind_int64(st, p, static_cast<sqlite3_int64>(want));
    int step;
    while ((step = sqlite3_step(st)) == SQLITE_ROW) {
      Row row;
      row.values.reserve(n);
      for (size_t i = 0; i < n; ++i) row.values.push_back(ColumnValue(st, static_cast<int>(i)));
      page_.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) {
      rc = FailDriver("View", sqlite3_extended_errcode(s->db), sqlite3_errmsg(s->db));
      sqlite3_reset(st);
      page_.clear();
      return rc;
    }
    sqlite3_reset(st);
  } while (page_.size() < static_cast<size_t>(page_size_) && level-- > 1);
  return kNoError;
}

// The same levels as FetchPage, each page read through the server driver.
int View::FetchServerPage(bool forward) {
  PgKeyedFile* pg = file_->Pg();
  if (!file_->IsOpen()) return Fail(kFileNotOpen);
  size_t m = anchor_.size();
  size_t level = m;
  do {
    size_t want = static_cast<size_t>(page_size_) - page_.size();
    std::vector<SqlValue> params = where_.params;
    params.insert(params.end(), anchor_.begin(), anchor_.begin() + static_cast<long>(level));
    params.push_back(SqlValue(static_cast<int64_t>(want)));
    std::vector<std::vector<SqlValue>> rows;
    int rc = pg->Query(PageSql(forward, level, inclusive_ && level == m, pg->TableSql()), params,
                       &rows);
    if (rc != kNoError) {
      page_.clear();
      return rc;
    }
    for (auto& values : rows) page_.push_back(Row{std::move(values)});
  } while (page_.size() < static_cast<size_t>(page_size_) && level-- > 1);
  return kNoError;
}

int View::LoadRecord(const Row& row) {
  if (PgKeyedFile* pg = file_->Pg()) {
    const int64_t* id = std::get_if<int64_t>(&row.values.back());
    return id ? pg->LoadById(*id, key_) : Fail(kRecordNotFound);
  }
  int rc = kNoError;
  Statements* s = Prepared(&rc);
  if (s == nullptr) return rc;
  if (s->row_by_id == nullptr) {
    std::string sql = "SELECT " + file_->SelectList() + " FROM " + s->table + " WHERE " + kIdSql + " = ?";
    int prc = sqlite3_prepare_v3(s->db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s->row_by_id, nullptr);
    if (prc != SQLITE_OK) return FailDriver("View", prc, sqlite3_errmsg(s->db));
  }
  sqlite3_stmt* st = s->row_by_id;
  Bind(st, 1, row.values.back());
  int step = sqlite3_step(st);
  if (step == SQLITE_ROW) {
    rc = file_->Sqlite()->LoadRow(st, 0, key_);
    if (rc == kRecordHeld) rc = file_->Sqlite()->LoadHeldRow(st, 0);
  } else if (step == SQLITE_DONE) {
    rc = Fail(kRecordNotFound);
  } else {
    rc = FailDriver("View", sqlite3_extended_errcode(s->db), sqlite3_errmsg(s->db));
  }
  sqlite3_reset(st);
  return rc;
}

int View::Read(bool forward) {
  if (!open_) return Fail(kFileNotOpen);
  if (page_forward_ != forward) {
    page_.clear();
    page_next_ = 0;
  }
  if (timeout_seconds_ > 0 && page_next_ < page_.size() &&
      std::chrono::steady_clock::now() - page_time_ > std::chrono::seconds(timeout_seconds_)) {
    page_.clear();
    page_next_ = 0;
  }
  while (true) {
    if (page_next_ >= page_.size()) {
      int rc = FetchPage(forward);
      if (rc != kNoError) return rc;
      if (page_.empty()) return Fail(kNoRecordAvailable);
    }
    Row& row = page_[page_next_++];
    anchor_ = row.values;
    inclusive_ = false;
    int rc = LoadRecord(row);
    if (rc == kRecordNotFound) continue;  // deleted since the page was read: read on
    if (rc == kRecordHeld) {
      // Shown, not taken: its values are in the buffer and its position is known, so a
      // list keeps the row while another copy holds it.
      current_ = row;
      have_current_ = true;
      return rc;
    }
    if (rc != kNoError) return rc;
    current_ = row;
    have_current_ = true;
    return Fail(kNoError);
  }
}

int View::Next() { return Read(true); }
int View::Previous() { return Read(false); }

int View::Set(int components) {
  if (!open_) return Fail(kFileNotOpen);
  size_t c = components < 0 ? 0 : static_cast<size_t>(components);
  if (c > terms_.size()) c = terms_.size();
  Restart();
  const FileDeclaration& decl = file_->Declaration();
  for (size_t i = 0; i < c; ++i) {
    AnyRef f = decl.Record().Field(file_->Buffer(), static_cast<size_t>(FieldOf(decl, terms_[i].label)));
    if (f.IsNumeric()) {
      anchor_.push_back(IsInteger(f.type()) ? SqlValue(f.Integer()) : SqlValue(f.Real()));
    } else {
      std::string t(Clip(f.Text()));
      anchor_.push_back(SqlValue(terms_[i].upper ? Upper(t) : t));
    }
  }
  return Fail(kNoError);
}

std::string View::EncodePosition(const Row& row) const {
  std::string out = "V" + order_tag_;
  for (const SqlValue& v : row.values) {
    out.push_back('|');
    if (const auto* n = std::get_if<int64_t>(&v)) {
      out += std::to_string(*n);
    } else if (const auto* d = std::get_if<double>(&v)) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", *d);
      out += buf;
    } else {
      AppendEscaped(&out, std::get<std::string>(v));
    }
  }
  return out;
}

// A position of this view's order gives its values; any other position text only its id
// (values left empty). False when the text holds no id at all.
bool View::DecodePosition(std::string_view text, std::vector<SqlValue>* values, int64_t* id) const {
  values->clear();
  if (text.size() > 1 && text[0] == 'R') return ParseInt64(text.substr(1), id);
  std::vector<std::string_view> parts = SplitBars(text);
  if (parts.size() < 2 || !ParseInt64(parts.back(), id)) return false;
  if (parts[0] != "V" + order_tag_ || parts.size() != terms_.size() + 2) return true;
  std::string raw;
  for (size_t i = 0; i < terms_.size(); ++i) {
    if (!Unescape(parts[i + 1], &raw)) return false;
    if (terms_[i].column.kind == ValueKind::Text) {
      values->push_back(SqlValue(raw));
      continue;
    }
    int64_t n;
    if (ParseInt64(raw, &n)) {
      values->push_back(SqlValue(n));
    } else {
      double d = 0;
      if (!ParseNumber(raw, &d)) return false;
      values->push_back(SqlValue(d));
    }
  }
  values->push_back(SqlValue(*id));
  return true;
}

std::string View::Position() {
  if (!have_current_) {
    SetLastError(kNoRecordAvailable);
    return std::string();
  }
  SetLastError(kNoError);
  return EncodePosition(current_);
}

int View::FindById(int64_t id, Row* row, bool* found) {
  *found = false;
  if (PgKeyedFile* pg = file_->Pg()) {
    std::string sql = "SELECT ";
    for (const OrderTerm& t : terms_) sql += t.sql + ", ";
    sql += std::string(kIdSql) + " FROM " + pg->TableSql() + " WHERE " + kIdSql + " = ?";
    std::vector<std::vector<SqlValue>> rows;
    int rc = pg->Query(sql, {SqlValue(id)}, &rows);
    if (rc == kNoError && !rows.empty()) {
      row->values = std::move(rows[0]);
      *found = true;
    }
    return rc;
  }
  int rc = kNoError;
  Statements* s = Prepared(&rc);
  if (s == nullptr) return rc;
  if (s->values_by_id == nullptr) {
    std::string sql = "SELECT ";
    for (const OrderTerm& t : terms_) sql += t.sql + ", ";
    sql += std::string(kIdSql) + " FROM " + s->table + " WHERE " + kIdSql + " = ?";
    int prc = sqlite3_prepare_v3(s->db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s->values_by_id, nullptr);
    if (prc != SQLITE_OK) return FailDriver("View", prc, sqlite3_errmsg(s->db));
  }
  sqlite3_stmt* st = s->values_by_id;
  sqlite3_bind_int64(st, 1, id);
  int step = sqlite3_step(st);
  if (step == SQLITE_ROW) {
    row->values.clear();
    for (size_t i = 0; i <= terms_.size(); ++i) row->values.push_back(ColumnValue(st, static_cast<int>(i)));
    *found = true;
  } else if (step != SQLITE_DONE) {
    rc = FailDriver("View", sqlite3_extended_errcode(s->db), sqlite3_errmsg(s->db));
  }
  sqlite3_reset(st);
  return rc;
}

int View::Reset(std::string_view position) {
  if (!open_) return Fail(kFileNotOpen);
  std::vector<SqlValue> values;
  int64_t id = 0;
  if (!DecodePosition(Clip(position), &values, &id)) return Fail(kRecordNotFound);
  if (values.empty()) {
    Row row;
    bool found = false;
    int rc = FindById(id, &row, &found);
    if (rc != kNoError) return rc;
    if (!found) return Fail(kRecordNotFound);
    values = std::move(row.values);
  }
  Restart();
  anchor_ = std::move(values);
  inclusive_ = true;
  return Fail(kNoError);
}

int View::ResetFromFile() {
  if (!open_) return Fail(kFileNotOpen);
  std::string where = file_->Position(nullptr);  // "R<id>" of the file's current record
  int64_t id = 0;
  bool have_id = where.size() > 1 && where[0] == 'R' && ParseInt64(std::string_view(where).substr(1), &id);
  int rc = Set(static_cast<int>(terms_.size()));
  if (rc != kNoError) return rc;
  if (have_id) anchor_.push_back(SqlValue(id));
  return Fail(kNoError);
}

int View::Reget(std::string_view position) {
  if (!open_) return Fail(kFileNotOpen);
  std::vector<SqlValue> values;
  int64_t id = 0;
  if (!DecodePosition(Clip(position), &values, &id)) return Fail(kRecordNotFound);
  Row row;
  row.values = values.empty() ? std::vector<SqlValue>{SqlValue(id)} : values;
  int rc = LoadRecord(row);
  if (rc != kNoError) return rc;
  if (!values.empty()) {
    current_ = std::move(row);
    have_current_ = true;
  }
  return Fail(kNoError);
}

int View::Watch() {
  if (!open_) return Fail(kFileNotOpen);
  return file_->Watch();
}

int View::Flush() {
  if (!open_) return Fail(kFileNotOpen);
  page_.clear();
  page_next_ = 0;
  return Fail(kNoError);
}

}  // namespace rt
