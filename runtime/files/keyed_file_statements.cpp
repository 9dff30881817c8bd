#include "runtime/files/keyed_file_statements.h"

#include <sqlite3.h>

namespace rt {

KeyedFileStatements::KeyedFileStatements(sqlite3* db, std::string schema_name,
                                         const KeyedFileSchema& schema)
    : db_(db), schema_name_(std::move(schema_name)), schema_(schema) {}

KeyedFileStatements::~KeyedFileStatements() {
  for (auto& [code, stmt] : cache_) sqlite3_finalize(stmt);
}

std::string KeyedFileStatements::Qualified(const char* table) const {
  return KeyedFileSchema::Quote(schema_name_) + "." + KeyedFileSchema::Quote(table);
}

std::string KeyedFileStatements::Table() const { return Qualified(KeyedFileSchema::kTable); }

sqlite3_stmt* KeyedFileStatements::Get(Kind kind, const FileKey* key, bool forward,
                                       bool inclusive) {
  int number = key ? key->Number() : 0;
  int code = (((static_cast<int>(kind) * 1024) + number) * 2 + (forward ? 1 : 0)) * 2 +
             (inclusive ? 1 : 0);
  auto it = cache_.find(code);
  if (it != cache_.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  std::string sql = Sql(kind, key, forward, inclusive);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  cache_[code] = stmt;
  return stmt;
}

std::string KeyedFileStatements::OrderBy(const KeyedFileSchema& schema_, const FileKey* key,
                                         bool forward) {
  std::string s = " ORDER BY ";
  if (key) {
    for (size_t c = 0; c < key->ComponentCount(); ++c) {
      bool asc = key->Component(c).ascending == forward;
      s += schema_.ComponentTerm(*key, c) + (asc ? " ASC, " : " DESC, ");
    }
  }
  return s + KeyedFileSchema::Quote(KeyedFileSchema::kIdColumn) + (forward ? " ASC" : " DESC");
}

// Rows strictly after (or at, when inclusive) the anchor in the reading direction, the anchor
// being the component values ?1..?n and the row id ?n+1. The order is the key's, ties broken by
// row id, so every row has one place and a deleted anchor still has its place.
std::string KeyedFileStatements::AfterCondition(const KeyedFileSchema& schema_,
                                                const FileKey* key, bool forward,
                                                bool inclusive, char mark) {
  const std::string q(1, mark);
  const std::string id = KeyedFileSchema::Quote(KeyedFileSchema::kIdColumn);
  size_t n = key ? key->ComponentCount() : 0;
  std::string id_op = forward ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
  std::string id_param = q + std::to_string(n + 1);
  if (n == 0) return id + " " + id_op + " " + id_param;

  bool all_up = true;
  for (size_t c = 0; c < n; ++c) all_up = all_up && key->Component(c).ascending;
  if (all_up) {
    // A row value lets SQLite seek the index directly.
    std::string lhs = "(", rhs = "(";
    for (size_t c = 0; c < n; ++c) {
      lhs += schema_.ComponentTerm(*key, c) + ", ";
      rhs += q + std::to_string(c + 1) + ", ";
    }
    return lhs + id + ") " + id_op + " " + rhs + id_param + ")";
  }
  // Mixed directions: the lexicographic expansion, behind a range on the first component
  // that the index can seek.
  auto strict = [&](size_t c) {
    bool up = key->Component(c).ascending == forward;
    return up ? " > " : " < ";
  };
  std::string first_bound = schema_.ComponentTerm(*key, 0) +
                            ((key->Component(0).ascending == forward) ? " >= " : " <= ") + q + "1";
  std::string any;
  std::string equal_prefix;
  for (size_t c = 0; c <= n; ++c) {
    std::string term = c < n ? schema_.ComponentTerm(*key, c) + strict(c) + q +
                                   std::to_string(c + 1)
                             : id + " " + id_op + " " + id_param;
    if (!any.empty()) any += " OR ";
    any += "(" + equal_prefix + term + ")";
    if (c < n) {
      equal_prefix += schema_.ComponentTerm(*key, c) + " = " + q + std::to_string(c + 1) + " AND ";
    }
  }
  return first_bound + " AND (" + any + ")";
}

std::string KeyedFileStatements::Sql(Kind kind, const FileKey* key, bool forward,
                                     bool inclusive) const {
  const std::string table = Table();
  const std::string holds = Qualified("holds");
  const std::string id = KeyedFileSchema::Quote(KeyedFileSchema::kIdColumn);
  const std::string version = KeyedFileSchema::Quote(KeyedFileSchema::kVersionColumn);
  std::string columns;  // stored fields then shadows: the order values are bound in
  size_t count = 0;
  for (size_t f : schema_.StoredFields()) {
    columns += (count++ ? ", " : "") + schema_.QuotedColumn(f);
  }
  for (size_t f : schema_.ShadowFields()) {
    columns += (count++ ? ", " : "") + schema_.QuotedShadow(f);
  }
  auto equal_terms = [&]() {
    std::string s;
    for (size_t c = 0; c < key->ComponentCount(); ++c) {
      if (c) s += " AND ";
      s += schema_.ComponentTerm(*key, c) + " = ?" + std::to_string(c + 1);
    }
    return s;
  };
  // Reserved records (version 0) are nobody's to read or count but their owner's.
  const std::string visible = version + " <> 0";
  switch (kind) {
    case kInsert:
    case kInsertReserved: {
      std::string params;
      for (size_t i = 0; i < count; ++i) params += ", ?" + std::to_string(i + 1);
      return "INSERT INTO " + table + "(" + version + (count ? ", " : "") + columns +
             ") VALUES(" + (kind == kInsert ? "1" : "0") + params + ")";
    }
    case kUpdate:
    case kUpdateWatched: {
      std::string sets = version + " = " + version + " + 1";
      size_t i = 0;
      for (size_t f : schema_.StoredFields()) {
        sets += ", " + schema_.QuotedColumn(f) + " = ?" + std::to_string(++i);
      }
      for (size_t f : schema_.ShadowFields()) {
        sets += ", " + schema_.QuotedShadow(f) + " = ?" + std::to_string(++i);
      }
      std::string where = id + " = ?" + std::to_string(count + 1);
      if (kind == kUpdateWatched) where += " AND " + version + " = ?" + std::to_string(count + 2);
      return "UPDATE " + table + " SET " + sets + " WHERE " + where + " RETURNING " + version;
    }
    case kDelete: return "DELETE FROM " + table + " WHERE " + id + " = ?1";
    case kById:
      return "SELECT " + schema_.ReadList() + " FROM " + table + " WHERE " + id + " = ?1";
    case kCount: return "SELECT count(*) FROM " + table + " WHERE " + visible;
    case kHoldGet:
      return "SELECT \"pid\", \"started\", \"owner\" FROM " + holds + " WHERE \"record\" = ?1";
    case kHoldPut:
      return "INSERT OR REPLACE INTO " + holds +
             "(\"record\", \"pid\", \"started\", \"owner\") VALUES(?1, ?2, ?3, ?4)";
    case kHoldDelete:
      return "DELETE FROM " + holds +
             " WHERE \"record\" = ?1 AND \"pid\" = ?2 AND \"started\" = ?3 AND \"owner\" = ?4";
    case kHoldReleaseAll:
      return "DELETE FROM " + holds + " WHERE \"pid\" = ?1 AND \"started\" = ?2 AND \"owner\" = ?3";
    case kHoldList: return "SELECT \"record\", \"pid\", \"started\", \"owner\" FROM " + holds;
    case kStaleHoldDelete:
      return "DELETE FROM " + holds + " WHERE \"record\" = ?1 AND \"pid\" = ?2 AND \"started\" = ?3";
    case kFirst:
    case kFirstWithReserved:
      return "SELECT " + schema_.ReadList() + " FROM " + table +
             (kind == kFirst ? " WHERE " + visible : std::string()) + OrderBy(schema_, key, forward) +
             " LIMIT 1";
    case kAfter:
    case kAfterWithReserved:
      return "SELECT " + schema_.ReadList() + " FROM " + table + " WHERE " +
             AfterCondition(schema_, key, forward, inclusive, '?') +
             (kind == kAfter ? " AND " + visible : std::string()) + OrderBy(schema_, key, forward) +
             " LIMIT 1";
    case kEqual:
      return "SELECT " + schema_.ReadList() + " FROM " + table + " WHERE " + equal_terms() +
             " AND " + visible + " ORDER BY " + id + " LIMIT 1";
    case kReservedDelete:
      return "DELETE FROM " + table + " WHERE " + id + " = ?1 AND " + version + " = 0";
    case kOrphanReservedDelete:
      return "DELETE FROM " + table + " WHERE " + version + " = 0 AND " + id +
             " NOT IN (SELECT \"record\" FROM " + holds + ")";
    case kOwnReservedDelete:
      return "DELETE FROM " + table + " WHERE " + version + " = 0 AND " + id +
             " IN (SELECT \"record\" FROM " + holds +
             " WHERE \"pid\" = ?1 AND \"started\" = ?2 AND \"owner\" = ?3)";
    case kDeleteAll:
      return "DELETE FROM " + table + " WHERE " + id + " NOT IN (SELECT \"record\" FROM " +
             holds + " WHERE NOT (\"pid\" = ?1 AND \"started\" = ?2 AND \"owner\" = ?3))";
    case kOrphanHoldDelete:
      return "DELETE FROM " + holds + " WHERE \"record\" NOT IN (SELECT " + id + " FROM " +
             table + ")";
    case kDuplicate:
      return "SELECT 1 FROM " + table + " WHERE " + equal_terms() + " AND " + id + " <> ?" +
             std::to_string(key->ComponentCount() + 1) + " LIMIT 1";
  }
  return "";
}

}  // namespace rt
