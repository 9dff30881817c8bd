#include "runtime/files/file_declaration.h"

#include <cstdio>

#include "runtime/values/text.h"

namespace rt {

FileDeclaration::FileDeclaration(std::string prefix, std::string name, RecordDescriptor record)
    : prefix_(std::move(prefix)), name_(std::move(name)), record_(std::move(record)) {}

FileKey& FileDeclaration::AddKey(std::string label) {
  keys_.push_back(std::make_unique<FileKey>(std::move(label), static_cast<int>(keys_.size()) + 1));
  return *keys_.back();
}

const FileKey* FileDeclaration::FindKey(std::string_view label) const {
  std::string want = Upper(label);
  for (const auto& k : keys_) {
    if (Upper(k->Label()) == want) return k.get();
  }
  return nullptr;
}

const FileKey* FileDeclaration::PrimaryKey() const {
  for (const auto& k : keys_) {
    if (k->Primary()) return k.get();
  }
  return nullptr;
}

bool FileDeclaration::IsContainer(size_t field) const {
  const FieldDescriptor& f = record_.field(field);
  if (f.type != Type::Group) return false;
  for (size_t i = 0; i < record_.FieldCount(); ++i) {
    if (i == field) continue;
    const FieldDescriptor& g = record_.field(i);
    if (g.offset >= f.offset && g.offset + g.size <= f.offset + f.size && g.size < f.size) {
      return true;
    }
  }
  return false;
}

namespace {
std::string Flag(bool b) { return b ? "1" : "0"; }
}  // namespace

std::string FileDeclaration::Property(int number, int index) const {
  switch (number) {
    case kPropLargeObjectCount: return std::to_string(LargeObjectCount());
    case kPropFieldCount: return std::to_string(FieldCount());
    case kPropName: return name_;
    case kPropFieldLabel:
      if (index >= 1 && static_cast<size_t>(index) <= FieldCount()) return FieldLabel(index - 1);
      return "";
    case kPropPerThread: return Flag(per_thread_);
    default: return "";
  }
}

std::string FileDeclaration::KeyProperty(const FileKey& key, int number, int component) const {
  bool in_range = component >= 1 && static_cast<size_t>(component) <= key.ComponentCount();
  switch (number) {
    case kPropComponentCount: return std::to_string(key.ComponentCount());
    case kPropDuplicates: return Flag(key.Duplicates());
    case kPropNoCase: return Flag(key.NoCase());
    case kPropPrimary: return Flag(key.Primary());
    case kPropComponentField:
      return in_range ? std::to_string(key.Component(component - 1).field + 1) : "";
    case kPropComponentAscending:
      return in_range ? Flag(key.Component(component - 1).ascending) : "";
    default: return "";
  }
}

std::string FileDeclaration::Signature() const {
  // Offsets are left out on purpose: the stored columns do not depend on where a field sits
  // in the buffer, only on what it holds.
  std::string s = "tovik-keyed 1\nprefix " + Upper(prefix_) + "\n";
  for (size_t i = 0; i < record_.FieldCount(); ++i) {
    if (IsContainer(i)) continue;
    const FieldDescriptor& f = record_.field(i);
    s += "field " + Upper(f.label) + " " + TypeName(f.type) + " " + std::to_string(f.size) + "\n";
  }
  for (const auto& k : keys_) {
    s += "key " + Upper(k->Label()) + (k->Duplicates() ? " dup" : " unique") +
         (k->NoCase() ? " nocase" : " case") + (k->Primary() ? " primary" : "");
    for (const KeyComponent& c : k->Components()) {
      s += std::string(" ") + (c.ascending ? "+" : "-") + Upper(record_.field(c.field).label);
    }
    s += "\n";
  }
  return s;
}

std::string FileDeclaration::Problem() const {
  if (record_.FieldCount() == 0) return "the record has no fields";
  for (const auto& k : keys_) {
    if (k->ComponentCount() == 0) return "key " + k->Label() + " has no components";
    for (const KeyComponent& c : k->Components()) {
      if (c.field >= record_.FieldCount()) return "key " + k->Label() + " names no field";
      if (IsContainer(c.field)) return "key " + k->Label() + " is on a group of fields";
    }
  }
  for (size_t i = 0; i < record_.FieldCount(); ++i) {
    for (size_t j = i + 1; j < record_.FieldCount(); ++j) {
      if (Upper(record_.field(i).label) == Upper(record_.field(j).label)) {
        return "two fields are labelled " + record_.field(i).label;
      }
    }
  }
  return "";
}

}  // namespace rt
