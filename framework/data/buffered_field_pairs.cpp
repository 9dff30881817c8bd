#include "framework/data/buffered_field_pairs.h"

#include <utility>

namespace fw {

bool BufferedFieldPairs::AppendPair(const rt::AnyRef& left, const rt::AnyRef& right) {
  if (left.IsNull() || right.IsNull()) return false;
  // A fresh value of right's type is already cleared, which is all the saved value needs
  // to start as; right itself is never cleared and restored.
  rt::OwnedValue buffer(right.type(), right.size());
  Entry& e = NewEntry(left, right);
  e.BUFFER = buffer.Ref();
  e.owned_buffer = std::move(buffer);
  return true;
}

void BufferedFieldPairs::TransferLeftToBuffer() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.BUFFER.Assign(e.LEFT);
}

void BufferedFieldPairs::TransferRightToBuffer() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.BUFFER.Assign(e.RIGHT);
}

void BufferedFieldPairs::TransferBufferToLeft() {
  if (!LIST) return;
  for (Entry& e : *LIST) {
    if (!e.BUFFER.IsNull()) e.LEFT.Assign(e.BUFFER);
  }
}

void BufferedFieldPairs::TransferBufferToRight() {
  if (!LIST) return;
  for (Entry& e : *LIST) {
    if (!e.BUFFER.IsNull()) e.RIGHT.Assign(e.BUFFER);
  }
}

// An entry without a BUFFER can only come from a subclass that bypassed AppendPair; it has
// nothing saved, so it never matches.
bool BufferedFieldPairs::LeftMatchesBuffer() const {
  if (!LIST) return true;
  for (const Entry& e : *LIST) {
    if (e.BUFFER.IsNull() || !e.LEFT.Equals(e.BUFFER)) return false;
  }
  return true;
}

bool BufferedFieldPairs::RightMatchesBuffer() const {
  if (!LIST) return true;
  for (const Entry& e : *LIST) {
    if (e.BUFFER.IsNull() || !e.RIGHT.Equals(e.BUFFER)) return false;
  }
  return true;
}

rt::AnyRef BufferedFieldPairs::Buffer(size_t i) const {
  const Entry* e = At(i);
  return e ? e->BUFFER : rt::AnyRef();
}

}  // namespace fw
