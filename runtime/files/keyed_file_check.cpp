#include "runtime/files/keyed_file_check.h"

#include <sqlite3.h>

#include <map>
#include <set>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

constexpr const char* kFormat = "1";

// A column's text, "" for NULL: a damaged schema or meta row may hold NULL anywhere.
std::string ColumnText(sqlite3_stmt* st, int col) {
  const unsigned char* t = sqlite3_column_text(st, col);
  if (!t) return "";
  return std::string(reinterpret_cast<const char*>(t),
                     static_cast<size_t>(sqlite3_column_bytes(st, col)));
}

// Runs a query and hands each row to `row`, which returns false to stop. SQLITE_OK or the
// failing SQLite code.
template <typename Row>
int ForEachRow(sqlite3* db, const std::string& sql, Row row) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(st);
    return rc;
  }
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    if (!row(st)) {
      rc = SQLITE_DONE;
      break;
    }
  }
  sqlite3_finalize(st);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int Refuse(int code, const std::string& text) {
  SetLastError(code, "", text);
  return code;
}

int ReadFailure(sqlite3* db, int rc) {
  int ext = sqlite3_extended_errcode(db);
  if ((ext & 0xFF) != (rc & 0xFF)) ext = rc;
  SetLastError(kDriverError, std::to_string(ext), sqlite3_errmsg(db));
  return kDriverError;
}

std::string ExpectedAffinity(Type t) {
  if (IsInteger(t)) return "INTEGER";
  if (t == Type::Real) return "REAL";
  if (t == Type::String || t == Type::CString) return "TEXT";
  return "BLOB";
}

struct Column {
  std::string type;
  int pk = 0;
};

// The columns of a table by upper-cased name, in a map; false when they cannot be read.
int ReadColumns(sqlite3* db, const std::string& table, std::map<std::string, Column>* out,
                std::vector<std::string>* order) {
  std::string sql = "SELECT name, type, pk FROM pragma_table_info(" +
                    std::string("'") + table + "')";
  return ForEachRow(db, sql, [&](sqlite3_stmt* st) {
    std::string name = ColumnText(st, 0);
    (*out)[Upper(name)] = Column{ColumnText(st, 1), sqlite3_column_int(st, 2)};
    order->push_back(name);
    return true;
  });
}

// Every expected column present with its affinity, and no other column. "" when so.
std::string CompareColumns(const std::string& table,
                           const std::vector<std::pair<std::string, std::string>>& expected,
                           const std::map<std::string, Column>& have,
                           const std::vector<std::string>& order) {
  std::set<std::string> wanted;
  for (const auto& [name, affinity] : expected) {
    wanted.insert(Upper(name));
    auto it = have.find(Upper(name));
    if (it == have.end()) return "column " + name + " is missing from table " + table;
    std::string a = KeyedFileCheck::Affinity(it->second.type);
    if (a != affinity) {
      return "column " + name + " of table " + table + " holds " + a + " values, not " +
             affinity;
    }
  }
  for (const std::string& name : order) {
    if (!wanted.count(Upper(name))) return "table " + table + " has a column " + name +
                                           " that is not declared";
  }
  return "";
}

}  // namespace

void KeyedFileCheck::Harden(sqlite3* db) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
}

std::string KeyedFileCheck::Affinity(const std::string& declared_type) {
  std::string t = Upper(declared_type);
  if (t.find("INT") != std::string::npos) return "INTEGER";
  if (t.find("CHAR") != std::string::npos || t.find("CLOB") != std::string::npos ||
      t.find("TEXT") != std::string::npos) {
    return "TEXT";
  }
  if (t.empty() || t.find("BLOB") != std::string::npos) return "BLOB";
  if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos ||
      t.find("DOUB") != std::string::npos) {
    return "REAL";
  }
  return "NUMERIC";
}

