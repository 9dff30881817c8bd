// BufferedFieldPairs: field pairs whose entries carry a third value, BUFFER, private to the
// entry: the value a pair had when it was last saved (range values last used, a relation's
// linking value before a change). LEFT and RIGHT are the caller's, as in FieldPairs.
#pragma once

#include "framework/data/field_pairs.h"

namespace fw {

// One list serves both the inherited operations and the buffered ones: every entry of it has
// its BUFFER, so there is no separate list of three-value entries to keep in step.
class BufferedFieldPairs : public FieldPairs {
 public:
  // Appends (left, right) with BUFFER a new private value of right's type and size, cleared;
  // the caller's right is not touched. AppendItem comes through here as well, so its entries
  // get a BUFFER too.
  bool AppendPair(const rt::AnyRef& left, const rt::AnyRef& right) override;

  void TransferLeftToBuffer();
  void TransferRightToBuffer();
  void TransferBufferToLeft();
  void TransferBufferToRight();
  bool LeftMatchesBuffer() const;   // an empty list matches
  bool RightMatchesBuffer() const;

  // Counted from 0 like Left and Right; null out of range.
  rt::AnyRef Buffer(size_t i) const;
};

}  // namespace fw
