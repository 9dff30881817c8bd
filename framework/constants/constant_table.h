// ConstantTable: reads a packed constant table (fixed-layout records of numbers and texts)
// record by record into variables the caller binds beforehand. It owns its copy of the table
// and its item list; the bound variables are the caller's and must remain live while it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/values/any_ref.h"
#include "runtime/values/row_queue.h"

namespace fw {

class ConstantTable {
 public:
  // How the end of the table is found.
  enum Termination : uint8_t {
    kToEndOfTable = 1,   // the bytes run out at the start of a record
    kWordCount = 2,      // the table starts with a 16-bit record count
    kByteCount = 3,      // the table starts with a one-byte record count
    kTerminator = 4,     // a record whose first item equals TERMINATORVALUE
  };
  // Item kinds; numbers are stored little-endian.
  enum ItemKind : uint8_t {
    kZeroTerminatedText = 1,  // bytes up to a 0 byte, at most kMaxText of them kept
    kCountedText = 2,         // a length byte n, then n bytes
    kByte = 3,
    kShort = 4,               // signed 16-bit
    kUShort = 5,
    kLong = 6,                // signed 32-bit
  };
  static constexpr size_t kMaxText = 1024;
  static constexpr size_t kTerminatorSize = 32;

  struct DescriptorRow {
    uint8_t ITEMTYPE;
    rt::AnyRef DESTINATION;
  };

  ConstantTable();
  ConstantTable(const ConstantTable&) = delete;
  ConstantTable& operator=(const ConstantTable&) = delete;

  // Releases what an earlier Setup made, then starts with no table, no items, an empty
  // terminator value and the given termination. A termination other than 1 to 4 reads to the
  // end of the table like termination 1.
  void Setup(uint8_t termination);
  // Adds an item to the record layout, in reading order. A kind outside 1..6 or a null
  // variable is refused (false) and leaves the layout as it was.
  bool BindItem(uint8_t kind, const rt::AnyRef& variable);
  // Keeps its own copy of the table, releasing the previous one, and starts reading from the
  // beginning. A null pointer with a non-zero size, or a table of 2 GiB or more, is refused
  // (false) and leaves no table set.
  bool SetSource(const void* table, size_t size);
  // The record end marker for termination 4, compared as a value with the first item of each
  // record once it is in its variable; cut to 32 bytes.
  void SetTerminatorValue(std::string_view value);
  // Back to the first record; for terminations 2 and 3 reads the count again.
  void Reset();
  // 0 when a whole record was read into the bound variables; 5 at the end of the table.
  // The variables change only when a whole record is delivered: a record that would run past
  // the end of the table, and the terminator record, leave them with the last record's values.
  // After a 5, reading stays at the end until Reset or SetSource.
  int ReadRecord();
  // Drops every variable reference and frees the item list and the copy of the table.
  void Teardown();

  int32_t CharPnt() const { return CHARPNT; }
  uint16_t Items() const { return ITEMS; }
  uint32_t RecordPnt() const { return RECORDPNT; }
  int32_t SourceSize() const { return SOURCESIZE; }
  bool HasSource() const { return STR != nullptr; }
  uint8_t GetTermination() const { return TERMINATION; }
  std::string TerminatorValue() const;
  size_t ItemCount() const { return DESCRIPTOR ? DESCRIPTOR->Records() : 0; }

 private:
  // Reads one item of the given kind at offset *pos into out and moves *pos past it; false,
  // with *pos unchanged, when the item does not lie wholly inside the table.
  bool ReadItem(uint8_t kind, size_t* pos, rt::AnyRef out) const;
  bool HasRecordCount() const { return TERMINATION == kWordCount || TERMINATION == kByteCount; }

  int32_t CHARPNT = 1;        // next byte to read, from 1
  uint16_t ITEMS = 0;         // records announced by terminations 2 and 3
  // Next record, from 1. Wider than the table's 16-bit count so that counting the 65535th
  // record of a kWordCount table cannot wrap back to 0 and read on forever.
  uint32_t RECORDPNT = 1;
  int32_t SOURCESIZE = 0;
  std::unique_ptr<uint8_t[]> STR;             // our copy of the table; null before SetSource
  uint8_t TERMINATION = kToEndOfTable;
  char TERMINATORVALUE[kTerminatorSize] = {};  // STRING(32), blank-padded
  std::unique_ptr<rt::Queue<DescriptorRow>> DESCRIPTOR;
};

}  // namespace fw
