// KeyedFileStatements: the prepared statements of one keyed file on one connection and schema
// ("main" on the file's own connection, or the name it is attached under for a transaction).
// Statements are prepared on first use and kept until this object is destroyed; the
// connection belongs to the caller and must outlive this object.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "runtime/files/keyed_file_schema.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rt {

class KeyedFileStatements {
 public:
  enum Kind : int {
    kInsert = 1, kUpdate, kUpdateWatched, kDelete, kById, kCount, kHoldGet, kHoldPut,
    kHoldDelete, kHoldReleaseAll, kHoldList, kStaleHoldDelete, kFirst, kAfter, kEqual, kDuplicate,
    // A reservation is a record stored with version 0 and held by its owner: no read but the
    // owner's by id sees it until a put makes it an ordinary record (version 1).
    kInsertReserved, kFirstWithReserved, kAfterWithReserved, kReservedDelete,
    kOrphanReservedDelete, kOwnReservedDelete, kDeleteAll, kOrphanHoldDelete,
  };

  KeyedFileStatements(sqlite3* db, std::string schema_name, const KeyedFileSchema& schema);
  ~KeyedFileStatements();
  KeyedFileStatements(const KeyedFileStatements&) = delete;
  KeyedFileStatements& operator=(const KeyedFileStatements&) = delete;

  sqlite3* db() const { return db_; }
  const std::string& SchemaName() const { return schema_name_; }
  std::string Table() const;  // "schema"."records"

  // A reset statement ready for binding; nullptr when it cannot be prepared (the error is on
  // the connection). key: the order's key (nullptr for record order) for kFirst/kAfter,
  // the key for kEqual/kDuplicate. forward: reading direction; inclusive: kAfter takes the
  // anchor row itself too.
  sqlite3_stmt* Get(Kind kind, const FileKey* key = nullptr, bool forward = true,
                    bool inclusive = false);

  // The sequence SQL both stores share (parameters are numbered in both: mark '?' for SQLite,
  // '$' for PostgreSQL). " ORDER BY ..." in a key's order (nullptr: record order), ties broken
  // by row id; the condition for rows after (or at, when inclusive) the anchor, the anchor being
  // the component values 1..n and the row id n+1.
  static std::string OrderBy(const KeyedFileSchema& schema, const FileKey* key, bool forward);
  static std::string AfterCondition(const KeyedFileSchema& schema, const FileKey* key,
                                    bool forward, bool inclusive, char mark);

 private:
  std::string Sql(Kind kind, const FileKey* key, bool forward, bool inclusive) const;
  std::string Qualified(const char* table) const;

  sqlite3* db_;
  std::string schema_name_;
  const KeyedFileSchema& schema_;
  std::unordered_map<int, sqlite3_stmt*> cache_;
};

}  // namespace rt
