#include "framework/data/field_pairs.h"

#include <utility>

namespace fw {

void FieldPairs::Setup() {
  Teardown();
  LIST = std::make_unique<std::vector<Entry>>();
}

void FieldPairs::Teardown() { LIST.reset(); }

FieldPairs::Entry& FieldPairs::NewEntry(const rt::AnyRef& left, const rt::AnyRef& right) {
  if (!LIST) LIST = std::make_unique<std::vector<Entry>>();
  Entry& e = LIST->emplace_back();
  e.LEFT = left;
  e.RIGHT = right;
  return e;
}

bool FieldPairs::AppendPair(const rt::AnyRef& left, const rt::AnyRef& right) {
  if (left.IsNull() || right.IsNull()) return false;
  NewEntry(left, right);
  return true;
}

bool FieldPairs::AppendItem(const rt::AnyRef& field) {
  if (field.IsNull()) return false;
  rt::OwnedValue copy = rt::OwnedValue::CopyOf(field);
  size_t before = Count();
  if (!AppendPair(field, copy.Ref()) || Count() != before + 1) return false;
  // The copy's storage does not move with it, so RIGHT keeps referring to it.
  LIST->back().owned_right = std::move(copy);
  return true;
}

void FieldPairs::TransferLeftToRight() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.RIGHT.Assign(e.LEFT);
}

void FieldPairs::TransferRightToLeft() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.LEFT.Assign(e.RIGHT);
}

void FieldPairs::BlankLeft() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.LEFT.Clear();
}

void FieldPairs::BlankRight() {
  if (!LIST) return;
  for (Entry& e : *LIST) e.RIGHT.Clear();
}

bool FieldPairs::LeftMatchesRight() const {
  if (!LIST) return true;
  for (const Entry& e : *LIST) {
    if (!e.LEFT.Equals(e.RIGHT)) return false;
  }
  return true;
}

size_t FieldPairs::Count() const { return LIST ? LIST->size() : 0; }

const FieldPairs::Entry* FieldPairs::At(size_t i) const {
  return LIST && i < LIST->size() ? &(*LIST)[i] : nullptr;
}

rt::AnyRef FieldPairs::Left(size_t i) const {
  const Entry* e = At(i);
  return e ? e->LEFT : rt::AnyRef();
}

rt::AnyRef FieldPairs::Right(size_t i) const {
  const Entry* e = At(i);
  return e ? e->RIGHT : rt::AnyRef();
}

}  // namespace fw
