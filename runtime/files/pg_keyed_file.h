// PgKeyedFile: the server store's driver of a KeyedFile: the file is a table of a PostgreSQL
// database, reached through a libpq URI. Each open file has a connection of its own (a station
// of its own, as a file of another running copy would be); the KeyedFile it serves owns it.
//
// In the database (the connection's search_path decides the schema):
//   "<file>"(_id bigint identity primary key, _version bigint, <one typed column per stored
//            field: smallint/integer/bigint, double precision, text COLLATE "C", bytea>,
//            _upper_<col> shadow columns as the local store has)
//   tovik_files(name, format, declaration)   -- one row per keyed file: its Signature()
//   one index per key named "<file>:<label>" (cut, with a hash, to the server's 63 bytes).
// The file is named after its last path component: folders mean nothing on the server.
//
// Holds are session-level advisory locks (the table's oid, the record id): a hold disappears
// when its station disconnects or dies, on any machine. A read sees another station's hold in
// pg_locks in the same statement that reads the row. A reservation is a row of version 0 held
// by its owner; another station's open removes reservations nobody holds any more. Watch is
// the version column checked in the UPDATE's WHERE. Values go to the server as parameters only.
//
// Views run their paged SELECTs through Query(); the filter language's functions are SQL
// functions of the store (rt_upper, rt_text, rt_sub, rt_instring, made with the files table)
// with the runtime's rules: Latin and Cyrillic upper case, positions in characters.
// A connection the server has dropped stays failed (90) until the file is closed and opened
// again: reconnecting silently would lose the station's holds.
#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "runtime/files/filter_sql.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_driver.h"
#include "runtime/files/pg_connection.h"

namespace rt {

class KeyedFileImpl;

class PgKeyedFile final : public KeyedFileDriver {
 public:
  PgKeyedFile(KeyedFile& file, std::string uri);
  ~PgKeyedFile() override;

  PgKeyedFile* AsPg() override { return this; }
  const std::string& Uri() const { return uri_; }

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

  // The runtime transaction over files of this store (Transaction calls these): one server
  // transaction on the first file's connection, which the others' statements use meanwhile.
  static int StartTransaction(const std::vector<KeyedFile*>& files, int timeout_seconds);
  static int CommitTransaction();
  static int RollbackTransaction();

  // --- For views -------------------------------------------------------------------------
  std::string TableSql() const { return table_; }  // the file's table, quoted
  // Runs a SELECT of a view on the connection the file's statements use now, '?' marking each
  // value of params in order, and gives every row's columns as values (whole numbers, reals,
  // texts). 0 or the server's error.
  int Query(const std::string& sql, const std::vector<SqlValue>& params,
            std::vector<std::vector<SqlValue>>* rows);
  // Reads the record with this id as the file's current record, honouring an armed Hold or
  // Watch, the sequence moving to it in key's order. 43: another station holds it; its values
  // are in the buffer, but it is not current. 35 when it is gone.
  int LoadById(int64_t id, const FileKey* key);

  // The table a file name becomes on the server (its last path component); "" for none.
  static std::string TableName(const std::string& file_name);

 private:
  int ReadResult(const PgResult& r, int row, int not_found, const FileKey* order,
                 bool move_past_held);
  bool BatchServes(const std::string& sql, const std::vector<std::string>& params) const;
  int Step(bool forward);
  int Insert(bool reserved);
  int BeginCurrentRecordWrite();
  int HeldByOther(int64_t id, int* code);
  int Lock(int64_t id);  // 0; 43 another station holds it; 90
  void Unlock(int64_t id);
  std::string SequenceSql(bool forward, std::vector<std::string>* params) const;
  std::string ReadList() const;
  std::string HeldTerm(const std::string& id_sql) const;
  std::vector<std::string> RecordParams(const void* record) const;
  int Check(PgConnection& conn, bool check_indexes);
  int Fail(const PgResult& r);
  void UndoHolds(int64_t held_before);
  static void EndTransaction(bool undo);

  KeyedFile& file_;
  const FileDeclaration& decl_;
  void* buffer_;
  std::string uri_;
  std::unique_ptr<KeyedFileImpl> impl_;  // sequence, current record, hold, watch, undo
  std::unique_ptr<PgConnection> own_;
  PgConnection* active_ = nullptr;  // own_, or the transaction's connection
  std::string table_;               // quoted
  std::string name_;                // unquoted
  uint32_t oid_ = 0;                // the table's: the first half of every hold's lock key
  int pid_ = 0;                     // own_'s server process, as pg_locks names it
  std::set<int64_t> reserved_;      // this station's reservations (locked until put or gone)
  uint64_t writes_ = 0;             // changes made through this file (and closes)
  // The rows a reading loop read ahead (Step, Eof), and the statement, connection and writes
  // under which the next of them is the next read's row.
  PgResult batch_;
  int batch_next_ = 0;
  std::string batch_sql_;
  std::vector<std::string> batch_params_;
  const PgConnection* batch_conn_ = nullptr;
  uint64_t batch_writes_ = 0;
  std::chrono::steady_clock::time_point batch_time_;
};

}  // namespace rt
