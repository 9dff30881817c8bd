#include "framework/constants/constant_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace fw {
namespace {

// Builds a packed table the way the tables are laid out: little-endian numbers, texts either
// zero-terminated or with a length byte.
struct Table {
  std::string bytes;
  Table& U8(unsigned v) { bytes.push_back(static_cast<char>(v)); return *this; }
  Table& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Table& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Table& Zero(const std::string& t) { bytes += t; return U8(0); }
  Table& Counted(const std::string& t) { U8(static_cast<unsigned>(t.size())); bytes += t; return *this; }
};

// The tool tip layout the toolbar uses: a control number and a text of up to 255 characters.
struct TipReader {
  ConstantTable table;
  uint16_t control = 0;
  char tip[256] = {};
  explicit TipReader(uint8_t termination) {
    table.Setup(termination);
    EXPECT_TRUE(table.BindItem(ConstantTable::kUShort, rt::AnyRef::Of(control)));
    EXPECT_TRUE(table.BindItem(ConstantTable::kCountedText, rt::AnyRef::CString(tip)));
  }
  ~TipReader() { table.Teardown(); }
  void Source(const Table& t) { EXPECT_TRUE(table.SetSource(t.bytes.data(), t.bytes.size())); }
  std::string Tip() const { return tip; }
};

TEST(ConstantTableTest, CountedTablesReadExactlyTheAnnouncedRecords) {
  {
    Table t;
    t.U8(8);
    for (int i = 0; i < 8; ++i) t.U16(i % 2 ? 3001 : 3002).Counted("tip " + std::to_string(i));
    t.U16(4000).Counted("beyond the count");
    TipReader r(ConstantTable::kByteCount);
    r.Source(t);
    EXPECT_EQ(r.table.Items(), 8);
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(r.table.ReadRecord(), 0) << i;
      EXPECT_EQ(r.control, i % 2 ? 3001 : 3002);  // repeated control numbers end nothing
      EXPECT_EQ(r.Tip(), "tip " + std::to_string(i));
    }
    EXPECT_EQ(r.table.ReadRecord(), 5);
    EXPECT_EQ(r.control, 3001);  // the end leaves the last record in place
    EXPECT_EQ(r.table.ReadRecord(), 5);
    r.table.Reset();
    ASSERT_EQ(r.table.ReadRecord(), 0);
    EXPECT_EQ(r.Tip(), "tip 0");
  }
  {
    TipReader r(ConstantTable::kByteCount);
    r.Source(Table().U8(0).U16(1).Counted("never read"));
    EXPECT_EQ(r.table.ReadRecord(), 5);
    EXPECT_EQ(r.control, 0);
  }
  {
    Table t;
    t.U16(300);
    for (int i = 0; i < 300; ++i) t.U16(i).Counted("");
    TipReader r(ConstantTable::kWordCount);
    r.Source(t);
    EXPECT_EQ(r.table.Items(), 300);
    int read = 0;
    while (r.table.ReadRecord() == 0) ++read;
    EXPECT_EQ(read, 300);
    EXPECT_EQ(r.control, 299);
  }
}

TEST(ConstantTableTest, ReadsEveryItemKind) {
  ConstantTable table;
  char zero_text[16], counted[16];
  uint8_t byte = 0;
  int16_t signed16 = 0;
  uint16_t unsigned16 = 0;
  int32_t long32 = 0;
  double as_real = 0;
  table.Setup(ConstantTable::kToEndOfTable);
  table.BindItem(1, rt::AnyRef::CString(zero_text));
  table.BindItem(2, rt::AnyRef::String(counted));
  table.BindItem(3, rt::AnyRef::Of(byte));
  table.BindItem(4, rt::AnyRef::Of(signed16));
  table.BindItem(5, rt::AnyRef::Of(unsigned16));
  table.BindItem(6, rt::AnyRef::Of(long32));
  table.BindItem(6, rt::AnyRef::Of(as_real));  // numbers convert to the variable's type
  Table t;
  t.Zero("Сумма").Counted("из :").U8(0xFE).U16(0xFFFE).U16(0xFFFE).U32(0x12345678).U32(0xFFFFFFFF);
  t.Zero("").Counted("").U8(0).U16(0x8000).U16(0x8000).U32(0x80000000).U32(7);
  ASSERT_TRUE(table.SetSource(t.bytes.data(), t.bytes.size()));

  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_STREQ(zero_text, "Сумма");
  EXPECT_EQ(rt::AnyRef::String(counted).Text(), "из :");
  EXPECT_EQ(byte, 0xFE);
  EXPECT_EQ(signed16, -2);
  EXPECT_EQ(unsigned16, 0xFFFE);
  EXPECT_EQ(long32, 0x12345678);
  EXPECT_EQ(as_real, -1.0);

  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_STREQ(zero_text, "");
  EXPECT_EQ(rt::AnyRef::String(counted).RawText(), std::string(16, ' '));
  EXPECT_EQ(signed16, -32768);
  EXPECT_EQ(unsigned16, 0x8000);
  EXPECT_EQ(long32, INT32_MIN);
  EXPECT_EQ(as_real, 7.0);
  EXPECT_EQ(table.CharPnt(), table.SourceSize() + 1);
  EXPECT_EQ(table.ReadRecord(), 5);  // termination 1: the bytes ran out
  table.Teardown();
}

