// KeyedFileImpl: the inner state of a KeyedFile (its connection, prepared statements, reading
// sequence, current record, holds and watch). Private to runtime/files: KeyedFile and
// Transaction use it; nothing else includes this header.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "runtime/files/keyed_file_schema.h"
#include "runtime/files/keyed_file_statements.h"
#include "runtime/files/position_text.h"

struct sqlite3;

namespace rt {

class KeyedFileImpl {
 public:
  explicit KeyedFileImpl(const FileDeclaration& decl);

  // Bookkeeping for a transaction the file takes part in, so that a rollback (asked for, or
  // after a commit that could not finish) leaves the file's idea of its current record, watch
  // and hold agreeing with the data the rollback brought back. Without it the watch would stay
  // on a version only the undone write ever made, and the next watched put would report a
  // change by another station that never happened.
  void StartUndo();  // the transaction has begun
  void NoteAdded(int64_t id);
  // A put of the current record made `new_version`; call before the cache takes the put.
  void NotePut(int64_t new_version);
  void NoteDeleted();  // call before the delete clears the current record
  void NoteRead();     // the current record changed by a read (reads are never undone)
  void UndoWrites();   // the transaction was rolled back
  void DropUndo();     // the transaction ended (committed, or undone and already applied)

  // The record a read, an add or a put leaves current, as both drivers keep it.
  void TookRead(int64_t id, int64_t version, std::vector<unsigned char> image);
  void TookAdded(int64_t id, bool reserved, const void* record);   // Add, Reserve
  void TookPut(int64_t version, const void* record, bool watched);  // Put of the current record
  void TakeWatch(bool watch, int64_t id, int64_t version);  // a read, with or without Watch armed
  void DeletedCurrent();  // the current record went: no longer current, held or watched

  // The store-independent part of some of KeyedFile's operations, the same in both drivers.
  // open: the driver has the file open. Each sets the last error and returns its code.
  int StartSequence(bool open, const FileKey* key);  // Set: the start of key's order
  int Arm(bool open, bool* flag);                    // Hold, Watch: the next read takes it
  int ForgetCurrent(bool open);                      // ClearCurrent
  std::string CurrentPosition(bool open, const FileKey* key);  // Position
  // Send: takes a driver option ("Recover=<seconds>", "QUICKSCAN=on|off"); true when the wait
  // for a locked file (busy_ms) changed, for the driver to pass on to its connection.
  bool TakeOption(std::string_view option);
  // A key's component values as the store keeps them, from a record image.
  struct StoredValue;
  using ImageValues = std::vector<StoredValue> (*)(const KeyedFileSchema&, const FileKey&, void*);
  int StartAtValues(bool open, const FileKey& key, void* record, ImageValues values);  // SetFromBuffer
  int StartAtPosition(bool open, const FileKey* key, std::string_view position,
                      ImageValues values);  // Reset
  // The record id a position names (Reget); 0 with the error set (37, 35) when there is none.
  int64_t PositionId(bool open, const FileKey* key, std::string_view position);

  // Where the next Next/Previous starts: at the start of the order; at the values of the
  // buffer given to SetFromBuffer (any row id); at a row's place including it (Reset); or
  // just past a row's place (after a read).
  enum class Anchor { kStart, kBuffer, kAt, kAfter };

  // A key component's value as the file stores it (or as the buffer would be stored), so a
  // sequence moves on from exactly what it read, whatever the file holds.
  struct StoredValue {  // the local store's typed value; the server's text form is in bytes
    int type = 5;  // SQLITE_NULL
    int64_t integer = 0;
    double real = 0;
    std::string bytes;
  };

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
  std::vector<StoredValue> anchor_values;  // the anchor's value of each of seq_key's components
  int64_t anchor_id = 0;

  int64_t current_id = 0;  // 0: no current record
  // There is none because the last read met a record another copy holds: a write then says
  // so (43) rather than that nothing was read (33).
  bool read_held = false;
  int64_t current_version = 0;
  std::vector<unsigned char> current_image;  // the current record as stored

  bool see_reserved = false;  // sequences include reserved records (for numbering)

  bool hold_armed = false;
  bool watch_armed = false;
  int64_t held_id = 0;
  bool ever_held = false;  // a hold was placed since the open: Close clears ours
  int64_t watched_id = 0;
  int64_t watched_version = 0;
  uint64_t owner;  // tells this object's holds from other objects' in the same process

  struct Undo {
    struct Before {
      int64_t stored_version = 0;  // on disk when the transaction began
      int64_t version = 0;         // what the file had cached before its first write there
      std::vector<unsigned char> image;
    };
    std::unordered_map<int64_t, Before> put;  // records put in the transaction, by id
    std::unordered_set<int64_t> added;        // records added in the transaction
    // The current record went in a delete and no read has made another current since.
    bool current_deleted = false;
    int64_t deleted_id = 0;
    int64_t deleted_version = 0;
    std::vector<unsigned char> deleted_image;
    bool deleted_watched = false;
    int64_t deleted_watched_version = 0;
    int64_t held_id = 0;  // when the transaction began: the holds table goes back to it
  };
  Undo undo;
};

}  // namespace rt
