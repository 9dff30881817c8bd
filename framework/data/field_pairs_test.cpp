#include "framework/data/field_pairs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/data/buffered_field_pairs.h"

namespace fw {
namespace {

TEST(FieldPairsTest, EmptyOrUnsetListMatches) {
  FieldPairs pairs;
  EXPECT_TRUE(pairs.LeftMatchesRight());  // before Setup
  pairs.Setup();
  EXPECT_TRUE(pairs.LeftMatchesRight());
  EXPECT_TRUE(pairs.AllMatch());
  EXPECT_EQ(pairs.Count(), 0u);
  EXPECT_TRUE(pairs.Left(0).IsNull());
  pairs.Teardown();
  EXPECT_TRUE(pairs.AllMatch());
  pairs.TransferLeftToRight();  // nothing to do, nothing to crash on
  pairs.Teardown();
}

TEST(FieldPairsTest, AppendItemRemembersTheValueAndPutsItBack) {
  int32_t number = 17;
  char name[10];
  rt::AnyRef::String(name).SetText("Иван");
  FieldPairs pairs;
  pairs.Setup();
  ASSERT_TRUE(pairs.AppendItem(rt::AnyRef::Of(number)));
  ASSERT_TRUE(pairs.AppendItem(rt::AnyRef::String(name)));
  EXPECT_TRUE(pairs.AllMatch());
  // The private copy has the field's own type and size, not a reference to it.
  EXPECT_NE(pairs.Right(1).address(), static_cast<void*>(name));
  EXPECT_EQ(pairs.Right(1).type(), rt::Type::String);
  EXPECT_EQ(pairs.Right(1).size(), sizeof name);

  number = 18;
  EXPECT_FALSE(pairs.AllMatch());
  number = 17;
  rt::AnyRef::String(name).SetText("Пётр");  // a change in the last entry only
  EXPECT_FALSE(pairs.LeftMatchesRight());

  number = 99;
  pairs.TransferRightToLeft();
  EXPECT_EQ(number, 17);
  EXPECT_EQ(rt::AnyRef::String(name).Text(), "Иван");
  EXPECT_TRUE(pairs.AllMatch());
  pairs.Teardown();
  EXPECT_EQ(number, 17);  // the caller's variables outlive the pairs untouched
}

TEST(FieldPairsTest, PairsCopyAndCompareAcrossTypes) {
  uint16_t record_no = 7;
  double odds = 1.85;
  char column_no[6];
  char column_odds[8];
  rt::AnyRef::CString(column_no).SetText("");
  rt::AnyRef::String(column_odds).SetText("");
  FieldPairs pairs;
  pairs.Setup();
  ASSERT_TRUE(pairs.AppendPair(rt::AnyRef::Of(record_no), rt::AnyRef::CString(column_no)));
  ASSERT_TRUE(pairs.AppendPair(rt::AnyRef::Of(odds), rt::AnyRef::String(column_odds)));
  EXPECT_EQ(pairs.Count(), 2u);
  EXPECT_FALSE(pairs.LeftMatchesRight());

  pairs.TransferLeftToRight();
  EXPECT_STREQ(column_no, "7");
  EXPECT_EQ(std::string(column_odds, 8), "1.85    ");
  EXPECT_TRUE(pairs.LeftMatchesRight());

  rt::AnyRef::CString(column_no).SetText("12");
  rt::AnyRef::String(column_odds).SetText("2.5");
  pairs.TransferRightToLeft();
  EXPECT_EQ(record_no, 12);
  EXPECT_EQ(odds, 2.5);

  pairs.BlankRight();
  EXPECT_STREQ(column_no, "");
  EXPECT_EQ(std::string(column_odds, 8), std::string(8, ' '));
  EXPECT_EQ(record_no, 12);  // the other side is left alone
  pairs.BlankLeft();
  EXPECT_EQ(record_no, 0);
  EXPECT_EQ(odds, 0.0);
}

TEST(FieldPairsTest, RefusesNullReferences) {
  int32_t v = 1;
  FieldPairs pairs;
  pairs.Setup();
  EXPECT_FALSE(pairs.AppendPair(rt::AnyRef(), rt::AnyRef::Of(v)));
  EXPECT_FALSE(pairs.AppendPair(rt::AnyRef::Of(v), rt::AnyRef()));
  EXPECT_FALSE(pairs.AppendItem(rt::AnyRef()));
  EXPECT_EQ(pairs.Count(), 0u);
  EXPECT_TRUE(pairs.AllMatch());
}

TEST(FieldPairsTest, SetupAgainReleasesTheFirstList) {
  int32_t a = 1, b = 2;
  FieldPairs pairs;
  pairs.Setup();
  pairs.AppendPair(rt::AnyRef::Of(a), rt::AnyRef::Of(b));
  pairs.AppendItem(rt::AnyRef::Of(a));
  pairs.Setup();
  EXPECT_EQ(pairs.Count(), 0u);
  EXPECT_TRUE(pairs.LeftMatchesRight());  // the unequal pair is gone
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);