int KeyedFileCheck::Check(sqlite3* db, const KeyedFileSchema& schema, bool check_indexes) {
  const FileDeclaration& decl = schema.Declaration();
  // The schema first: reading it is the first read of the file, so a file that is not a
  // database at all fails here.
  std::map<std::string, std::string> tables;  // upper name -> type
  std::vector<std::pair<std::string, std::string>> indexes;  // name, sql (non-automatic ones)
  std::vector<std::string> index_tables;
  std::string foreign;  // the first trigger or view
  int rc = ForEachRow(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema",
                      [&](sqlite3_stmt* st) {
                        std::string type = ColumnText(st, 0);
                        std::string name = ColumnText(st, 1);
                        if (type == "table") {
                          tables[Upper(name)] = type;
                        } else if (type == "index") {
                          if (sqlite3_column_type(st, 3) != SQLITE_NULL) {
                            indexes.emplace_back(name, ColumnText(st, 3));
                            index_tables.push_back(ColumnText(st, 2));
                          }
                        } else if (foreign.empty()) {
                          foreign = type + " " + name;
                          if (type == "view") tables[Upper(name)] = type;
                        }
                        return true;
                      });
  if (rc != SQLITE_OK) return ReadFailure(db, rc);
  for (const char* t : {KeyedFileSchema::kTable, "meta", "holds"}) {
    auto it = tables.find(Upper(t));
    if (it == tables.end()) {
      return Refuse(kInvalidRecordDeclaration,
                    std::string("not a keyed file of this program: table ") + t +
                        " is missing");
    }
    if (it->second != "table") {
      return Refuse(kInvalidRecordDeclaration,
                    std::string(t) + " is a " + it->second + ", not a table");
    }
  }
  if (!foreign.empty()) {
    return Refuse(kInvalidRecordDeclaration,
                  "the file holds " + foreign + ", which a keyed file of this program never has");
  }

  // The support tables, then their rows: a row of meta or holds is never trusted to hold what
  // the program wrote there.
  std::map<std::string, Column> cols;
  std::vector<std::string> order;
  if ((rc = ReadColumns(db, "meta", &cols, &order)) != SQLITE_OK) return ReadFailure(db, rc);
  std::string diff = CompareColumns("meta", {{"name", "TEXT"}, {"value", "TEXT"}}, cols, order);
  if (!diff.empty()) return Refuse(kInvalidRecordDeclaration, diff);
  cols.clear();
  order.clear();
  if ((rc = ReadColumns(db, "holds", &cols, &order)) != SQLITE_OK) return ReadFailure(db, rc);
  diff = CompareColumns("holds",
                        {{"record", "INTEGER"}, {"pid", "INTEGER"}, {"started", "INTEGER"},
                         {"owner", "INTEGER"}},
                        cols, order);
  if (diff.empty() && cols["RECORD"].pk != 1) diff = "column record of table holds is not its key";
  if (!diff.empty()) return Refuse(kInvalidRecordDeclaration, diff);

  std::string format, signature, problem;
  rc = ForEachRow(db, "SELECT name, value FROM meta", [&](sqlite3_stmt* st) {
    if (sqlite3_column_type(st, 0) != SQLITE_TEXT) {
      problem = sqlite3_column_type(st, 0) == SQLITE_NULL ? "meta has a row without a name"
                                                          : "meta has a row whose name is no text";
      return false;
    }
    std::string name = ColumnText(st, 0);
    if (name != "format" && name != "declaration") return true;
    if (sqlite3_column_type(st, 1) != SQLITE_TEXT) {
      problem = "meta's " + name + " is no text";
      return false;
    }
    (name == "format" ? format : signature) = ColumnText(st, 1);
    return true;
  });
  if (rc != SQLITE_OK) return ReadFailure(db, rc);
  if (!problem.empty()) return Refuse(kInvalidRecordDeclaration, problem);
  if (format != kFormat) {
    return Refuse(kInvalidRecordDeclaration,
                  format.empty() ? "meta names no format" : "meta names format " + format +
                                                                ", not " + kFormat);
  }
  if (signature != decl.Signature()) {
    return Refuse(kInvalidRecordDeclaration,
                  "the file was created from another record declaration");
  }
  rc = ForEachRow(db,
                  "SELECT record FROM holds WHERE typeof(record) <> 'integer' OR "
                  "typeof(pid) <> 'integer' OR typeof(started) <> 'integer' OR "
                  "typeof(owner) <> 'integer' LIMIT 1",
                  [&](sqlite3_stmt*) {
                    problem = "holds has a row that is not a hold";
                    return false;
                  });
  if (rc != SQLITE_OK) return ReadFailure(db, rc);
  if (!problem.empty()) return Refuse(kInvalidRecordDeclaration, problem);

  // The records table: the row id, the version, one column per stored field with its affinity,
  // the shadow columns, and nothing else.
  cols.clear();
  order.clear();
  if ((rc = ReadColumns(db, KeyedFileSchema::kTable, &cols, &order)) != SQLITE_OK) {
    return ReadFailure(db, rc);
  }
  std::vector<std::pair<std::string, std::string>> expected = {
      {KeyedFileSchema::kIdColumn, "INTEGER"}, {KeyedFileSchema::kVersionColumn, "INTEGER"}};
  for (size_t f : schema.StoredFields()) {
    expected.emplace_back(schema.Column(f), ExpectedAffinity(decl.Record().field(f).type));
  }
  for (size_t f : schema.ShadowFields()) expected.emplace_back("_upper_" + schema.Column(f), "TEXT");
  diff = CompareColumns(KeyedFileSchema::kTable, expected, cols, order);
  if (diff.empty()) {
    // Only a column declared exactly INTEGER and alone the key is the row id itself, which
    // SQLite keeps an integer; any other _id could hold anything.
    const Column& id = cols[Upper(KeyedFileSchema::kIdColumn)];
    int keys = 0;
    for (const auto& [name, c] : cols) keys += c.pk != 0;
    if (Upper(id.type) != "INTEGER" || id.pk != 1 || keys != 1) {
      diff = "column _id of table records is not its integer row key";
    }
  }
  if (!diff.empty()) return Refuse(kInvalidRecordDeclaration, diff);

  // Indexes: the key indexes as declared; any other index on the records is dropped with a
  // rebuild, one elsewhere makes the file another program's.
  std::set<std::string> ours;
  for (size_t k = 0; k < decl.KeyCount(); ++k) ours.insert(schema.IndexName(decl.Key(k)));
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (Upper(index_tables[i]) != Upper(KeyedFileSchema::kTable)) {
      return Refuse(kInvalidRecordDeclaration,
                    "index " + indexes[i].first + " is on table " + index_tables[i] +
                        ", which has none in this program's files");
    }
  }
  if (!check_indexes) return kNoError;
  for (size_t k = 0; k < decl.KeyCount(); ++k) {
    const FileKey& key = decl.Key(k);
    bool found = false;
    for (const auto& [name, sql] : indexes) {
      if (name == schema.IndexName(key)) found = sql == schema.CreateIndexSql(key);
    }
    if (!found) {
      return Refuse(kKeysMustBeRebuilt,
                    "the index of key " + key.Label() + " is missing or not as declared");
    }
  }
  for (const auto& [name, sql] : indexes) {
    if (!ours.count(name)) {
      return Refuse(kKeysMustBeRebuilt, "index " + name + " is not one of the declared keys");
    }
  }
  return kNoError;
}

}  // namespace rt
