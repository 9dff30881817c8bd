// Feeds arbitrary bytes to the constant table reader: the first byte picks the termination
// and the record layout, the rest is the table. The reader must come to an end and never
// touch a byte outside its copy of the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/constants/constant_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t layout = data[0];
  fw::ConstantTable table;
  // 0 and 5 are terminations the reader does not know; they must still end.
  table.Setup(layout % 6);
  table.SetTerminatorValue("0");

  // Destinations of every type: short and long texts, numbers narrower and wider than items.
  char short_text[4];
  char long_text[1100];
  uint16_t word = 0;
  int32_t number = 0;
  double real = 0;
  const rt::AnyRef destinations[] = {rt::AnyRef::CString(short_text), rt::AnyRef::String(long_text),
                                     rt::AnyRef::Of(word), rt::AnyRef::Of(number),
                                     rt::AnyRef::Of(real)};
  const int items = (layout / 6) % 4;  // 0 to 3, so an empty layout is tried too
  const int first_kind = layout / 24;
  for (int i = 0; i < items; ++i) {
    table.BindItem(static_cast<uint8_t>(1 + (first_kind + i) % 6), destinations[(layout + i) % 5]);
  }
  table.SetSource(data + 1, size - 1);

  // Every record of a byte-ended table takes at least one byte and a count is at most 65535,
  // so this bound is never what stops a sound reader.
  const size_t bound = 65536 + size;
  const int32_t source_size = table.SourceSize();
  size_t records = 0;
  while (records <= bound && table.ReadRecord() == 0) {
    ++records;
    if (table.CharPnt() < 1 || table.CharPnt() > source_size + 1) std::abort();
  }
  if (records > bound) std::abort();
  if (table.ReadRecord() != 5) std::abort();  // the end stays the end
  table.Teardown();
  return 0;
}
