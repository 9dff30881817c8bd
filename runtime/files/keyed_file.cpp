#include "runtime/files/keyed_file.h"

#include "runtime/error_codes.h"
#include "runtime/files/keyed_file_schema.h"
#include "runtime/files/transaction.h"
#include "runtime/last_error.h"

namespace rt {

// Interface placeholder: the implementation lands next.
class KeyedFileImpl {
 public:
  explicit KeyedFileImpl(const FileDeclaration& d) : schema(d) {}
  KeyedFileSchema schema;
};

namespace {
int NotYet() {
  SetLastError(kNotSupported);
  return kNotSupported;
}
}  // namespace

KeyedFile::KeyedFile(const FileDeclaration& declaration, void* buffer)
    : decl_(declaration), buffer_(buffer), name_(declaration.Name()),
      impl_(std::make_unique<KeyedFileImpl>(declaration)) {}
KeyedFile::~KeyedFile() = default;
int KeyedFile::Open(int) { return NotYet(); }
int KeyedFile::Create() { return NotYet(); }
int KeyedFile::Close() { return NotYet(); }
int KeyedFile::BuildKeys() { return NotYet(); }
int KeyedFile::Send(std::string_view) { return NotYet(); }
int KeyedFile::Flush() { return NotYet(); }
int KeyedFile::SetBuffering(int, int, int, int) { return NotYet(); }
int KeyedFile::NoMemo() { return NotYet(); }
bool KeyedFile::IsOpen() const { return false; }
bool KeyedFile::IsReadOnly() const { return false; }
int KeyedFile::Set(const FileKey*) { return NotYet(); }
int KeyedFile::SetFromBuffer(const FileKey&) { return NotYet(); }
int KeyedFile::Next() { return NotYet(); }
int KeyedFile::Previous() { return NotYet(); }
bool KeyedFile::Eof() { return true; }
int KeyedFile::Get(const FileKey&) { return NotYet(); }
int KeyedFile::ClearCurrent() { return NotYet(); }
int64_t KeyedFile::Records() { return -1; }
std::string KeyedFile::Position(const FileKey*) { return ""; }
int KeyedFile::Reset(const FileKey*, std::string_view) { return NotYet(); }
int KeyedFile::Reget(const FileKey*, std::string_view) { return NotYet(); }
int KeyedFile::Hold() { return NotYet(); }
int KeyedFile::Watch() { return NotYet(); }
int KeyedFile::Release() { return NotYet(); }
bool KeyedFile::IsHeld() const { return false; }
bool KeyedFile::IsWatched() const { return false; }
const FileKey* KeyedFile::CurrentKey() const { return nullptr; }
int KeyedFile::Add() { return NotYet(); }
int KeyedFile::Put() { return NotYet(); }
int KeyedFile::Delete() { return NotYet(); }
void KeyedFile::Clear() {}
bool KeyedFile::Duplicate(const FileKey&) { return false; }
int KeyedFile::MarkForTransaction() { return NotYet(); }
sqlite3* KeyedFile::Connection() const { return nullptr; }
std::string KeyedFile::SqlTable() const { return "\"main\".\"records\""; }
std::string KeyedFile::SelectList() const { return impl_->schema.SelectList(); }
std::string KeyedFile::FieldColumn(size_t field) const { return impl_->schema.QuotedColumn(field); }
std::string KeyedFile::ComponentSql(const FileKey& key, size_t c) const {
  return impl_->schema.ComponentTerm(key, c);
}
int KeyedFile::LoadRow(sqlite3_stmt*, int, const FileKey*) { return NotYet(); }

int Transaction::Start(const std::vector<KeyedFile*>&, int) { return NotYet(); }
int Transaction::Commit() { return NotYet(); }
int Transaction::Rollback() { return NotYet(); }
bool Transaction::Active() { return false; }

}  // namespace rt
