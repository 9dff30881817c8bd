#include "framework/browse/thumb_rule.h"

#include <gtest/gtest.h>

#include "runtime/windows/event.h"

namespace fw {
namespace {

using Action = ThumbRule::DragAction;

TEST(ThumbRuleTest, ScrollBarOnlyForDeclaredBarAndFullPage) {
  EXPECT_FALSE(ThumbRule::ScrollBarShown(false, 50, 10));  // never declared
  EXPECT_FALSE(ThumbRule::ScrollBarShown(true, 9, 10));    // page not full
  EXPECT_TRUE(ThumbRule::ScrollBarShown(true, 10, 10));    // comes back once it fills
}

TEST(ThumbRuleTest, WithoutStepThumbLeavesMiddleOnlyAtAnEndFoundByScrolling) {
  // Scrolled down until no more records came: bottom.
  EXPECT_EQ(ThumbRule::PlacePosition(false, 10, 10, 1, rt::kEventScrollDown), 100);
  EXPECT_EQ(ThumbRule::PlacePosition(false, 10, 10, 3, rt::kEventPageDown), 100);
  EXPECT_EQ(ThumbRule::PlacePosition(false, 10, 10, 1, rt::kEventScrollBottom), 100);
  // One row up from there: the fill up found records, so the middle again.
  EXPECT_EQ(ThumbRule::PlacePosition(false, 9, 10, 0, rt::kEventScrollUp), 50);
  // Reached the top going up.
  EXPECT_EQ(ThumbRule::PlacePosition(false, 1, 10, 2, rt::kEventScrollUp), 0);
  EXPECT_EQ(ThumbRule::PlacePosition(false, 1, 10, 2, rt::kEventScrollTop), 0);
  // At an end but not on its edge row.
  EXPECT_EQ(ThumbRule::PlacePosition(false, 5, 10, 1, rt::kEventScrollDown), 50);
  EXPECT_EQ(ThumbRule::PlacePosition(false, 5, 10, 1, rt::kEventPageUp), 50);
}

TEST(ThumbRuleTest, LoadedFileThumbFollowsRowShareRoundedAndSurvivesEmptyList) {
  EXPECT_EQ(ThumbRule::PlacePosition(true, 1, 3, 0, 0), 33);   // 33.33 -> 33
  EXPECT_EQ(ThumbRule::PlacePosition(true, 2, 3, 0, 0), 67);   // 66.67 -> 67, not cut to 66
  EXPECT_EQ(ThumbRule::PlacePosition(true, 1, 8, 0, 0), 13);   // 12.5 -> 13, half away
  EXPECT_EQ(ThumbRule::PlacePosition(true, 8, 8, 0, 0), 100);
  EXPECT_EQ(ThumbRule::PlacePosition(true, 0, 0, 0, 0), 0);    // no rows: no division by 0
  EXPECT_EQ(ThumbRule::PlacePosition(true, 12, 8, 0, 0), 100); // out-of-range choice held
}

TEST(ThumbRuleTest, DragWithoutStepPagesTowardTheThumbOrJumpsToEnds) {
  EXPECT_EQ(ThumbRule::ForDrag(50, false, false, 10).action, Action::kNone);
  EXPECT_EQ(ThumbRule::ForDrag(30, false, false, 10).action, Action::kPostPageUp);
  EXPECT_EQ(ThumbRule::ForDrag(2, false, false, 10).action, Action::kPostPageUp);
  EXPECT_EQ(ThumbRule::ForDrag(51, false, false, 10).action, Action::kPostPageDown);
  EXPECT_EQ(ThumbRule::ForDrag(99, false, false, 10).action, Action::kPostPageDown);
  EXPECT_EQ(ThumbRule::ForDrag(0, false, false, 10).action, Action::kPostTop);
  EXPECT_EQ(ThumbRule::ForDrag(1, true, true, 10).action, Action::kPostTop);
  EXPECT_EQ(ThumbRule::ForDrag(100, true, true, 10).action, Action::kPostBottom);
  // Out-of-range property values are held at the ends rather than taken as page moves.
  EXPECT_EQ(ThumbRule::ForDrag(-7, false, false, 10).action, Action::kPostTop);
  EXPECT_EQ(ThumbRule::ForDrag(255, false, false, 10).action, Action::kPostBottom);
}

TEST(ThumbRuleTest, DragWithStepLocatesItsValueAndLoadedFileSetsARealRow) {
  ThumbRule::Drag d = ThumbRule::ForDrag(37, true, true, 10);
  EXPECT_EQ(d.action, Action::kLocateValue);
  EXPECT_EQ(d.position, 37);

  d = ThumbRule::ForDrag(33, false, true, 3);  // 0.33 * 3 = 0.99 -> row 1
  EXPECT_EQ(d.action, Action::kSetChoice);
  EXPECT_EQ(d.choice, 1);
  d = ThumbRule::ForDrag(67, false, true, 3);  // the way back from row 2's 67 %
  EXPECT_EQ(d.choice, 2);
  d = ThumbRule::ForDrag(2, false, true, 10);  // 0.2 rounds to row 0: held at row 1
  EXPECT_EQ(d.choice, 1);
  d = ThumbRule::ForDrag(99, false, true, 1000);
  EXPECT_EQ(d.choice, 990);
  // A loaded but empty list has no row to choose; it falls back to paging.
  EXPECT_EQ(ThumbRule::ForDrag(30, false, true, 0).action, Action::kPostPageUp);
}

}  // namespace
}  // namespace fw
