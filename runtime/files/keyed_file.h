// KeyedFile: one open (or closed) keyed data file of the runtime. The caller's declaration and
// record buffer must remain live while this object is in use. Every operation sets
// rt::SetLastError (0 on success) and, where it returns an int, returns the same code.
//
// The data live in the store chosen for the process (store_choice.h): by default a SQLite
// database named exactly as the declared file (SqliteKeyedFile: its layout on disk is described
// in sqlite_keyed_file.h), or a table of a PostgreSQL database (PgKeyedFile). KeyedFile owns
// the driver of that store and forwards every operation to it; nothing above runtime/files sees
// which store it is.
//
// Reading model: a sequence (Set.../Reset) has an order (a key, or record order) and an anchor;
// Next/Previous read the record after/before the anchor and move it there, so other records
// added or deleted meanwhile never lose the place. The record last read (or added) is the
// current record: Put, Delete, Position, Hold and Watch work on it.
//
// Position texts (Position/Reset/Reget; views make compatible ones with PositionText):
//   record order: "R<id>"                         e.g. R17
//   key order:    "K<key number>|<v1>|...|<vn>|<id>"   e.g. K1|5|17
// where vi is component i's stored value as text (integers in decimal, reals as %.17g, texts
// clipped) with '%', '|' and bytes up to 0x20 (and 0x7F) written as %XX, and id is the
// record's id. A position never ends in a blank, so it survives a blank-padded field.
//
// For views (same runtime folder): SelectList(), FieldColumn() and ComponentSql() name the
// columns of the file's table in either store; Sqlite() gives the SQLite driver, whose
// Connection() and LoadRow() let a view run its own SELECTs (nullptr on the server store).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_declaration.h"

namespace rt {

class KeyedFileDriver;
class SqliteKeyedFile;
class PgKeyedFile;
class Transaction;

class KeyedFile {
 public:
  // Access mode bits (low nibble): 0 read only, 1 write only, 2 read/write; the high nibble is
  // the share mode (10h deny all, 20h deny write, 30h deny read, 40h deny none). Sharing is
  // always "deny none" here: several copies coordinate through holds, watches and the store.
  static constexpr int kReadOnly = 0x40;
  static constexpr int kReadWrite = 0x42;

  // buffer: the record buffer, declaration.RecordSize() bytes.
  KeyedFile(const FileDeclaration& declaration, void* buffer);
  ~KeyedFile();  // closes the file (releasing its holds)
  // The store chosen for the process (store_choice.h) when the file is opened or created
  // decides the driver.
  KeyedFile(const KeyedFile&) = delete;
  KeyedFile& operator=(const KeyedFile&) = delete;

  const FileDeclaration& Declaration() const { return decl_; }
  void* Buffer() const { return buffer_; }
  // The file name used by the next Open/Create; the declared name unless set.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // --- Opening and closing ---------------------------------------------------------------
  // 0; 2 missing; 5 write access asked of a file that cannot be written; 47 stored declaration
  // differs; 46 a key's index is missing or not as declared; 52 already open; 90 not a
  // database or another SQLite failure (SetLastError carries SQLite's code and message).
  int Open(int access_mode = kReadWrite);
  // Creates an empty file. An existing file is never replaced: if it already holds this
  // declaration (another copy created it first) the result is 0, else 47, 90 or 5.
  int Create();
  int Close();  // 37 when not open; rolls back a transaction the file takes part in
  // Rebuilds every key's index (and the no-case shadow columns). Works on a closed file
  // (opening it privately) or an open one. 40 when a unique key's data has duplicates.
  int BuildKeys();
  // Driver options: "Recover=<seconds>" sets how long a locked file is waited for before the
  // operation is reported as failed (default 10); "QUICKSCAN=on|off" is accepted. Unknown
  // options are ignored (0).
  int Send(std::string_view option);
  int Flush();                                   // nothing is ever pending: 0 (37 when closed)
  int SetBuffering(int page_size, int behind, int ahead, int timeout);  // a hint: 0
  int NoMemo();                                  // no large objects here: 0
  bool IsOpen() const;
  bool IsReadOnly() const;

