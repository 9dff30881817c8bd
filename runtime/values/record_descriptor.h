// RecordDescriptor: the layout of a packed record (a file's record buffer, a queue row):
// fields with a label such as "KF:NN", a type, an offset and a size. It describes memory
// it does not own; Field() binds a field of a given record to an AnyRef.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/any_ref.h"

namespace rt {

struct FieldDescriptor {
  std::string label;  // e.g. "KF:NN"; compared without regard to case
  Type type = Type::Long;
  size_t offset = 0;
  size_t size = 0;
};

class RecordDescriptor {
 public:
  // Appends a field right after the previous one (packed). The size counts for texts and
  // groups; numeric types have their own.
  RecordDescriptor& Add(std::string label, Type type, size_t size = 0);
  // Appends a field at an explicit offset (for layouts with gaps or overlaid groups).
  RecordDescriptor& AddAt(std::string label, Type type, size_t offset, size_t size = 0);

  size_t FieldCount() const { return fields_.size(); }
  // Fields are numbered from 0 here.
  const FieldDescriptor& field(size_t i) const { return fields_[i]; }
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  // The index of the field with this label (case-insensitive), or -1.
  int IndexOf(std::string_view label) const;
  // Bytes a record of this layout needs: the end of its furthest field.
  size_t RecordSize() const { return size_; }

  AnyRef Field(void* record, size_t i) const;
  AnyRef Field(void* record, std::string_view label) const;  // null AnyRef when unknown
  // Clears every field of the record (zero or blanks).
  void ClearRecord(void* record) const;

 private:
  std::vector<FieldDescriptor> fields_;
  size_t size_ = 0;
};

}  // namespace rt