TEST(ConstantTableTest, TextEdgeCases) {
  // A text of length 0 consumes exactly its length byte.
  TipReader r(ConstantTable::kToEndOfTable);
  r.Source(Table().U16(5).Counted("").U16(6).Counted("x"));
  ASSERT_EQ(r.table.ReadRecord(), 0);
  EXPECT_EQ(r.Tip(), "");
  EXPECT_EQ(r.table.CharPnt(), 1 + 2 + 1);
  ASSERT_EQ(r.table.ReadRecord(), 0);
  EXPECT_EQ(r.control, 6);
  EXPECT_EQ(r.Tip(), "x");

  // An over-long zero-terminated text is cut at 1024 bytes and the next item starts after
  // its zero.
  ConstantTable table;
  char text[2048];
  uint8_t after = 0;
  table.Setup(ConstantTable::kToEndOfTable);
  table.BindItem(1, rt::AnyRef::CString(text));
  table.BindItem(3, rt::AnyRef::Of(after));
  std::string long_text(1500, 'a');
  long_text[1023] = 'z';
  long_text[1024] = 'Q';
  Table t;
  t.Zero(long_text).U8(42).Zero("short").U8(43);
  table.SetSource(t.bytes.data(), t.bytes.size());
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(std::strlen(text), 1024u);
  EXPECT_EQ(text[1023], 'z');
  EXPECT_EQ(after, 42);
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_STREQ(text, "short");
  EXPECT_EQ(after, 43);
  EXPECT_EQ(table.ReadRecord(), 5);

  // The cut never splits a character.
  std::string cyrillic = std::string(1023, 'b') + "Я";
  t = Table();
  t.Zero(cyrillic).U8(1);
  table.SetSource(t.bytes.data(), t.bytes.size());
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(std::strlen(text), 1023u);
  EXPECT_EQ(after, 1);
  table.Teardown();
}

TEST(ConstantTableTest, TerminatorRecordEndsTheTable) {
  TipReader r(ConstantTable::kTerminator);
  r.table.SetTerminatorValue("0");
  r.Source(Table().U16(11).Counted("first").U16(12).Counted("second").U16(0).Counted("after"));
  ASSERT_EQ(r.table.ReadRecord(), 0);
  ASSERT_EQ(r.table.ReadRecord(), 0);
  EXPECT_EQ(r.table.ReadRecord(), 5);
  EXPECT_EQ(r.table.RecordPnt(), 3u);  // the terminator record is not counted
  EXPECT_EQ(r.control, 12);
  EXPECT_EQ(r.Tip(), "second");
  EXPECT_EQ(r.table.ReadRecord(), 5);  // and does not read on past it

  // A text terminator, compared as the value the variable would hold.
  ConstantTable table;
  char name[4];
  uint8_t code = 0;
  table.Setup(ConstantTable::kTerminator);
  table.SetTerminatorValue("END");
  table.BindItem(1, rt::AnyRef::String(name));
  table.BindItem(3, rt::AnyRef::Of(code));
  Table t;
  t.Zero("EN").U8(1).Zero("ENDING").U8(2).Zero("x").U8(3);  // "ENDING" fits name as "ENDI"
  table.SetSource(t.bytes.data(), t.bytes.size());
  ASSERT_EQ(table.ReadRecord(), 0);
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(code, 2);
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(table.ReadRecord(), 5);  // no terminator at all: the bytes end it
  t = Table();
  t.Zero("a").U8(1).Zero("END").U8(2);
  table.SetSource(t.bytes.data(), t.bytes.size());
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(table.ReadRecord(), 5);
  EXPECT_EQ(rt::AnyRef::String(name).Text(), "a");
  table.Teardown();
}

