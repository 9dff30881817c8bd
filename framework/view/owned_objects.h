// OwnedObjects: the heap objects one owner made and hands out by plain pointer, for rows of
// runtime queues, which are copied byte for byte and so cannot hold owning pointers. The set
// owns every object in it: Free ends one early, the rest go when the set goes.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <utility>

namespace fw {

template <typename T>
class OwnedObjects {
 public:
  OwnedObjects() = default;
  OwnedObjects(const OwnedObjects&) = delete;
  OwnedObjects& operator=(const OwnedObjects&) = delete;

  template <typename... Args>
  T* Make(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = object.get();
    objects_.emplace(raw, std::move(object));
    return raw;
  }

  // Null, or an object this set does not hold, is left alone.
  void Free(const T* object) {
    if (object) objects_.erase(object);
  }

  size_t Count() const { return objects_.size(); }

 private:
  std::unordered_map<const T*, std::unique_ptr<T>> objects_;
};

}  // namespace fw