  // An append before Setup is kept rather than lost.
  FieldPairs early;
  EXPECT_TRUE(early.AppendPair(rt::AnyRef::Of(a), rt::AnyRef::Of(b)));
  EXPECT_EQ(early.Count(), 1u);
  EXPECT_FALSE(early.AllMatch());
}

TEST(FieldPairsTest, PrivateCopiesSurviveManyAppends) {
  // Growing the list moves its entries; the copies' references must follow them.
  int32_t values[200];
  FieldPairs pairs;
  pairs.Setup();
  for (int i = 0; i < 200; ++i) {
    values[i] = i * 3;
    ASSERT_TRUE(pairs.AppendItem(rt::AnyRef::Of(values[i])));
  }
  for (int32_t& v : values) v = -1;
  pairs.TransferRightToLeft();
  for (int i = 0; i < 200; ++i) EXPECT_EQ(values[i], i * 3) << i;
}

TEST(BufferedFieldPairsTest, NewBufferIsClearedAndRightIsUntouched) {
  int32_t left_no = 5, right_no = 9;
  char left_text[6], right_text[6];
  rt::AnyRef::String(left_text).SetText("ab");
  rt::AnyRef::String(right_text).SetText("xyz");
  BufferedFieldPairs pairs;
  pairs.Setup();
  ASSERT_TRUE(pairs.AppendPair(rt::AnyRef::Of(left_no), rt::AnyRef::Of(right_no)));
  ASSERT_TRUE(pairs.AppendPair(rt::AnyRef::String(left_text), rt::AnyRef::String(right_text)));

  EXPECT_EQ(right_no, 9);
  EXPECT_EQ(std::string(right_text, 6), "xyz   ");
  EXPECT_EQ(pairs.Buffer(0).type(), rt::Type::Long);
  EXPECT_EQ(pairs.Buffer(0).Integer(), 0);
  EXPECT_EQ(pairs.Buffer(1).type(), rt::Type::String);
  EXPECT_EQ(pairs.Buffer(1).RawText(), std::string(6, ' '));
  EXPECT_FALSE(pairs.RightMatchesBuffer());

  // With clear right values the fresh buffers match.
  BufferedFieldPairs clear;
  int32_t zero = 0;
  char blank[4] = {' ', ' ', ' ', ' '};
  clear.Setup();
  clear.AppendPair(rt::AnyRef::Of(left_no), rt::AnyRef::Of(zero));
  clear.AppendPair(rt::AnyRef::Of(left_no), rt::AnyRef::String(blank));
  EXPECT_TRUE(clear.RightMatchesBuffer());
  EXPECT_FALSE(clear.LeftMatchesBuffer());
}

TEST(BufferedFieldPairsTest, BufferSavesAndRestoresEitherSide) {
  uint8_t range_low = 3;
  double used = 0;
  BufferedFieldPairs pairs;
  pairs.Setup();
  EXPECT_TRUE(pairs.LeftMatchesBuffer());
  EXPECT_TRUE(pairs.RightMatchesBuffer());
  pairs.AppendPair(rt::AnyRef::Of(range_low), rt::AnyRef::Of(used));

  pairs.TransferLeftToBuffer();
  EXPECT_TRUE(pairs.LeftMatchesBuffer());
  range_low = 4;
  EXPECT_FALSE(pairs.LeftMatchesBuffer());
  pairs.TransferBufferToRight();
  EXPECT_EQ(used, 3.0);
  pairs.TransferBufferToLeft();
  EXPECT_EQ(range_low, 3);

  used = 6.0;
  pairs.TransferRightToBuffer();
  EXPECT_TRUE(pairs.RightMatchesBuffer());
  // The buffer has right's type: a fraction survives the trip through it.
  used = 6.5;
  pairs.TransferRightToBuffer();
  used = 0;
  pairs.TransferBufferToRight();
  EXPECT_EQ(used, 6.5);

  // The inherited operations work on the same entries.
  pairs.TransferLeftToRight();
  EXPECT_EQ(used, 3.0);
  EXPECT_TRUE(pairs.AllMatch());
}

TEST(BufferedFieldPairsTest, EveryEntryGetsItsBufferWhicheverWayItIsAppended) {
  int16_t a = -4, b = 8;
  BufferedFieldPairs buffered;
  FieldPairs& pairs = buffered;
  pairs.Setup();
  pairs.AppendPair(rt::AnyRef::Of(a), rt::AnyRef::Of(b));  // through the base class
  pairs.AppendItem(rt::AnyRef::Of(a));
  ASSERT_EQ(buffered.Count(), 2u);
  EXPECT_FALSE(buffered.Buffer(0).IsNull());
  EXPECT_FALSE(buffered.Buffer(1).IsNull());
  EXPECT_TRUE(buffered.Buffer(2).IsNull());

  buffered.TransferLeftToBuffer();
  EXPECT_EQ(buffered.Buffer(0).Integer(), -4);
  EXPECT_EQ(buffered.Buffer(1).Integer(), -4);
  a = 1;
  buffered.TransferBufferToLeft();
  EXPECT_EQ(a, -4);

  buffered.Setup();  // again: the first list and its buffers go
  EXPECT_EQ(buffered.Count(), 0u);
  EXPECT_TRUE(buffered.LeftMatchesBuffer());
  buffered.Teardown();
  EXPECT_EQ(b, 8);
}

}  // namespace
}  // namespace fw
