// FileKey: one key of a file declaration: its label, its components (a field of the record and
// a direction each), and whether it is unique, ignores case and is the file's primary key.
// Keys are owned by their FileDeclaration; a `const FileKey*` stays valid as long as the
// declaration lives, so callers use it as the key's identity (nullptr means record order).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rt {

struct KeyComponent {
  size_t field = 0;       // index of the field in the record descriptor, from 0
  bool ascending = true;
};

class FileKey {
 public:
  FileKey(std::string label, int number) : label_(std::move(label)), number_(number) {}
  FileKey(const FileKey&) = delete;
  FileKey& operator=(const FileKey&) = delete;

  const std::string& Label() const { return label_; }  // e.g. "KF:nn_key"
  int Number() const { return number_; }               // 1 for the first declared key
  size_t ComponentCount() const { return components_.size(); }
  // Components are numbered from 0 here (the framework's component n is Component(n - 1)).
  const KeyComponent& Component(size_t c) const { return components_[c]; }
  const std::vector<KeyComponent>& Components() const { return components_; }
  bool Duplicates() const { return duplicates_; }  // false: the key is unique
  bool NoCase() const { return no_case_; }         // text components compare upper-cased
  bool Primary() const { return primary_; }

  // Declaration, used while the file is being declared (FileDeclaration::AddKey).
  FileKey& Ascending(size_t field) { components_.push_back({field, true}); return *this; }
  FileKey& Descending(size_t field) { components_.push_back({field, false}); return *this; }
  FileKey& Unique() { duplicates_ = false; return *this; }
  FileKey& AllowDuplicates() { duplicates_ = true; return *this; }
  FileKey& CaseSensitive() { no_case_ = false; return *this; }
  FileKey& IgnoreCase() { no_case_ = true; return *this; }
  FileKey& MakePrimary() { primary_ = true; return *this; }

 private:
  std::string label_;
  int number_;
  std::vector<KeyComponent> components_;
  bool duplicates_ = false;
  bool no_case_ = false;
  bool primary_ = false;
};

}  // namespace rt
