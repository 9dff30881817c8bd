// FieldPairs: an ordered list of (LEFT, RIGHT) references to variables of any runtime type,
// copied and compared as a whole (record field and list column, field and saved value).
// A reference to a caller's variable is never freed and the variable must remain live while
// the pairs are in use; a private copy made by AppendItem belongs to its entry.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "runtime/values/any_ref.h"
#include "runtime/values/owned_value.h"

namespace fw {

class FieldPairs {
 public:
  FieldPairs() = default;
  FieldPairs(const FieldPairs&) = delete;
  FieldPairs& operator=(const FieldPairs&) = delete;
  virtual ~FieldPairs() = default;

  // Releases any list it already has, then starts a new empty one.
  void Setup();
  // Releases every entry and the private values they own; the caller's variables stay as they
  // are. Calling it again, or before Setup, does nothing.
  void Teardown();

  // Appends (left, right), both referring to the caller's variables. A pair with a null
  // reference is refused (false) and nothing is appended. An append before Setup starts the
  // list, so no pair is lost.
  virtual bool AppendPair(const rt::AnyRef& left, const rt::AnyRef& right);
  // Appends (field, a private copy of field's current value), through AppendPair so a derived
  // list gives the entry whatever else its pairs carry.
  bool AppendItem(const rt::AnyRef& field);

  void TransferLeftToRight();
  void TransferRightToLeft();
  void BlankLeft();   // zero, or blank for texts
  void BlankRight();
  // True when every entry's two values are equal (compared by value across types); an empty
  // list matches.
  bool LeftMatchesRight() const;
  bool AllMatch() const { return LeftMatchesRight(); }

  // Entries in the order they were appended, counted from 0. Out of range gives a null AnyRef.
  size_t Count() const;
  rt::AnyRef Left(size_t i) const;
  rt::AnyRef Right(size_t i) const;

 protected:
  struct Entry {
    rt::AnyRef LEFT;
    rt::AnyRef RIGHT;
    rt::AnyRef BUFFER;              // null unless the list is buffered
    rt::OwnedValue owned_right;     // AppendItem's copy; RIGHT refers to it
    rt::OwnedValue owned_buffer;    // BUFFER refers to it
  };
  // Appends an entry and returns it; starts the list when there is none.
  Entry& NewEntry(const rt::AnyRef& left, const rt::AnyRef& right);
  const Entry* At(size_t i) const;

  // Null before Setup and after Teardown. Entries may own values whose storage stays put when
  // the vector grows, so references into them survive appends.
  std::unique_ptr<std::vector<Entry>> LIST;
};

}  // namespace fw
