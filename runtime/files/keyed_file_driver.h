// KeyedFileDriver: the store behind one KeyedFile. KeyedFile is what everything above
// runtime/files sees; it forwards each operation to its driver, which keeps the data either in a
// local SQLite file (SqliteKeyedFile) or in a PostgreSQL database (PgKeyedFile). The meaning of
// every operation, its codes and texts are KeyedFile's (keyed_file.h); a driver that cannot do
// something says so with 80 and a text, never with a success it did not have.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

class FileKey;
class SqliteKeyedFile;
class PgKeyedFile;

class KeyedFileDriver {
 public:
  virtual ~KeyedFileDriver() = default;

  // The store's own kind, for the transaction and the views, which run differently on each.
  virtual SqliteKeyedFile* AsSqlite() { return nullptr; }
  virtual PgKeyedFile* AsPg() { return nullptr; }

  virtual int Open(int access_mode) = 0;
  virtual int Create() = 0;
  virtual int Close() = 0;
  virtual int BuildKeys() = 0;
  virtual int Send(std::string_view option) = 0;
  virtual bool IsOpen() const = 0;
  virtual bool IsReadOnly() const = 0;
  virtual bool IsHeld() const = 0;
  virtual bool IsWatched() const = 0;
  virtual const FileKey* CurrentKey() const = 0;

  virtual int Set(const FileKey* key) = 0;
  virtual int SetFromBuffer(const FileKey& key) = 0;
  virtual int Next() = 0;
  virtual int Previous() = 0;
  virtual bool Eof() = 0;
  virtual int Get(const FileKey& key) = 0;
  virtual int ClearCurrent() = 0;
  virtual int64_t Records() = 0;
  virtual std::string Position(const FileKey* key) = 0;
  virtual int Reset(const FileKey* key, std::string_view position) = 0;
  virtual int Reget(const FileKey* key, std::string_view position) = 0;
  virtual int Hold() = 0;
  virtual int Watch() = 0;
  virtual int Release() = 0;

  virtual int Add() = 0;
  virtual int Reserve() = 0;
  virtual void SeeReserved(bool on) = 0;
  virtual int DeleteAll(int64_t* deleted) = 0;
  virtual int Put() = 0;
  virtual int Delete() = 0;
  virtual bool Duplicate(const FileKey& key) = 0;
};

}  // namespace rt
