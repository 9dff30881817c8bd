#include "runtime/values/owned_value.h"

#include <cstring>

namespace rt {

OwnedValue::OwnedValue(Type type, size_t size) : type_(type) {
  size_ = FixedSize(type) ? FixedSize(type) : size;
  // One spare byte so a zero-size value still has an address.
  storage_ = std::make_unique<unsigned char[]>(size_ + 1);
  Ref().Clear();
}

OwnedValue OwnedValue::CopyOf(const AnyRef& from) {
  OwnedValue v(from.type(), from.size());
  if (!from.IsNull()) std::memcpy(v.storage_.get(), from.address(), v.size_);
  return v;
}

OwnedValue::OwnedValue(const OwnedValue& o) : type_(o.type_), size_(o.size_) {
  if (o.storage_) {
    storage_ = std::make_unique<unsigned char[]>(size_ + 1);
    std::memcpy(storage_.get(), o.storage_.get(), size_ + 1);
  }
}

OwnedValue& OwnedValue::operator=(const OwnedValue& o) {
  if (this != &o) *this = OwnedValue(o);
  return *this;
}

}  // namespace rt
