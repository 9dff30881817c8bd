// FileDeclaration: what a program declares about one keyed file (label and field prefix, file
// name, driver, record layout, keys, per-thread or not). It owns its keys; the record
// descriptor is a copy. It must outlive every KeyedFile made from it.
//
// Field numbers are from 0 in the typed accessors (as in RecordDescriptor); the property
// numbers the framework uses count fields and components from 1 and map as follows:
//   7311h LargeObjectCount()        7312h FieldCount()           7316h Name()
//   7317h FieldLabel(n - 1)         7C95h PerThread()
//   key 731Ah ComponentCount()      731Bh Duplicates()           731Dh NoCase()
//   key 731Eh Primary()             731Fh Component(c - 1).field + 1
//   key 7320h Component(c - 1).ascending
// Property() and KeyProperty() answer by number for code that is written that way.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_key.h"
#include "runtime/values/record_descriptor.h"

namespace rt {

enum FileProperty : int {
  kPropCurrentKey = 0x7300,      // KeyedFile::CurrentKey()
  kPropLogout = 0x7301,          // KeyedFile::MarkForTransaction()
  kPropWatched = 0x7304,         // KeyedFile::IsWatched()
  kPropHeld = 0x7305,            // KeyedFile::IsHeld()
  kPropLargeObjectCount = 0x7311,
  kPropFieldCount = 0x7312,
  kPropName = 0x7316,
  kPropFieldLabel = 0x7317,
  kPropComponentCount = 0x731A,
  kPropDuplicates = 0x731B,
  kPropNoCase = 0x731D,
  kPropPrimary = 0x731E,
  kPropComponentField = 0x731F,
  kPropComponentAscending = 0x7320,
  kPropPerThread = 0x7C95,
};

class FileDeclaration {
 public:
  // prefix: the label and field prefix ("KF"); name: the file name ("kf"), relative to the
  // working directory unless absolute.
  FileDeclaration(std::string prefix, std::string name, RecordDescriptor record);
  FileDeclaration(const FileDeclaration&) = delete;
  FileDeclaration& operator=(const FileDeclaration&) = delete;

  const std::string& Prefix() const { return prefix_; }
  const std::string& Name() const { return name_; }
  static const char* Driver() { return "KEYED"; }
  const RecordDescriptor& Record() const { return record_; }
  size_t RecordSize() const { return record_.RecordSize(); }
  bool PerThread() const { return per_thread_; }
  void SetPerThread(bool on) { per_thread_ = on; }

  size_t FieldCount() const { return record_.FieldCount(); }
  const std::string& FieldLabel(size_t field) const { return record_.field(field).label; }
  // The index of a field by label (case-insensitive); -1 when there is none.
  int FieldIndex(std::string_view label) const { return record_.IndexOf(label); }
  // Large-object (memo/blob) fields are not supported by this driver: always 0.
  size_t LargeObjectCount() const { return 0; }

  // Appends a key; fill it with the FileKey declaration calls. Its number is KeyCount().
  FileKey& AddKey(std::string label);
  size_t KeyCount() const { return keys_.size(); }
  const FileKey& Key(size_t i) const { return *keys_[i]; }  // from 0
  // The key with this label (case-insensitive), or nullptr.
  const FileKey* FindKey(std::string_view label) const;
  const FileKey* PrimaryKey() const;  // nullptr when no key is primary

  // True when a field's storage holds other fields (a group over them): such a field is
  // stored through its members, not as a column of its own.
  bool IsContainer(size_t field) const;

  // Declaration facts by property number (see the table above); index counts from 1 where
  // the property takes one. Unknown numbers give "".
  std::string Property(int number, int index = 0) const;
  std::string KeyProperty(const FileKey& key, int number, int component = 0) const;

  // A canonical text of everything that shapes the stored data (fields with types and sizes,
  // keys); a file created from another declaration stores another text.
  std::string Signature() const;
  // Empty when the declaration can be stored; otherwise what is wrong with it.
  std::string Problem() const;

 private:
  std::string prefix_;
  std::string name_;
  RecordDescriptor record_;
  std::vector<std::unique_ptr<FileKey>> keys_;
  bool per_thread_ = false;
};

}  // namespace rt
