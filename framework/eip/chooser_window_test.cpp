#include "framework/eip/chooser_window.h"

#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"

namespace fw {
namespace {

class ChooserWindowTest : public rt::test::HeadlessTest {};

TEST_F(ChooserWindowTest, PreparedByNameWithItsListsAndButtonsAndFreedAgain) {
  ChooserWindow chooser;
  std::string why;
  ASSERT_TRUE(chooser.Prepare(&why)) << why;
  EXPECT_EQ(rt::FindWindowResource(kChooserResource, kChooserLabel), &ChooserWindowResource());
  rt::Window* w = chooser.window();
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->IsOpen()) << "prepared, never opened";
  EXPECT_EQ(w->caption(), "Choose items and order");
  EXPECT_EQ(w->Property(kChooserAvailablePrompt, rt::kPropText), "&Available items");
  EXPECT_EQ(w->Property(kChooserSelectedPrompt, rt::kPropText), "&Selected items");
  EXPECT_EQ(w->Property(kChooserCancelButton, rt::kPropText), "Cancel");
  EXPECT_EQ(w->Property(kChooserFinishButton, rt::kPropText), "&Finish");
  EXPECT_EQ(w->Find(kChooserAvailableList)->kind(), rt::ControlKind::kList);
  EXPECT_EQ(w->Find(kChooserSelectedList)->kind(), rt::ControlKind::kList);
  chooser.Free();
  EXPECT_EQ(chooser.window(), nullptr);
  chooser.Free();  // a second free is harmless
  ASSERT_TRUE(chooser.Prepare(&why)) << "prepared again after a free: " << why;
}

}  // namespace
}  // namespace fw
