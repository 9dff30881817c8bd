// SqliteKeyedFile: the local store's driver of a KeyedFile: the file is a SQLite database named
// exactly as the declared file. It owns its SQLite connection and prepared statements; the
// KeyedFile it serves (declaration, record buffer, name) owns it.
//
// On disk (KeyedFileSchema builds the SQL):
//   records(_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, <one typed column per
//           stored field, named as the label without its prefix>, _upper_<col> shadow columns
//           for text fields that take part in a no-case key)
//   meta(name TEXT PRIMARY KEY, value TEXT)   -- 'format', 'declaration' (the Signature())
//   holds(record INTEGER PRIMARY KEY, pid INTEGER, started INTEGER, owner INTEGER)
//   one index per key named "key:<label>", unique when the key is.
//
// For views: Connection(), SqlTable() and LoadRow() let a view run its own SELECTs on the
// file's data and load a row as if the file had read it. Connection() and SqlTable() change
// while the file takes part in a transaction (it then runs on the transaction's connection), so
// ask for them for each statement; never keep a statement stepping between calls (reset it
// after each page), since a pending read blocks other copies' commits. Every connection the
// files open carries the runtime's SQL text functions (RegisterTextFunctions of
// sql_text_functions.h: rt_upper...).
#pragma once

#include <memory>

#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_driver.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rt {

class KeyedFileImpl;

class SqliteKeyedFile final : public KeyedFileDriver {
 public:
  explicit SqliteKeyedFile(KeyedFile& file);
  ~SqliteKeyedFile() override;

  SqliteKeyedFile* AsSqlite() override { return this; }

  int Open(int access_mode) override;
  int Create() override;
  int Close() override;
  int BuildKeys() override;
  int Send(std::string_view option) override;
  bool IsOpen() const override;
  bool IsReadOnly() const override;
  bool IsHeld() const override;
  bool IsWatched() const override;
  const FileKey* CurrentKey() const override;

  int Set(const FileKey* key) override;
  int SetFromBuffer(const FileKey& key) override;
  int Next() override;
  int Previous() override;
  bool Eof() override;
  int Get(const FileKey& key) override;
  int ClearCurrent() override;
  int64_t Records() override;
  std::string Position(const FileKey* key) override;
  int Reset(const FileKey* key, std::string_view position) override;
  int Reget(const FileKey* key, std::string_view position) override;
  int Hold() override;
  int Watch() override;
  int Release() override;

  int Add() override;
  int Reserve() override;
  void SeeReserved(bool on) override;
  int DeleteAll(int64_t* deleted) override;
  int Put() override;
  int Delete() override;
  bool Duplicate(const FileKey& key) override;

  // --- For views -------------------------------------------------------------------------
  sqlite3* Connection() const;   // the connection the file's statements run on now
  std::string SqlTable() const;  // e.g. "main"."records" (schema-qualified, quoted)
  // Loads the row a statement is on (columns as KeyedFile::SelectList(), from first_column)
  // into the buffer and makes it the current record, honouring an armed Hold/Watch: 43 when
  // another copy holds it (nothing loaded). The sequence moves to it in key's order.
  int LoadRow(sqlite3_stmt* stmt, int first_column, const FileKey* key);
  // After LoadRow gave 43: loads the row's stored values into the buffer so a list can show
  // the held record, without making it current (Put and Delete still have none). 43.
  int LoadHeldRow(sqlite3_stmt* stmt, int first_column);

 private:
  friend class Transaction;
  int Step(bool forward);
  int Insert(bool reserved);
  int ReadRow(sqlite3_stmt* st, bool stepped, int first, int not_found, const FileKey* order,
              bool move_past_held);

  KeyedFile& file_;
  const FileDeclaration& decl_;
  void* buffer_;
  std::unique_ptr<KeyedFileImpl> impl_;  // connection, statements, sequence, holds
};

}  // namespace rt
