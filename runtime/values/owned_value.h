// OwnedValue: a private variable of any runtime type, for copies the framework keeps of a
// caller's value (saved field values, buffered pairs, queue columns). It owns its storage;
// Ref() refers to it and stays valid while the value lives (moves keep the storage).
#pragma once

#include <memory>

#include "runtime/values/any_ref.h"

namespace rt {

class OwnedValue {
 public:
  OwnedValue() = default;
  // A cleared value of the given type and size (the size counts for texts and groups).
  OwnedValue(Type type, size_t size);
  // A value of from's type and size holding a copy of its current value.
  static OwnedValue CopyOf(const AnyRef& from);

  OwnedValue(const OwnedValue& o);
  OwnedValue& operator=(const OwnedValue& o);
  OwnedValue(OwnedValue&&) noexcept = default;
  OwnedValue& operator=(OwnedValue&&) noexcept = default;

  AnyRef Ref() const { return AnyRef(type_, storage_.get(), size_); }
  bool IsNull() const { return storage_ == nullptr; }

 private:
  Type type_ = Type::Long;
  size_t size_ = 0;
  std::unique_ptr<unsigned char[]> storage_;
};

}  // namespace rt
