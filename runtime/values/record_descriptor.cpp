#include "runtime/values/record_descriptor.h"

#include "runtime/values/text.h"

namespace rt {

RecordDescriptor& RecordDescriptor::Add(std::string label, Type type, size_t size) {
  return AddAt(std::move(label), type, size_, size);
}

RecordDescriptor& RecordDescriptor::AddAt(std::string label, Type type, size_t offset,
                                          size_t size) {
  if (size_t fixed = FixedSize(type)) size = fixed;
  fields_.push_back(FieldDescriptor{std::move(label), type, offset, size});
  if (offset + size > size_) size_ = offset + size;
  return *this;
}

int RecordDescriptor::IndexOf(std::string_view label) const {
  std::string want = Upper(label);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (Upper(fields_[i].label) == want) return static_cast<int>(i);
  }
  return -1;
}

AnyRef RecordDescriptor::Field(void* record, size_t i) const {
  if (i >= fields_.size() || record == nullptr) return AnyRef();
  const FieldDescriptor& f = fields_[i];
  return AnyRef(f.type, static_cast<unsigned char*>(record) + f.offset, f.size);
}

AnyRef RecordDescriptor::Field(void* record, std::string_view label) const {
  int i = IndexOf(label);
  return i < 0 ? AnyRef() : Field(record, static_cast<size_t>(i));
}

void RecordDescriptor::ClearRecord(void* record) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].type != Type::Group) Field(record, i).Clear();
  }
}

}  // namespace rt