TEST(ConstantTableTest, NeverReadsPastTheEnd) {
  // A record cut off by the end of the table is not delivered, and nothing of it is assigned.
  TipReader r(ConstantTable::kToEndOfTable);
  r.Source(Table().U16(1).Counted("one").U16(2).U8(10).U8('a'));
  ASSERT_EQ(r.table.ReadRecord(), 0);
  EXPECT_EQ(r.table.ReadRecord(), 5);
  EXPECT_EQ(r.control, 1);
  EXPECT_EQ(r.Tip(), "one");
  EXPECT_EQ(r.table.ReadRecord(), 5);

  // A count that promises more records than the bytes hold stops at the end too.
  TipReader counted(ConstantTable::kByteCount);
  counted.Source(Table().U8(200).U16(1).Counted("only"));
  ASSERT_EQ(counted.table.ReadRecord(), 0);
  EXPECT_EQ(counted.table.ReadRecord(), 5);
  TipReader short_count(ConstantTable::kWordCount);
  short_count.Source(Table().U8(5));  // not even room for the count
  EXPECT_EQ(short_count.table.Items(), 0);
  EXPECT_EQ(short_count.table.ReadRecord(), 5);

  // A zero-terminated text with no zero before the end.
  ConstantTable table;
  char text[8];
  table.Setup(ConstantTable::kToEndOfTable);
  table.BindItem(1, rt::AnyRef::CString(text));
  std::string no_zero = "abc";
  table.SetSource(no_zero.data(), no_zero.size());
  EXPECT_EQ(table.ReadRecord(), 5);

  // The reader keeps its own copy: the caller's bytes may change or go away.
  std::string source = Table().Zero("kept").bytes;
  table.SetSource(source.data(), source.size());
  source.assign(source.size(), 'X');
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_STREQ(text, "kept");
  table.Teardown();
}

TEST(ConstantTableTest, ReadingAlwaysComesToAnEnd) {
  // An unknown termination reads to the end of the table instead of never ending.
  for (uint8_t termination : {0, 5, 255}) {
    TipReader r(termination);
    r.Source(Table().U16(1).Counted("a").U16(2).Counted("b"));
    EXPECT_EQ(r.table.ReadRecord(), 0);
    EXPECT_EQ(r.table.ReadRecord(), 0);
    EXPECT_EQ(r.table.ReadRecord(), 5) << int(termination);
  }
  // A record with no items moves nothing, so only a count can end such a table.
  ConstantTable table;
  std::string bytes = "\x02xyz";
  table.Setup(ConstantTable::kToEndOfTable);
  table.SetSource(bytes.data(), bytes.size());
  EXPECT_EQ(table.ReadRecord(), 5);
  table.Setup(ConstantTable::kByteCount);
  table.SetSource(bytes.data(), bytes.size());
  EXPECT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(table.ReadRecord(), 5);
  // A 16-bit count of 65535 ends after its last record rather than wrapping around.
  uint8_t full[2] = {0xFF, 0xFF};
  table.Setup(ConstantTable::kWordCount);
  table.SetSource(full, sizeof full);
  int read = 0;
  while (table.ReadRecord() == 0 && read < 70000) ++read;
  EXPECT_EQ(read, 65535);
  table.Teardown();
}

TEST(ConstantTableTest, LifeCycleAndRefusals) {
  ConstantTable table;
  uint16_t v = 0;
  EXPECT_EQ(table.ReadRecord(), 5);  // before Setup
  table.Setup(ConstantTable::kToEndOfTable);
  EXPECT_EQ(table.ReadRecord(), 5);  // no table yet
  EXPECT_FALSE(table.HasSource());
  EXPECT_FALSE(table.BindItem(0, rt::AnyRef::Of(v)));
  EXPECT_FALSE(table.BindItem(7, rt::AnyRef::Of(v)));
  EXPECT_FALSE(table.BindItem(5, rt::AnyRef()));
  EXPECT_EQ(table.ItemCount(), 0u);
  ASSERT_TRUE(table.BindItem(5, rt::AnyRef::Of(v)));

  uint8_t bytes[] = {1, 0, 2, 0};
  EXPECT_FALSE(table.SetSource(nullptr, 4));
  EXPECT_FALSE(table.HasSource());
  // Refused before a byte is touched, so the pointer need not hold that much.
  EXPECT_FALSE(table.SetSource(bytes, size_t{1} << 31));
  EXPECT_EQ(table.SourceSize(), 0);
  EXPECT_EQ(table.ReadRecord(), 5);
  ASSERT_TRUE(table.SetSource(bytes, sizeof bytes));
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(v, 1);
  // A new source starts from its beginning.
  uint8_t other[] = {9, 0};
  ASSERT_TRUE(table.SetSource(other, sizeof other));
  ASSERT_EQ(table.ReadRecord(), 0);
  EXPECT_EQ(v, 9);
  EXPECT_TRUE(table.SetSource(other, 0));  // an empty table is still a table
  EXPECT_TRUE(table.HasSource());
  EXPECT_EQ(table.ReadRecord(), 5);

  table.SetTerminatorValue(std::string(40, 'x'));
  EXPECT_EQ(table.TerminatorValue(), std::string(32, 'x'));
  table.Setup(ConstantTable::kTerminator);  // again: the old items, table and marker go
  EXPECT_EQ(table.ItemCount(), 0u);
  EXPECT_FALSE(table.HasSource());
  EXPECT_EQ(table.TerminatorValue(), "");
  EXPECT_EQ(table.GetTermination(), ConstantTable::kTerminator);
  table.Teardown();
  EXPECT_EQ(table.ReadRecord(), 5);
  table.Teardown();
}

}  // namespace
}  // namespace fw
