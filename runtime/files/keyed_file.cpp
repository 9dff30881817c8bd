#include "runtime/files/keyed_file.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/files/keyed_file_schema.h"
#include "runtime/files/pg_keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"
#include "runtime/files/store_choice.h"
#include "runtime/files/transaction.h"

namespace rt {

KeyedFile::KeyedFile(const FileDeclaration& declaration, void* buffer)
    : decl_(declaration), buffer_(buffer), name_(declaration.Name()) {
  FollowStoreChoice();
}

// A closed file goes to the store chosen now: a file object that outlives a change of the
// choice (one made before the program read its options, or kept from test to test) opens
// where the process keeps its files, not where they were kept when it was made.
void KeyedFile::FollowStoreChoice() {
  const std::string& uri = StoreChoice::Uri();
  if (driver_ && driver_->IsOpen()) return;
  if (uri.empty()) {
    if (!driver_ || !driver_->AsSqlite()) driver_ = std::make_unique<SqliteKeyedFile>(*this);
  } else if (!driver_ || !driver_->AsPg() || driver_->AsPg()->Uri() != uri) {
    driver_ = std::make_unique<PgKeyedFile>(*this, uri);
  }
}

KeyedFile::~KeyedFile() {
  driver_.reset();  // closes the file first: the driver still uses this object's name and marks
  Transaction::Forget(this);
}

SqliteKeyedFile* KeyedFile::Sqlite() const { return driver_->AsSqlite(); }
PgKeyedFile* KeyedFile::Pg() const { return driver_->AsPg(); }

int KeyedFile::Open(int access_mode) {
  FollowStoreChoice();
  return driver_->Open(access_mode);
}

int KeyedFile::Create() {
  FollowStoreChoice();
  return driver_->Create();
}

int KeyedFile::Close() { return driver_->Close(); }

int KeyedFile::BuildKeys() {
  FollowStoreChoice();
  return driver_->BuildKeys();
}
int KeyedFile::Send(std::string_view option) { return driver_->Send(option); }
bool KeyedFile::IsOpen() const { return driver_->IsOpen(); }
bool KeyedFile::IsReadOnly() const { return driver_->IsReadOnly(); }
bool KeyedFile::IsHeld() const { return driver_->IsHeld(); }
bool KeyedFile::IsWatched() const { return driver_->IsWatched(); }
const FileKey* KeyedFile::CurrentKey() const { return driver_->CurrentKey(); }

int KeyedFile::Flush() {
  SetLastError(IsOpen() ? kNoError : kFileNotOpen);
  return GetLastError().code;
}

int KeyedFile::SetBuffering(int, int, int, int) {
  SetLastError(kNoError);
  return kNoError;
}

int KeyedFile::NoMemo() {
  SetLastError(kNoError);
  return kNoError;
}

int KeyedFile::Set(const FileKey* key) { return driver_->Set(key); }
int KeyedFile::SetFromBuffer(const FileKey& key) { return driver_->SetFromBuffer(key); }
int KeyedFile::Next() { return driver_->Next(); }
int KeyedFile::Previous() { return driver_->Previous(); }
bool KeyedFile::Eof() { return driver_->Eof(); }
int KeyedFile::Get(const FileKey& key) { return driver_->Get(key); }
int KeyedFile::ClearCurrent() { return driver_->ClearCurrent(); }
int64_t KeyedFile::Records() { return driver_->Records(); }
std::string KeyedFile::Position(const FileKey* key) { return driver_->Position(key); }
int KeyedFile::Reset(const FileKey* key, std::string_view position) {
  return driver_->Reset(key, position);
}
int KeyedFile::Reget(const FileKey* key, std::string_view position) {
  return driver_->Reget(key, position);
}
int KeyedFile::Hold() { return driver_->Hold(); }
int KeyedFile::Watch() { return driver_->Watch(); }
int KeyedFile::Release() { return driver_->Release(); }

int KeyedFile::Add() { return driver_->Add(); }
int KeyedFile::Reserve() { return driver_->Reserve(); }
void KeyedFile::SeeReserved(bool on) { driver_->SeeReserved(on); }
int KeyedFile::DeleteAll(int64_t* deleted) { return driver_->DeleteAll(deleted); }
int KeyedFile::Put() { return driver_->Put(); }
int KeyedFile::Delete() { return driver_->Delete(); }
bool KeyedFile::Duplicate(const FileKey& key) { return driver_->Duplicate(key); }

void KeyedFile::Clear() {
  std::memset(buffer_, 0, decl_.RecordSize());
  decl_.Record().ClearRecord(buffer_);
  SetLastError(kNoError);
}

int KeyedFile::MarkForTransaction() {
  int code = kNoError;
  if (!IsOpen()) code = kFileNotOpen;
  else if (IsReadOnly()) code = kNotSupported;
  else Transaction::Mark(this);
  SetLastError(code);
  return code;
}

// The column names are the same in either store: the schema quotes them as both quote.
std::string KeyedFile::SelectList() const { return KeyedFileSchema(decl_).SelectList(); }

std::string KeyedFile::FieldColumn(size_t field) const {
  return field < decl_.FieldCount() ? KeyedFileSchema(decl_).QuotedColumn(field) : std::string();
}

std::string KeyedFile::ComponentSql(const FileKey& key, size_t c) const {
  return KeyedFileSchema(decl_).ComponentTerm(key, c);
}

}  // namespace rt
