#include "framework/browse/step_string_manager.h"

#include <gtest/gtest.h>

#include <string>

namespace fw {
namespace {

TEST(StepStringManagerTest, MapsNamesByLeadingCharactersBothWays) {
  StepStringManager step;
  char first[10], last[10], name[10];
  rt::AnyRef lo = rt::AnyRef::String(first), hi = rt::AnyRef::String(last);
  lo.SetText("A");
  hi.SetText("C");
  step.SetRangeEnds(lo, hi);
  rt::AnyRef field = rt::AnyRef::String(name);
  field.SetText("A");
  EXPECT_EQ(step.PercentForValue(field), 0);
  field.SetText("B");
  EXPECT_EQ(step.PercentForValue(field), 50);
  field.SetText("Cyprus");  // beyond the last record's prefix: held at the bottom
  EXPECT_EQ(step.PercentForValue(field), 100);

  field.Assign(step.ValueForPercent(50).Ref());
  EXPECT_EQ(field.Text(), "B");
  field.Assign(step.ValueForPercent(0).Ref());
  EXPECT_EQ(field.Text(), "A");
  field.Assign(step.ValueForPercent(100).Ref());
  EXPECT_EQ(field.Text(), "C");
  // Monotonic: a lower thumb never gives a later text.
  std::string previous;
  for (int p = 0; p <= 100; ++p) {
    std::string t = step.ValueForPercent(static_cast<uint8_t>(p)).Ref().RawText();
    EXPECT_LE(previous, t) << p;
    previous = t;
  }
  step.Teardown();
  EXPECT_TRUE(step.LOW.empty());
  EXPECT_TRUE(step.HIGH.empty());
}

TEST(StepStringManagerTest, CyrillicValuesComeBackAsWholeCharacters) {
  StepStringManager step;
  char first[12], last[12];
  rt::AnyRef lo = rt::AnyRef::String(first), hi = rt::AnyRef::String(last);
  lo.SetText("Азов");
  hi.SetText("Ялта");
  step.SetRangeEnds(hi, lo);  // reversed ends
  std::string previous;
  for (int p = 0; p <= 100; ++p) {
    std::string t = step.ValueForPercent(static_cast<uint8_t>(p)).Ref().Text();
    EXPECT_LE(previous, t) << p;
    previous = t;
    // Two-byte letters: never a lone lead byte at the end.
    ASSERT_TRUE(t.empty() || (static_cast<unsigned char>(t.back()) & 0xC0) == 0x80 ||
                static_cast<unsigned char>(t.back()) < 0x80)
        << p;
  }
  // The top locates at or before the first record, never past it.
  std::string top = step.ValueForPercent(0).Ref().Text();
  EXPECT_EQ(top.substr(0, 2), "А");
  EXPECT_LE(top, std::string("Азов"));
  char one[12];
  rt::AnyRef v = rt::AnyRef::String(one);
  v.SetText("Ялта");
  EXPECT_EQ(step.PercentForValue(v), 100);
}

TEST(StepStringManagerTest, EqualEndsGiveTheTop) {
  StepStringManager step;
  char a[4] = "x";
  step.SetRangeEnds(rt::AnyRef::CString(a), rt::AnyRef::CString(a));
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::CString(a)), 0);
  EXPECT_EQ(step.ValueForPercent(60).Ref().Text(), "x");
}

}  // namespace
}  // namespace fw
