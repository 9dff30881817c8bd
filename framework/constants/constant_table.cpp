#include "framework/constants/constant_table.h"

#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "runtime/values/owned_value.h"
#include "runtime/values/text.h"

namespace fw {

namespace {

constexpr int kRecordRead = 0;
constexpr int kEndOfTable = 5;

uint32_t LoadLittleEndian(const uint8_t* p, size_t bytes) {
  uint32_t v = 0;
  for (size_t i = bytes; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

}  // namespace

ConstantTable::ConstantTable() { std::memset(TERMINATORVALUE, ' ', sizeof TERMINATORVALUE); }

void ConstantTable::Setup(uint8_t termination) {
  Teardown();
  DESCRIPTOR = std::make_unique<rt::Queue<DescriptorRow>>();
  TERMINATION = termination;
  SetTerminatorValue("");
  Reset();
}

bool ConstantTable::BindItem(uint8_t kind, const rt::AnyRef& variable) {
  if (kind < kZeroTerminatedText || kind > kLong || variable.IsNull()) return false;
  if (!DESCRIPTOR) DESCRIPTOR = std::make_unique<rt::Queue<DescriptorRow>>();
  DESCRIPTOR->buffer.ITEMTYPE = kind;
  DESCRIPTOR->buffer.DESTINATION = variable;
  DESCRIPTOR->Append();
  return true;
}

bool ConstantTable::SetSource(const void* table, size_t size) {
  STR.reset();
  SOURCESIZE = 0;
  bool ok = (table != nullptr || size == 0) &&
            size < static_cast<size_t>(std::numeric_limits<int32_t>::max());
  if (ok) {
    // One spare byte so an empty table still has a copy, distinct from having none.
    STR = std::make_unique<uint8_t[]>(size + 1);
    if (size) std::memcpy(STR.get(), table, size);
    SOURCESIZE = static_cast<int32_t>(size);
  }
  Reset();
  return ok;
}

void ConstantTable::SetTerminatorValue(std::string_view value) {
  rt::AnyRef::String(TERMINATORVALUE).SetText(value);
}

std::string ConstantTable::TerminatorValue() const {
  return std::string(rt::Clip(std::string_view(TERMINATORVALUE, sizeof TERMINATORVALUE)));
}

void ConstantTable::Reset() {
  RECORDPNT = 1;
  CHARPNT = 1;
  ITEMS = 0;
  if (!STR) return;
  size_t pos = 0;
  uint16_t count = 0;
  rt::AnyRef into = rt::AnyRef::Of(count);
  // A table too short to hold its count announces no records.
  if (TERMINATION == kWordCount && ReadItem(kUShort, &pos, into)) ITEMS = count;
  if (TERMINATION == kByteCount && ReadItem(kByte, &pos, into)) ITEMS = count;
  CHARPNT = static_cast<int32_t>(pos) + 1;
}

bool ConstantTable::ReadItem(uint8_t kind, size_t* pos, rt::AnyRef out) const {
  const size_t size = static_cast<size_t>(SOURCESIZE);
  if (!STR || *pos > size) return false;
  const uint8_t* at = STR.get() + *pos;
  const size_t left = size - *pos;
  switch (kind) {
    case kZeroTerminatedText: {
      const void* zero = std::memchr(at, 0, left);
      if (!zero) return false;  // the text would run past the end
      size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - at);
      // Only the first kMaxText bytes are kept; the rest of an over-long text is skipped up
      // to its zero so the next item starts where the table says it does.
      std::string_view text(reinterpret_cast<const char*>(at), length);
      out.SetText(rt::CutToBytes(text, kMaxText));
      *pos += length + 1;
      return true;
    }
    case kCountedText: {
      if (left < 1 || left - 1 < at[0]) return false;
      out.SetText(std::string_view(reinterpret_cast<const char*>(at + 1), at[0]));
      *pos += 1 + at[0];
      return true;
    }
    case kByte:
      if (left < 1) return false;
      out.SetInteger(at[0]);
      *pos += 1;
      return true;
    case kShort:
      if (left < 2) return false;
      out.SetInteger(static_cast<int16_t>(LoadLittleEndian(at, 2)));
      *pos += 2;
      return true;
    case kUShort:
      if (left < 2) return false;
      out.SetInteger(static_cast<uint16_t>(LoadLittleEndian(at, 2)));
      *pos += 2;
      return true;
    case kLong:
      // "Low 16 bits first" with each half little-endian is plain little-endian.
      if (left < 4) return false;
      out.SetInteger(static_cast<int32_t>(LoadLittleEndian(at, 4)));
      *pos += 4;
      return true;
  }
  return false;
}

int ConstantTable::ReadRecord() {
  if (!DESCRIPTOR) return kEndOfTable;
  const size_t items = DESCRIPTOR->Records();
  if (HasRecordCount()) {
    if (RECORDPNT > ITEMS) return kEndOfTable;
  } else {
    // With no items a record consumes no bytes, so the end would never be reached.
    if (items == 0) return kEndOfTable;
    // Termination 4 has its own end test, but a table without its terminator record still
    // ends with its bytes; other terminations read to the end of the table like 1.
    if (TERMINATION != kTerminator && CHARPNT > SOURCESIZE) return kEndOfTable;
  }

  // The record is read into values of the variables' own types first and handed over only
  // when all of it was there, so a cut-off record or the terminator changes nothing.
  std::vector<rt::OwnedValue> values;
  values.reserve(items);
  size_t pos = static_cast<size_t>(CHARPNT - 1);
  for (size_t i = 1; i <= items; ++i) {
    const DescriptorRow& row = *DESCRIPTOR->At(i);
    rt::OwnedValue value(row.DESTINATION.type(), row.DESTINATION.size());
    if (!ReadItem(row.ITEMTYPE, &pos, value.Ref())) return kEndOfTable;
    if (i == 1 && TERMINATION == kTerminator &&
        value.Ref().Equals(rt::AnyRef::String(TERMINATORVALUE))) {
      return kEndOfTable;
    }
    values.push_back(std::move(value));
  }
  for (size_t i = 1; i <= items; ++i) {
    const rt::AnyRef& to = DESCRIPTOR->At(i)->DESTINATION;
    std::memcpy(to.address(), values[i - 1].Ref().address(), to.size());
  }
  CHARPNT = static_cast<int32_t>(pos) + 1;
  ++RECORDPNT;
  return kRecordRead;
}

void ConstantTable::Teardown() {
  DESCRIPTOR.reset();
  STR.reset();
  SOURCESIZE = 0;
  Reset();
}

}  // namespace fw
