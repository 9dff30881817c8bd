#include "runtime/windows/menu_text.h"

#include <gtest/gtest.h>

#include "runtime/windows/backend.h"

namespace rt {
namespace {

TEST(MenuTextTest, ItemsSubmenusAndPrefixesOfTheBrowseMenu) {
  MenuText m = MenuText::Parse("|&Insert|Sort{By number|By odds}~&Delete|+Checked|-Off|-|&Toolbox");
  const std::vector<MenuItem>& items = m.Items();
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0].text, "&Insert");
  EXPECT_EQ(items[0].choice, 1);
  EXPECT_EQ(items[1].text, "Sort");
  EXPECT_EQ(items[1].choice, 0) << "a submenu heading cannot be chosen";
  ASSERT_EQ(items[1].submenu.size(), 2u);
  EXPECT_EQ(items[1].submenu[0].choice, 2);
  EXPECT_EQ(items[1].submenu[1].text, "By odds");
  EXPECT_EQ(items[1].submenu[1].choice, 3);
  EXPECT_EQ(items[2].text, "&Delete");
  EXPECT_TRUE(items[2].disabled);
  EXPECT_EQ(items[2].choice, 4) << "a disabled item keeps its number";
  EXPECT_EQ(items[3].check, MenuItem::Check::kChecked);
  EXPECT_EQ(items[4].text, "Off");
  EXPECT_EQ(items[4].check, MenuItem::Check::kUnchecked);
  EXPECT_TRUE(items[5].separator);
  EXPECT_EQ(items[5].choice, 0);
  EXPECT_EQ(items[6].choice, 7);
  EXPECT_EQ(m.ChoiceCount(), 7);
  EXPECT_EQ(m.FindChoice(3)->text, "By odds");
  EXPECT_EQ(m.FindChoice(0), nullptr);
  EXPECT_EQ(m.FindChoice(8), nullptr);
}

TEST(MenuTextTest, ChoicesSkipHeadingsAcrossLevels) {
  MenuText m = MenuText::Parse("|A{B|C}D");
  EXPECT_EQ(m.ChoiceCount(), 3);
  EXPECT_EQ(m.FindChoice(1)->text, "B");
  EXPECT_EQ(m.FindChoice(3)->text, "D");
}

TEST(MenuTextTest, PrefixesCombineAndTheIconPartNamesTheIcon) {
  MenuText m = MenuText::Parse("|~+[31848(~SAVE)]&Save|[]&Close|-|[1(x)31848(~OPEN)]Open");
  ASSERT_EQ(m.Items().size(), 4u);
  const MenuItem& save = m.Items()[0];
  EXPECT_TRUE(save.disabled);
  EXPECT_EQ(save.check, MenuItem::Check::kChecked);
  EXPECT_EQ(save.icon, "~SAVE");
  EXPECT_EQ(save.text, "&Save");
  EXPECT_EQ(m.Items()[1].icon, "");
  EXPECT_EQ(m.Items()[1].text, "&Close");
  EXPECT_EQ(m.Items()[3].icon, "~OPEN");
  EXPECT_EQ(m.Items()[3].text, "Open");
}

TEST(MenuTextTest, SloppyTextsStillGiveAUsableMenu) {
  MenuText stray = MenuText::Parse("}}A|B}{C");
  // "{" after B's "}" opens a submenu under B.
  EXPECT_EQ(stray.ChoiceCount(), 2);
  EXPECT_EQ(stray.FindChoice(2)->text, "C");
  MenuText open = MenuText::Parse("A{B{C");
  EXPECT_EQ(open.ChoiceCount(), 1);
  EXPECT_EQ(open.FindChoice(1)->text, "C");
  MenuText bracket = MenuText::Parse("[31848(~X)Odd");
  EXPECT_EQ(bracket.Items()[0].text, "[31848(~X)Odd");
  MenuText headless = MenuText::Parse("{A}");
  ASSERT_EQ(headless.Items().size(), 1u);
  EXPECT_EQ(headless.FindChoice(1)->text, "A");
  std::string deep(10000, '{');
  deep += "X";
  EXPECT_EQ(MenuText::Parse(deep).ChoiceCount(), 1);
  EXPECT_EQ(MenuText::Parse("").ChoiceCount(), 0);
}

// Answers every popup with a fixed number, whatever the menu.
class FixedChoiceBackend : public Backend {
 public:
  explicit FixedChoiceBackend(int choice) : choice_(choice) {}
  int ShowMessageBox(const MessageBoxRequest&) override { return kButtonOk; }
  void Beep() override {}
  int ShowPopup(Window*, const MenuText& menu, int x, int y) override {
    shown_ = menu.ChoiceCount();
    return choice_;
  }
  int shown_ = -1;

 private:
  int choice_;
};

TEST(MenuTextTest, APopupReturnsOnlyWhatTheMenuOffers) {
  // Choice 3 is disabled: a backend handing it back is treated as a dismissal.
  for (auto [answer, expected] : {std::pair{2, 2}, {4, 4}, {3, 0}, {9, 0}, {-1, 0}}) {
    FixedChoiceBackend b(answer);
    Backend* previous = SetBackend(&b);
    EXPECT_EQ(Popup("|One|Two|~Three|Four"), expected) << answer;
    SetBackend(previous);
    EXPECT_EQ(b.shown_, 4);
  }
  EXPECT_EQ(Popup("|One"), 0) << "without a backend nothing can be chosen";
}

}  // namespace
}  // namespace rt
