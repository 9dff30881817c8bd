#include "framework/browse/toolbar.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/browse/browse_test_window.h"
#include "framework/browse/row_editor_interface.h"
#include "framework/browse/toolbar_target.h"
#include "framework/window/text_translator.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

class ToolbarTest : public BrowseFixture {
 protected:
  bool Disabled(int control) const { return window->win->PropertyInt(control, rt::kPropDisabled) != 0; }
};

TEST_F(ToolbarTest, ActiveTargetSetsTipsAndMirrorsTheBrowseButtons) {
  Open(10);
  browse.INSERTCONTROL = kInsert;
  browse.CHANGECONTROL = kChange;
  backend.Check([&] {
    EXPECT_EQ(window->win->Property(kToolbarDown, rt::kPropToolTip), "Go to the Next Record");
    EXPECT_EQ(window->win->Property(kToolbarInsert, rt::kPropToolTip), "Insert a new Record");
    EXPECT_EQ(window->win->Property(kToolbarUp, rt::kPropToolTip), "Go to the Prior Record");
    EXPECT_TRUE(Disabled(kToolbarHistory));
    for (int b = kToolbarBottom; b <= kToolbarLocate; ++b) EXPECT_FALSE(Disabled(b)) << b;
    EXPECT_FALSE(Disabled(kToolbarInsert));
    EXPECT_FALSE(Disabled(kToolbarChange));
    EXPECT_TRUE(Disabled(kToolbarDelete)) << "the browse has no delete button";
    EXPECT_TRUE(Disabled(kToolbarSelect));
    EXPECT_TRUE(Disabled(kToolbarHelp));
    // A disabled browse button disables its toolbar button.
    window->win->Disable(kChange);
    toolbar.RefreshButtons();
    EXPECT_TRUE(Disabled(kToolbarChange));
  });
  window->Execute();
}

TEST_F(ToolbarTest, TipsComeInTheLanguageOfTheWindowsTranslator) {
  Open(10);
  TextTranslator translator;
  translator.Add("Go to the Next Record", "Следующая запись");
  translator.Add("Insert a new Record", "Добавить запись");
  window->TRANSLATOR = &translator;
  browse.INSERTCONTROL = kInsert;
  backend.Check([&] {
    EXPECT_EQ(window->win->Property(kToolbarDown, rt::kPropToolTip), "Следующая запись");
    EXPECT_EQ(window->win->Property(kToolbarInsert, rt::kPropToolTip), "Добавить запись");
    EXPECT_EQ(window->win->Property(kToolbarUp, rt::kPropToolTip), "Go to the Prior Record")
        << "a tip the translator does not know is shown as it is";
  });
  window->Execute();
}

TEST_F(ToolbarTest, ActionButtonsPressTheBrowseButtons) {
  Open(10);
  struct Editor : RowEditorInterface {
    int EditRow(BrowseManager& b, uint8_t request) override {
      requests.push_back(request);
      uint8_t response = kResponseCancelled;
      b.ReloadAfterRequest(request, response);
      return response;
    }
    void FreeEditor(EditInPlaceControl*) override {}
    std::vector<int> requests;
  } editor;
  browse.ROWEDITOR = &editor;
  browse.INSERTCONTROL = kInsert;
  browse.CHANGECONTROL = kChange;
  browse.DELETECONTROL = kDelete;
  backend.Click(kToolbarInsert);
  backend.Click(kToolbarChange);
  backend.Click(kToolbarDelete);
  backend.Click(kToolbarHistory);  // disabled: nothing happens
  backend.Check([&] { EXPECT_EQ(editor.requests, (std::vector<int>{1, 2, 3})); });
  window->Execute();
}

TEST(ToolbarListTest, ChooseTargetPicksByControlOrTheLastVisible) {
  Toolbar toolbar;
  toolbar.Setup();
  ToolbarTarget a, b;
  toolbar.AppendTarget(&b, 30);
  toolbar.AppendTarget(&a, 3);
  EXPECT_EQ(a.CONTROL, 3);
  EXPECT_EQ(b.CONTROL, 30);
  ASSERT_EQ(toolbar.LIST->Records(), 2u);
  EXPECT_EQ(toolbar.LIST->At(1)->ITEM, &a) << "kept in control order";
  EXPECT_EQ(toolbar.ActiveTarget(), nullptr);
  toolbar.ChooseTarget(30);
  EXPECT_EQ(toolbar.ActiveTarget(), &b);
  toolbar.ChooseTarget(99);  // no such target: the active one stays
  EXPECT_EQ(toolbar.ActiveTarget(), &b);
  // No window is open: no list is visible, so the choice stays.
  toolbar.ChooseTarget(0);
  EXPECT_EQ(toolbar.ActiveTarget(), &b);
  toolbar.Teardown();
  EXPECT_EQ(toolbar.ActiveTarget(), nullptr);
  toolbar.RefreshButtons();  // nothing to refresh, nothing to crash
}

TEST(ToolbarListTest, NavigationButtonsMapToScrollEvents) {
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarBottom), 8);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarTop), 7);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarPageDown), 6);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarPageUp), 5);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarDown), 4);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarUp), 3);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarLocate), 9);
  EXPECT_EQ(ToolbarNavigationEvent(kToolbarInsert), 0);
  EXPECT_EQ(ToolbarNavigationEvent(0), 0);
}

}  // namespace
}  // namespace fw::test