  // --- Reading ---------------------------------------------------------------------------
  // Starts a sequence in key order from the start (key == nullptr: record order). Next then
  // reads the first record, Previous the last one.
  int Set(const FileKey* key);
  // Starts a sequence at the buffer's values of the key's components: Next reads the first
  // record at or after them, Previous the last record at or before them.
  int SetFromBuffer(const FileKey& key);
  int Next();      // 33 past the end; 43 held by another copy (the sequence moves past it)
  int Previous();  // 33 before the start
  // True when Next would find no record (it reads nothing and moves nothing). A read that
  // fails is not the end: false, with the error as the last error (37 when closed gives true).
  bool Eof();
  // Reads the first record whose key values equal the buffer's (35 when none); the sequence
  // goes on from it in that key's order.
  int Get(const FileKey& key);
  // Leaves no record current (the runtime get with no key), so a duplicate test compares
  // with every record. 0.
  int ClearCurrent();
  int64_t Records();  // -1 when the count cannot be read (closed: 37)

  // Position of the current record in a key's order (nullptr: record order); "" and 33 when
  // there is no current record.
  std::string Position(const FileKey* key);
  // Restarts the sequence at a position: Next (or Previous) reads that record, or the one
  // after (before) the place it had if it was deleted. 35 for a text that is no position.
  int Reset(const FileKey* key, std::string_view position);
  // Reads the record at a position again (by its id): 35 when it no longer exists.
  int Reget(const FileKey* key, std::string_view position);

  // Hold/Watch apply to the next record read (Next, Previous, Get, Reget, a view's LoadRow).
  // A held record cannot be read, changed or deleted by another copy (43) until this copy
  // releases it (Release, Put, Delete, a read without hold, Close) or dies.
  int Hold();
  int Watch();  // a later Put fails with 89 if another copy changed the record meanwhile
  int Release();
  bool IsHeld() const;      // property 7305h
  bool IsWatched() const;   // property 7304h
  const FileKey* CurrentKey() const;  // the sequence's key, nullptr for record order (7300h)

  // --- Writing ---------------------------------------------------------------------------
  int Add();     // 40 duplicate on a unique key; 5 read-only; the new record becomes current
  // Adds the buffer as a reservation: a record (holding, say, a number handed out) that no
  // other copy reads or counts and that no read of this object's sequences or counts sees
  // either, until a Put makes it an ordinary record; Delete or Close removes it, and so does
  // the next open by any copy once this process has died. Reget by position reaches it.
  int Reserve();
  // While on, sequences include reservations (this object's and other copies'), read for their
  // values only, so a number another copy reserved is seen as taken.
  void SeeReserved(bool on);
  // Deletes every record in one write: all go or none do, and no other copy reads a table half
  // emptied. Records another copy holds (being changed, or reserved) stay. *deleted: how many
  // went. 5 read-only; 90 the driver's failure (nothing deleted).
  int DeleteAll(int64_t* deleted = nullptr);
  // 33 no current record (43 when there is none because the last read met a record another
  // copy holds); 35 deleted meanwhile; 43 held; 89 changed (watched)
  int Put();
  int Delete();  // 33 no current record; 35 deleted meanwhile; 43 held by another copy
  void Clear();  // the buffer: numbers 0, texts blank, groups zero
  // Would the buffer duplicate a stored record (other than the current one) on this key?
  // False for keys that allow duplicates.
  bool Duplicate(const FileKey& key);

  // The file takes part in the next Transaction::Start on this thread (property 7301h).
  // 80 for a file opened read-only (it cannot take part in a write transaction).
  int MarkForTransaction();

  // --- For views -------------------------------------------------------------------------
  // The columns LoadRow expects, in order: _id, _version, then FieldColumn of every stored
  // field in field order ("_id","_version","NN","KF").
  std::string SelectList() const;
  // The quoted column of a field, "" for a group stored through its members.
  std::string FieldColumn(size_t field) const;
  // The SQL term a key component sorts by: its column, or the upper-cased shadow column of
  // a text component of a no-case key. Direction is Component(c).ascending.
  std::string ComponentSql(const FileKey& key, size_t c) const;
  // The store's driver: SQLite's for the local files, nullptr on another store.
  SqliteKeyedFile* Sqlite() const;
  PgKeyedFile* Pg() const;

 private:
  friend class Transaction;
  void FollowStoreChoice();

  const FileDeclaration& decl_;
  void* buffer_;
  std::string name_;
  std::unique_ptr<KeyedFileDriver> driver_;
};

}  // namespace rt
