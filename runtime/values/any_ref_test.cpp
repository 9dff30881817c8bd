#include "runtime/values/any_ref.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/values/owned_value.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/text.h"

namespace rt {
namespace {

TEST(AnyRefTest, ConvertsBetweenNumbersAndTexts) {
  uint8_t b = 0;
  int16_t s = 0;
  double d = 1.5;
  char str[8];
  char cstr[6];
  AnyRef rb = AnyRef::Of(b), rs = AnyRef::Of(s), rd = AnyRef::Of(d);
  AnyRef rstr = AnyRef::String(str), rcs = AnyRef::CString(cstr);

  rstr.Assign(rd);
  EXPECT_EQ(std::string(str, 8), "1.5     ");
  EXPECT_EQ(rstr.Text(), "1.5");
  rcs.SetText("  42 ");
  rs.Assign(rcs);
  EXPECT_EQ(s, 42);
  rb.SetInteger(300);  // wraps like the 8-bit variable it is
  EXPECT_EQ(b, 44);
  rb.SetReal(-0.9);    // truncates toward zero
  EXPECT_EQ(b, 0);
  rd.SetText("abc");   // not a number: 0
  EXPECT_EQ(d, 0.0);
  rstr.SetText(std::string_view());  // an empty view may carry no address at all
  EXPECT_EQ(std::string(str, 8), "        ");
  rcs.SetText(std::string_view());
  EXPECT_EQ(rcs.Text(), "");
  rcs.SetText("much too long");
  EXPECT_EQ(std::string(cstr), "much ");
  d = 135;
  EXPECT_EQ(rd.Text(), "135");
}

TEST(AnyRefTest, TextFieldsNeverSplitUtf8) {
  char str[5];
  AnyRef r = AnyRef::String(str);
  r.SetText("абв");  // 6 bytes: only two letters fit in 5
  EXPECT_EQ(r.Text(), "аб");
  EXPECT_EQ(str[4], ' ');
  char cs[4];
  AnyRef c = AnyRef::CString(cs);
  c.SetText("Яx");
  EXPECT_EQ(c.Text(), "Яx");
  c.SetText("ЯЯ");  // 4 bytes, 3 fit: only one letter
  EXPECT_EQ(c.Text(), "Я");
}

TEST(AnyRefTest, ComparesByValueAcrossTypes) {
  int32_t l = 10;
  double d = 9.5;
  char a[6], b[3];
  AnyRef rl = AnyRef::Of(l), rd = AnyRef::Of(d), ra = AnyRef::String(a), rb = AnyRef::String(b);
  EXPECT_GT(rl.Compare(rd), 0);
  ra.SetText("10");
  EXPECT_TRUE(rl.Equals(ra));  // a text that reads as a number compares as one
  ra.SetText("ab");
  rb.SetText("ab");
  EXPECT_TRUE(ra.Equals(rb));  // blank padding does not count
  rb.SetText("b");
  EXPECT_LT(ra.Compare(rb), 0);
  ra.SetText("9");
  rb.SetText("10");
  EXPECT_GT(ra.Compare(rb), 0);  // two texts compare as texts, even when they read as numbers
}

TEST(AnyRefTest, ClearAndHighest) {
  uint16_t u = 7;
  char s[3] = {'x', 'y', 'z'};
  char c[3] = {'x', 'y', 0};
  AnyRef ru = AnyRef::Of(u), rs = AnyRef::String(s), rc = AnyRef::CString(c);
  ru.Clear();
  rs.Clear();
  rc.Clear();
  EXPECT_EQ(u, 0);
  EXPECT_EQ(std::string(s, 3), "   ");
  EXPECT_EQ(c[0], 0);
  EXPECT_TRUE(ru.IsClear() && rs.IsClear() && rc.IsClear());
  ru.SetHighest();
  EXPECT_EQ(u, 65535);
  rs.SetHighest();
  EXPECT_GT(rs.Compare(AnyRef::String(s)), -1);
  char other[3] = {'z', 'z', 'z'};
  EXPECT_GT(rs.Compare(AnyRef::String(other)), 0);
}

TEST(OwnedValueTest, KeepsAPrivateCopy) {
  double d = 2.25;
  OwnedValue copy = OwnedValue::CopyOf(AnyRef::Of(d));
  d = 3;
  EXPECT_EQ(copy.Ref().Real(), 2.25);
  OwnedValue moved = std::move(copy);
  EXPECT_EQ(moved.Ref().Real(), 2.25);
  OwnedValue cleared(Type::String, 4);
  EXPECT_EQ(cleared.Ref().RawText(), "    ");
}

#pragma pack(push, 1)
struct OddsRow {
  uint8_t nn;
  double kf;
};
#pragma pack(pop)

TEST(RecordDescriptorTest, BindsFieldsOfPackedRecords) {
  RecordDescriptor d;
  d.Add("KF:NN", Type::Byte).Add("KF:KF", Type::Real);
  EXPECT_EQ(d.RecordSize(), sizeof(OddsRow));
  OddsRow row{};
  d.Field(&row, "kf:kf").SetText("1.75");
  d.Field(&row, 0).SetInteger(3);
  // Copies: gtest binds references, and a packed double is not aligned.
  double kf = row.kf;
  EXPECT_EQ(kf, 1.75);
  EXPECT_EQ(row.nn, 3);
  EXPECT_EQ(d.IndexOf("KF:XX"), -1);
  EXPECT_TRUE(d.Field(&row, "KF:XX").IsNull());
  d.ClearRecord(&row);
  kf = row.kf;
  EXPECT_EQ(kf, 0.0);
}

TEST(TextTest, UpperFoldsLatinAndCyrillic) {
  EXPECT_EQ(Upper("abc Привет ёж"), "ABC ПРИВЕТ ЁЖ");
  EXPECT_EQ(CompareBlankPadded("ёлка", "ЁЛКА  ", true), 0);
  EXPECT_EQ(Clip("ab  "), "ab");
  EXPECT_EQ(CutToBytes("aж", 2), "a");
  EXPECT_EQ(CutToBytes("aж", 3), "aж");
}

}  // namespace
}  // namespace rt
