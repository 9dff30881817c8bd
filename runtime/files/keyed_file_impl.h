// KeyedFileImpl: the inner state of a KeyedFile (its connection, prepared statements, reading
// sequence, current record, holds and watch). Private to runtime/files: KeyedFile and
// Transaction use it; nothing else includes this header.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/files/keyed_file_schema.h"
#include "runtime/files/keyed_file_statements.h"

struct sqlite3;

namespace rt {

class KeyedFileImpl {
 public:
  explicit KeyedFileImpl(const FileDeclaration& decl);

  // Where the next Next/Previous starts: at the start of the order; at the values of the
  // buffer given to SetFromBuffer (any row id); at a row's place including it (Reset); or
  // just past a row's place (after a read).
  enum class Anchor { kStart, kBuffer, kAt, kAfter };

  KeyedFileSchema schema;
  sqlite3* db = nullptr;
  std::string path;  // absolute, fixed at Open
  dev_t device = 0;
  ino_t inode = 0;
  bool read_only = false;
  int busy_ms = 10000;
  bool quick_scan = false;
  std::unique_ptr<KeyedFileStatements> own;
  KeyedFileStatements* active = nullptr;  // own, or the transaction's set for this file
  bool in_transaction = false;

  const FileKey* seq_key = nullptr;
  Anchor anchor = Anchor::kStart;
  std::vector<unsigned char> anchor_image;  // a record image holding the anchor's key values
  int64_t anchor_id = 0;

  int64_t current_id = 0;  // 0: no current record
  int64_t current_version = 0;
  std::vector<unsigned char> current_image;  // the current record as stored

  bool hold_armed = false;
  bool watch_armed = false;
  int64_t held_id = 0;
  bool ever_held = false;  // a hold was placed since the open: Close clears ours
  int64_t watched_id = 0;
  int64_t watched_version = 0;
  uint64_t owner;  // tells this object's holds from other objects' in the same process
};

}  // namespace rt
