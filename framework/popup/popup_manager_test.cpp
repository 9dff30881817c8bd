#include "framework/popup/popup_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/translator_interface.h"
#include "framework/popup/toolbox_window_resource.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/menu_text.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

// The window a browse's popup menu and toolbox follow: buttons as the calculator has them.
enum ParentControl : int {
  kInsert = 9,    // "+"
  kChange = 10,   // "&Edit row"
  kDelete = 12,   // no text, a resource icon
  kPrint = 14,    // "&Print", disabled
  kTool = 30,     // "&Toolbox" with a standard icon
};

const rt::WindowResource& ParentResource() {
  static const rt::WindowResource* r = [] {
    auto* w = new rt::WindowResource;
    w->label = "POPTEST$W";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = 200;
    w->height = 100;
    auto add = [&](int number, std::string text, std::string icon, bool disabled) {
      rt::ControlResource c;
      c.number = number;
      c.kind = rt::ControlKind::kButton;
      c.x = 4 * number;
      c.y = 60;
      c.text = std::move(text);
      c.icon = std::move(icon);
      c.disabled = disabled;
      w->controls.push_back(c);
    };
    add(kInsert, "+", "", false);
    add(kChange, "&Edit row", "", false);
    add(kDelete, "", "~DELETE", false);
    add(kPrint, "&Print", "", true);
    add(kTool, "&Toolbox", rt::StandardIconRef(rt::kIconInformation), false);
    return w;
  }();
  return *r;
}

const PopupItem& Row(const PopupManager& m, size_t position) {
  return *m.POPUPITEMS->At(position);
}

// Polls until done holds; false when it did not within the time.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

bool ThreadFinished(int number) {
  std::shared_ptr<rt::RuntimeThread> t = rt::RuntimeThread::Find(number);
  return t && t->finished();
}

class UpperTranslator : public TranslatorInterface {
 public:
  std::string TranslateText(std::string_view text) override {
    if (text == "&Insert") return "&Вставить";
    return "<" + std::string(text) + ">";
  }
};

class PopupManagerTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override { popup_.Setup(); }
  void TearDown() override {
    popup_.Teardown();
    rt::test::HeadlessTest::TearDown();
  }
  // The parent window, open on this thread (so it is the target window).
  rt::Window& OpenParent() {
    parent_ = rt::Window::Prepare(ParentResource(), {});
    EXPECT_NE(parent_, nullptr);
    parent_->Open();
    return *parent_;
  }
  // The browse's items: the buttons it has, a separator and the toolbox button.
  void AddBrowseItems() {
    EXPECT_EQ(popup_.AppendMimicItem("!&Insert", "&Insert", kInsert), "Insert");
    EXPECT_EQ(popup_.AppendMimicItem("!&Change", "&Change", kChange), "Change");
    EXPECT_EQ(popup_.AppendMimicItem("!&Delete", "&Delete", kDelete), "Delete");
    EXPECT_EQ(popup_.AppendMimicItem("!&Print", "&Print", kPrint), "Print");
    EXPECT_EQ(popup_.AppendItem("-"), "Separator");
    std::string tool = popup_.AppendMimicItem("!&Toolbox", "&Toolbox", kTool);
    popup_.EnableToolbox(tool, false);
  }

  PopupManager popup_;
  std::unique_ptr<rt::Window> parent_;
};

// ------------------------------------------------------------------ names and items

TEST_F(PopupManagerTest, NamesAreMadeFromTextsAndKeptUnique) {
  EXPECT_EQ(popup_.AppendItem("-"), "Separator");
  EXPECT_EQ(popup_.AppendItem("-"), "Separator1");
  EXPECT_EQ(popup_.AppendItem("-"), "Separator2");
  EXPECT_EQ(popup_.AppendItem("&Insert"), "Insert");
  EXPECT_EQ(popup_.AppendItem("&Insert"), "Insert1");
  EXPECT_EQ(popup_.AppendItem("Sort by odds (high)  "), "Sortbyoddshigh");
  EXPECT_EQ(popup_.AppendItem("Go", "My_Go 2"), "My_Go2");
  EXPECT_EQ(popup_.MakeItemName("&Insert"), "Insert2") << "the next free name";

  EXPECT_EQ(popup_.FindItem("Separator1"), 2);
  EXPECT_EQ(popup_.FindItem("Insert1"), 5);
  EXPECT_EQ(popup_.FindItem("Insert1   "), 5) << "names compare as padded fields";
  EXPECT_EQ(popup_.FindItem("insert1"), 0);
  EXPECT_EQ(popup_.FindItem(""), 0);
  EXPECT_EQ(popup_.FindItem("Nothing"), 0);
}

TEST_F(PopupManagerTest, TextsWithoutLatinLettersGetNamesThatAreNeverEmpty) {
  // An empty name would read as "nothing chosen" when the item is chosen.
  EXPECT_EQ(popup_.AppendItem("Вставить"), "Item");
  EXPECT_EQ(popup_.AppendItem("Удалить"), "Item1");
  EXPECT_EQ(popup_.AppendItem(""), "Item2");
  EXPECT_EQ(PopupField(Row(popup_, 1).TEXT), "Вставить");
}

TEST_F(PopupManagerTest, NamesOfLongTextsFitTheFieldAndStayUnique) {
  std::string long_text(3000, 'a');
  std::string first = popup_.AppendItem(long_text);
  std::string second = popup_.AppendItem(long_text);
  std::string third = popup_.AppendItem(long_text);
  EXPECT_EQ(first.size(), kPopupNameBytes);
  EXPECT_EQ(second.size(), kPopupNameBytes);
  EXPECT_EQ(second.substr(second.size() - 1), "1");
  EXPECT_EQ(third.substr(third.size() - 1), "2");
  EXPECT_NE(first, second);
  EXPECT_EQ(popup_.FindItem(second), 2);
  EXPECT_EQ(popup_.FindItem(third), 3);
  // Texts are cut on a character boundary.
  std::string cyrillic;
  for (int i = 0; i < 700; ++i) cyrillic += "ж";  // 2 bytes each
  popup_.AppendItem(cyrillic);
  std::string_view kept = PopupField(Row(popup_, 4).TEXT);
  EXPECT_EQ(kept.size(), 1024u);
  EXPECT_EQ(kept.substr(kept.size() - 2), "ж");
}

TEST_F(PopupManagerTest, TheListHoldsAtMost255Items) {
  for (size_t i = 1; i <= kMaxPopupItems; ++i) {
    ASSERT_FALSE(popup_.AppendItem("x").empty()) << "item " << i;
  }
  EXPECT_EQ(popup_.AppendItem("x"), "") << "a 256th item is refused, not lost";
  EXPECT_EQ(popup_.AppendEventItem("More", 1, kInsert), "");
  EXPECT_EQ(popup_.POPUPITEMS->Records(), kMaxPopupItems);
  EXPECT_EQ(popup_.FindItem("x254"), 255);
}

TEST_F(PopupManagerTest, PrefixesAndPlacementOfNewItems) {
  popup_.AppendItem("~+&Save");
  const PopupItem& save = Row(popup_, 1);
  EXPECT_EQ(save.DISABLED, kPopupItemDisabled);
  EXPECT_EQ(save.CHECK, kPopupItemChecked);
  EXPECT_EQ(PopupField(save.TEXT), "&Save");
  EXPECT_EQ(save.DEPTH, 1);
  EXPECT_EQ(PopupField(save.NAME), "Save");

  popup_.AppendItem("-&Off", "Off");
  EXPECT_EQ(Row(popup_, 2).CHECK, kPopupItemUnchecked);
  EXPECT_EQ(PopupField(Row(popup_, 2).TEXT), "&Off");
  popup_.AppendItem("-");
  EXPECT_EQ(PopupField(Row(popup_, 3).TEXT), "-") << "a separator keeps its text";
  EXPECT_EQ(Row(popup_, 3).CHECK, 0);

  // After a named item, with its depth; after a name no item has: at the end.
  popup_.AppendItem("Sub", "Sub", "Save", 2);
  popup_.AppendItem("Sub two", "Sub2", "Sub", 0);
  popup_.AppendItem("Last", "Last", "Nowhere", 0);
  popup_.AppendItem("Deep", "Deep", "", 60);
  EXPECT_EQ(PopupField(Row(popup_, 2).NAME), "Sub");
  EXPECT_EQ(Row(popup_, 2).DEPTH, 2);
  EXPECT_EQ(PopupField(Row(popup_, 3).NAME), "Sub2");
  EXPECT_EQ(Row(popup_, 3).DEPTH, 2);
  EXPECT_EQ(PopupField(Row(popup_, 6).NAME), "Last");
  EXPECT_EQ(Row(popup_, 6).DEPTH, 1);
  EXPECT_EQ(Row(popup_, 7).DEPTH, kMaxPopupDepth);
}

TEST_F(PopupManagerTest, EventAndMimicItemsReuseTheItemTheyName) {
  EXPECT_EQ(popup_.AppendEventItem("Open", 0x7F01, kChange), "Open");
  EXPECT_EQ(popup_.AppendEventItem("Open", 0x7F02, kInsert), "Open");
  ASSERT_EQ(popup_.POPUPITEMS->Records(), 1u);
  EXPECT_EQ(Row(popup_, 1).EVENT, 0x7F02);
  EXPECT_EQ(Row(popup_, 1).CONTROLID, kInsert);
  EXPECT_EQ(Row(popup_, 1).ONTOOLBOX, 1);
  EXPECT_EQ(Row(popup_, 1).MIMICMODE, 0);

  // Preparing the list twice must not give the menu two "&Insert" items.
  EXPECT_EQ(popup_.AppendMimicItem("!&Insert", "&Insert", kInsert), "Insert");
  EXPECT_EQ(popup_.AppendMimicItem("!&Insert", "&Insert", kInsert), "Insert");
  ASSERT_EQ(popup_.POPUPITEMS->Records(), 2u);
  const PopupItem& insert = Row(popup_, 2);
  EXPECT_EQ(PopupField(insert.TEXT), "!&Insert");
  EXPECT_EQ(insert.MIMICMODE, 1);
  EXPECT_EQ(insert.EVENT, rt::kEventAccepted);

  popup_.EnableToolbox("Insert", false);
  EXPECT_EQ(Row(popup_, 2).ONTOOLBOX, 0);
  popup_.EnableToolbox("Nothing", false);  // no such item: nothing changes
  EXPECT_EQ(Row(popup_, 1).ONTOOLBOX, 1);
}

TEST_F(PopupManagerTest, WithoutSetupNothingIsAddedOrShown) {
  PopupManager idle;
  EXPECT_EQ(idle.AppendItem("&Insert"), "");
  EXPECT_EQ(idle.AppendMimicItem("!&Insert", "&Insert", kInsert), "");
  EXPECT_EQ(idle.FindItem("Insert"), 0);
  EXPECT_EQ(idle.ShowMenu(0, 0), "");
  idle.ShowToolbox("Browse Actions");
  EXPECT_FALSE(idle.ToolboxRunning());
  idle.Setup();
  EXPECT_EQ(idle.CLEARKEYCODE, 1);
  EXPECT_EQ(idle.MYTHREAD, rt::ThreadNumber());
  EXPECT_EQ(idle.AppendItem("&Insert"), "Insert");
  idle.Teardown();
  EXPECT_EQ(idle.POPUPITEMS, nullptr);
  EXPECT_EQ(idle.AppendItem("&Insert"), "");
  EXPECT_TRUE(backend().Popups().empty());
}

// ------------------------------------------------------------------ menu text

TEST_F(PopupManagerTest, MenuTextOfPlainItemsSeparatorsAndMarks) {
  popup_.AppendItem("&Insert");
  popup_.AppendItem("&Change");
  popup_.AppendItem("-");
  popup_.AppendItem("~&Delete");
  EXPECT_EQ(popup_.BuildMenuText(), "|&Insert|&Change|-|~&Delete");
  popup_.AppendItem("+&Bold");
  popup_.AppendItem("-&Italic");
  popup_.AppendItem("~-&Under");
  EXPECT_EQ(popup_.BuildMenuText(), "|&Insert|&Change|-|~&Delete|+&Bold|-&Italic|~-&Under");
  rt::MenuText menu = rt::MenuText::Parse(popup_.BuildMenuText());
  EXPECT_EQ(menu.ChoiceCount(), 6);
  EXPECT_EQ(popup_.ChoiceToName(3), "Delete") << "the separator is not counted";
  EXPECT_EQ(popup_.ChoiceToName(6), "Under");
  EXPECT_EQ(popup_.ChoiceToName(7), "");
  EXPECT_EQ(popup_.ChoiceToName(0), "");
}

TEST_F(PopupManagerTest, SubmenusFollowDepthsAndHeadingsAreNotChoices) {
  popup_.AppendItem("A", "A", "", 1);
  popup_.AppendItem("B", "B", "", 2);
  popup_.AppendItem("C", "C", "", 2);
  popup_.AppendItem("D", "D", "", 1);
  EXPECT_EQ(popup_.BuildMenuText(), "|A{B|C}D");
  EXPECT_EQ(popup_.ChoiceToName(1), "B");
  EXPECT_EQ(popup_.ChoiceToName(2), "C");
  EXPECT_EQ(popup_.ChoiceToName(3), "D");
  EXPECT_EQ(popup_.ChoiceToName(4), "");
}

TEST_F(PopupManagerTest, AStepBackOverSeveralLevelsReturnsToTheNamedLevel) {
  // 1, 2, 3, 1: D belongs to the top menu, not under A.
  popup_.AppendItem("A", "A", "", 1);
  popup_.AppendItem("B", "B", "", 2);
  popup_.AppendItem("C", "C", "", 3);
  popup_.AppendItem("D", "D", "", 1);
  EXPECT_EQ(popup_.BuildMenuText(), "|A{B{C}}D");
  rt::MenuText menu = rt::MenuText::Parse(popup_.BuildMenuText());
  ASSERT_EQ(menu.Items().size(), 2u);
  EXPECT_EQ(menu.Items()[1].text, "D");
  EXPECT_EQ(menu.FindChoice(2)->text, "D");
  EXPECT_EQ(popup_.ChoiceToName(2), "D");

  // Many climbs and falls never open more submenus than the menu reader keeps.
  PopupManager deep;
  deep.Setup();
  for (int round = 0; round < 40; ++round) {
    for (uint16_t d = 1; d <= 4; ++d) {
      std::string text = "r" + std::to_string(round) + "d" + std::to_string(d);
      deep.AppendItem(text, text, "", d);
    }
  }
  rt::MenuText parsed = rt::MenuText::Parse(deep.BuildMenuText());
  ASSERT_EQ(parsed.ChoiceCount(), 40);
  EXPECT_EQ(parsed.Items().size(), 40u) << "every round starts at the top again";
  for (int c = 1; c <= 40; ++c) {
    std::string expected = "r" + std::to_string(c - 1) + "d4";
    EXPECT_EQ(parsed.FindChoice(c)->text, expected);
    EXPECT_EQ(deep.ChoiceToName(c), expected);
  }
}

TEST_F(PopupManagerTest, ItemTextsCannotChangeTheMenusShape) {
  // Each of these texts, written into the menu as it is, would split an item, open or close a
  // submenu, be read as marks or an icon part, or vanish: every later choice would then post
  // to the wrong control.
  const std::vector<std::string> texts = {"a|b", "{x}", "Sort}", "[x]y", "+", "--", "x~"};
  popup_.AppendItem("First");
  for (const std::string& t : texts) {
    std::string name = popup_.AppendItem("plain", "t");
    auto* row = static_cast<PopupItem*>(popup_.POPUPITEMS->RowAt(popup_.FindItem(name)));
    SetPopupField(row->TEXT, t);  // as a translator or a control could hand it
  }
  popup_.AppendMimicItem("!&Empty", "&Empty", 99);  // no such control: its own text
  auto* empty = static_cast<PopupItem*>(popup_.POPUPITEMS->RowAt(popup_.FindItem("Empty")));
  SetPopupField(empty->TEXT, "");
  popup_.AppendItem("Last");

  rt::MenuText menu = rt::MenuText::Parse(popup_.BuildMenuText());
  ASSERT_EQ(menu.ChoiceCount(), static_cast<int>(texts.size()) + 3) << popup_.BuildMenuText();
  EXPECT_EQ(menu.FindChoice(2)->text, "a\xC2\xA6" "b");
  EXPECT_EQ(menu.FindChoice(3)->text, "(x)");
  EXPECT_EQ(menu.FindChoice(5)->text, "[x]y");
  EXPECT_EQ(menu.FindChoice(6)->text, "+");
  EXPECT_EQ(menu.FindChoice(6)->check, rt::MenuItem::Check::kNone);
  EXPECT_EQ(menu.FindChoice(7)->text, "--");
  EXPECT_EQ(menu.FindChoice(9)->text, "");
  EXPECT_EQ(menu.FindChoice(10)->text, "Last");
  EXPECT_EQ(popup_.ChoiceToName(10), "Last");
}

TEST_F(PopupManagerTest, IconsGiveEveryItemAnIconPart) {
  popup_.AppendItem("&Open");
  popup_.AppendItem("-");
  popup_.AppendItem("&Save");
  auto* save = static_cast<PopupItem*>(popup_.POPUPITEMS->RowAt(3));
  SetPopupField(save->ICON, "SAVE");
  EXPECT_EQ(popup_.BuildMenuText(), "|[]&Open|-|[31848(~SAVE)]&Save");
  SetPopupField(save->ICON, "~SAVE");
  EXPECT_EQ(popup_.BuildMenuText(), "|[]&Open|-|[31848(~SAVE)]&Save") << "one ~, not two";
  // A standard icon goes as it is, so the popup can show it.
  std::string info = rt::StandardIconRef(rt::kIconInformation);
  SetPopupField(save->ICON, info);
  rt::MenuText menu = rt::MenuText::Parse(popup_.BuildMenuText());
  EXPECT_EQ(menu.FindChoice(2)->icon, info);
  EXPECT_EQ(menu.FindChoice(2)->text, "&Save");
  // An icon whose bytes would end the part early is left out rather than breaking the menu.
  SetPopupField(save->ICON, "a)b|c");
  EXPECT_EQ(popup_.BuildMenuText(), "|[]&Open|-|[]&Save");
}

TEST_F(PopupManagerTest, TheTranslatorSeesEveryShownTextButNotSeparators) {
  UpperTranslator translator;
  popup_.TRANSLATOR = &translator;
  popup_.AppendItem("&Insert");
  popup_.AppendItem("-");
  popup_.AppendItem("~&Delete");
  EXPECT_EQ(popup_.BuildMenuText(), "|&Вставить|-|~<&Delete>");
}

// ------------------------------------------------------------------ mimic items

TEST_F(PopupManagerTest, MimicItemsShowTheirButtonsTextStateAndIconAsTheyAreNow) {
  rt::Window& parent = OpenParent();
  AddBrowseItems();
  rt::MenuText menu = rt::MenuText::Parse(popup_.BuildMenuText());
  ASSERT_EQ(menu.ChoiceCount(), 5);
  EXPECT_EQ(menu.FindChoice(1)->text, "+") << "the button's own text, not a check mark";
  EXPECT_EQ(menu.FindChoice(1)->check, rt::MenuItem::Check::kNone);
  EXPECT_EQ(menu.FindChoice(2)->text, "&Edit row");
  EXPECT_EQ(menu.FindChoice(3)->text, "&Delete") << "a button without text keeps the item's";
  EXPECT_EQ(menu.FindChoice(3)->icon, "~DELETE");
  EXPECT_TRUE(menu.FindChoice(4)->disabled);
  EXPECT_EQ(menu.FindChoice(5)->icon, rt::StandardIconRef(rt::kIconInformation));

  // Read again at every build, and nothing is written back to the items.
  parent.Enable(kPrint);
  parent.Disable(kInsert);
  parent.SetProperty(kChange, rt::kPropText, "&Change it");
  menu = rt::MenuText::Parse(popup_.BuildMenuText());
  EXPECT_FALSE(menu.FindChoice(4)->disabled);
  EXPECT_TRUE(menu.FindChoice(1)->disabled);
  EXPECT_EQ(menu.FindChoice(2)->text, "&Change it");
  EXPECT_EQ(PopupField(Row(popup_, 1).TEXT), "!&Insert");
  EXPECT_EQ(Row(popup_, 1).DISABLED, 0);
  EXPECT_EQ(PopupField(Row(popup_, 3).ICON), "");
  parent.Enable(kInsert);
  EXPECT_FALSE(rt::MenuText::Parse(popup_.BuildMenuText()).FindChoice(1)->disabled);
}

// ------------------------------------------------------------------ choosing

TEST_F(PopupManagerTest, AChosenItemIsNamedAndItsControlPressedWithTheKeyCodeCleared) {
  rt::Window& parent = OpenParent();
  AddBrowseItems();
  backend().ChooseNextPopupItem(3);
  rt::SetKeyCode(rt::kMouseRightUp);  // the right click that opened the menu
  EXPECT_EQ(popup_.ShowMenu(0, 0), "Delete");
  EXPECT_EQ(popup_.LASTSELECTION, "Delete");
  EXPECT_EQ(rt::KeyCode(), 0);
  ASSERT_EQ(backend().Popups().size(), 1u);
  const rt::PopupRecord& shown = backend().Popups()[0];
  EXPECT_EQ(shown.choices, (std::vector<std::string>{"+", "&Edit row", "&Delete", "&Print",
                                                     "&Toolbox"}));
  EXPECT_EQ(shown.enabled, (std::vector<bool>{true, true, true, false, true}));

  std::vector<rt::test::Seen> seen = rt::test::RunLoop(parent, [](const rt::Event& e) {
    return e.number == rt::kEventAccepted ? rt::kStepLeave : rt::kStepDefault;
  });
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().event, rt::kEventAccepted);
  EXPECT_EQ(seen.back().control, kDelete);
  EXPECT_EQ(seen.back().key_code, 0);
}

TEST_F(PopupManagerTest, WithoutClearKeyCodeThePressKeepsTheKeyCode) {
  rt::Window& parent = OpenParent();
  AddBrowseItems();
  popup_.CLEARKEYCODE = 0;
  backend().ChooseNextPopupItem(1);
  rt::SetKeyCode(rt::kMouseRightUp);
  EXPECT_EQ(popup_.ShowMenu(10, 20), "Insert");
  std::vector<rt::test::Seen> seen = rt::test::RunLoop(parent, [](const rt::Event& e) {
    return e.number == rt::kEventAccepted ? rt::kStepLeave : rt::kStepDefault;
  });
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().control, kInsert);
  EXPECT_EQ(seen.back().key_code, rt::kMouseRightUp);
}

TEST_F(PopupManagerTest, EventItemsPostTheirEventAndPlainItemsPostNothing) {
  constexpr int kEventSort = 0x7F20;
  rt::Window& parent = OpenParent();
  popup_.AppendItem("&Plain");
  popup_.AppendEventItem("&Sort", kEventSort, kChange);
  popup_.AppendItem("Удалить");
  popup_.AppendEventItem("Item", kEventSort + 1, kInsert);  // names the Russian item

  backend().ChooseNextPopupItem(1);
  EXPECT_EQ(popup_.ShowMenu(0, 0), "Plain");
  backend().ChooseNextPopupItem(2);
  EXPECT_EQ(popup_.ShowMenu(0, 0), "Sort");
  backend().ChooseNextPopupItem(3);
  EXPECT_EQ(popup_.ShowMenu(0, 0), "Item") << "a Russian item is chosen, not dismissed";

  std::vector<rt::test::Seen> seen = rt::test::RunLoop(parent);
  std::vector<int> posted;
  for (const rt::test::Seen& s : seen) {
    if (s.event != rt::kEventOpenWindow && s.event != rt::kEventCloseWindow &&
        s.event != rt::kEventSelected) {
      posted.push_back(s.event);
      posted.push_back(s.control);
    }
  }
  EXPECT_EQ(posted, (std::vector<int>{kEventSort, kChange, kEventSort + 1, kInsert}));
}

TEST_F(PopupManagerTest, ADismissedMenuNamesNothingAndPostsNothing) {
  rt::Window& parent = OpenParent();
  AddBrowseItems();
  popup_.LASTSELECTION = "Insert";
  backend().ChooseNextPopupItem(0);
  EXPECT_EQ(popup_.ShowMenu(0, 0), "");
  EXPECT_EQ(popup_.LASTSELECTION, "");
  std::vector<rt::test::Seen> seen = rt::test::RunLoop(parent);
  for (const rt::test::Seen& s : seen) EXPECT_NE(s.event, rt::kEventAccepted);
}

// ------------------------------------------------------------------ the toolbox

// The toolbox of the browse's items; the main thread is the owner and runs the parent's loop.
class PopupToolboxTest : public PopupManagerTest {
 protected:
  void SetUp() override {
    PopupManagerTest::SetUp();
    backend().SetWorkerPatience(3000ms);
  }
  // Runs the parent's loop until an accepted control arrives; its Seen, or none.
  std::vector<rt::test::Seen> NextPress() {
    std::vector<rt::test::Seen> seen = rt::test::RunLoop(*parent_, [](const rt::Event& e) {
      return e.number == rt::kEventAccepted ? rt::kStepLeave : rt::kStepDefault;
    });
    std::vector<rt::test::Seen> presses;
    for (const rt::test::Seen& s : seen) {
      if (s.event == rt::kEventAccepted) presses.push_back(s);
    }
    return presses;
  }
  void ExpectToolboxEnds(int thread) {
    EXPECT_TRUE(WaitUntil([&] { return !popup_.ToolboxRunning(); }));
    EXPECT_TRUE(WaitUntil([&] { return ThreadFinished(thread); }));
    EXPECT_EQ(popup_.THISWINDOW, nullptr);
  }
};

TEST_F(PopupToolboxTest, RunsOnItsOwnThreadAndPressesTheParentsButtons) {
  OpenParent();
  popup_.AppendItem("&Sort by odds");  // in the menu only, before the toolbox's items
  AddBrowseItems();
  const int owner = rt::ThreadNumber();

  std::atomic<int> toolbox_thread{0};
  backend().Check([&] {
    toolbox_thread = rt::ThreadNumber();
    rt::Window* box = popup_.THISWINDOW;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->label(), "P10$W");
    EXPECT_EQ(box->caption(), "Browse Actions");
    EXPECT_EQ(box->owner(), parent_.get());
    // One button per toolbox item, numbered over those items alone.
    EXPECT_EQ(box->controls().size(), 4u);
    EXPECT_EQ(box->Property(1, rt::kPropText), "+");
    EXPECT_EQ(box->Property(2, rt::kPropText), "&Edit row");
    EXPECT_EQ(box->Property(3, rt::kPropIcon), "~DELETE");
    EXPECT_EQ(box->Property(3, rt::kPropToolTip), "&Delete");
    EXPECT_EQ(box->Property(4, rt::kPropText), "&Print");
    EXPECT_EQ(box->PropertyInt(4, rt::kPropDisabled), 1) << "its button is disabled";
    EXPECT_EQ(box->PropertyInt(1, rt::kPropDisabled), 0);
    // A row of buttons, and a window just as wide and tall.
    int x = 0, tallest = 0;
    for (int k = 1; k <= 4; ++k) {
      EXPECT_EQ(box->PropertyInt(k, rt::kPropX), x);
      EXPECT_EQ(box->PropertyInt(k, rt::kPropY), 0);
      EXPECT_EQ(box->PropertyInt(k, rt::kPropVisible), 1);
      x += static_cast<int>(box->PropertyInt(k, rt::kPropWidth));
      tallest = std::max(tallest, static_cast<int>(box->PropertyInt(k, rt::kPropHeight)));
    }
    EXPECT_EQ(box->width(), x);
    EXPECT_EQ(box->height(), tallest);
  }).window = "P10$W";
  backend().Click(3).window = "P10$W";  // "&Delete"; the menu's choice 3 is "&Change"
  backend().CloseWindow().window = "P10$W";

  popup_.ShowToolbox("Browse Actions");
  EXPECT_TRUE(popup_.ToolboxRunning());
  EXPECT_EQ(popup_.PARENTWINDOW, parent_.get());
  const int thread = popup_.ToolboxThread();
  EXPECT_NE(thread, owner);

  rt::SetKeyCode(rt::kMouseRightUp);
  std::vector<rt::test::Seen> presses = NextPress();
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_EQ(presses[0].control, kDelete);
  EXPECT_EQ(presses[0].key_code, 0) << "the toolbox clears the owner's key code";
  ExpectToolboxEnds(thread);
  EXPECT_EQ(toolbox_thread, thread);
  EXPECT_EQ(popup_.LASTSELECTION, "");  // the close that ended the toolbox chose nothing
}

TEST_F(PopupToolboxTest, ButtonsFollowTheParentAndADisabledControlIsNeverPressed) {
  rt::Window& parent = OpenParent();
  AddBrowseItems();
  std::atomic<bool> up{false}, disabled{false}, refused{false}, enabled{false};
  auto box_disabled = [&](int k) { return popup_.THISWINDOW->PropertyInt(k, rt::kPropDisabled); };
  backend().Check([&] {
    EXPECT_EQ(box_disabled(3), 0);
    up = true;
    EXPECT_TRUE(WaitUntil([&] { return disabled.load(); }));
  }).window = "P10$W";
  backend().Click(3).window = "P10$W";  // still shown enabled; its control is not any more
  backend().Check([&] {
    EXPECT_EQ(box_disabled(3), 1) << "the toolbox caught up with its control";
    refused = true;
    EXPECT_TRUE(WaitUntil([&] { return enabled.load(); }));
  }).window = "P10$W";
  backend().Check([&] { EXPECT_EQ(box_disabled(3), 0) << "refreshed on request"; }).window =
      "P10$W";
  backend().Click(1).window = "P10$W";
  backend().CloseWindow().window = "P10$W";

  popup_.ShowToolbox("Browse Actions");
  const int thread = popup_.ToolboxThread();
  ASSERT_TRUE(WaitUntil([&] { return up.load(); }));
  parent.Disable(kDelete);
  disabled = true;
  ASSERT_TRUE(WaitUntil([&] { return refused.load(); }));
  parent.Enable(kDelete);
  popup_.RefreshToolbox();
  enabled = true;

  std::vector<rt::test::Seen> presses = NextPress();
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_EQ(presses[0].control, kInsert) << "the disabled delete button was not pressed";
  ExpectToolboxEnds(thread);
}

TEST_F(PopupToolboxTest, TheOwnersMenuStillShowsWhileTheToolboxIsOpen) {
  OpenParent();
  AddBrowseItems();
  std::atomic<bool> up{false};
  backend().Check([&] { up = true; }).window = "P10$W";
  popup_.ShowToolbox("Browse Actions");
  const int thread = popup_.ToolboxThread();
  popup_.ShowToolbox("Again");
  EXPECT_EQ(popup_.ToolboxThread(), thread) << "one toolbox at a time";
  ASSERT_TRUE(WaitUntil([&] { return up.load(); }));

  // A right click on the list while the toolbox is open.
  backend().ChooseNextPopupItem(2);
  EXPECT_EQ(popup_.ShowMenu(0, 0), "Change");
  EXPECT_EQ(backend().Popups().size(), 1u);
  // Items may be added meanwhile: the owner and the toolbox take turns on them.
  EXPECT_EQ(popup_.AppendItem("&Refresh"), "Refresh");

  popup_.Teardown();
  EXPECT_TRUE(WaitUntil([&] { return ThreadFinished(thread); }));
}

TEST_F(PopupToolboxTest, TeardownClosesTheToolboxWithoutWaitingAndItEndsByItself) {
  OpenParent();
  auto popup = std::make_unique<PopupManager>();
  popup->Setup();
  popup->AppendMimicItem("!&Insert", "&Insert", kInsert);
  std::atomic<bool> up{false};
  backend().Check([&] { up = true; }).window = "P10$W";
  popup->ShowToolbox("Browse Actions");
  const int thread = popup->ToolboxThread();
  ASSERT_TRUE(WaitUntil([&] { return up.load(); }));

  auto started = std::chrono::steady_clock::now();
  popup->Teardown();
  popup.reset();  // the toolbox's thread must not touch the freed manager
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms);
  EXPECT_TRUE(WaitUntil([&] { return ThreadFinished(thread); }));
  EXPECT_TRUE(backend().AutoCloses().empty()) << "closed by the teardown, not by the script";
}

TEST_F(PopupToolboxTest, NothingOpensWithoutToolboxItemsOrWithoutAWindow) {
  popup_.AppendMimicItem("!&Insert", "&Insert", kInsert);
  popup_.ShowToolbox("No window");
  EXPECT_FALSE(popup_.ToolboxRunning()) << "no window to press buttons of";
  OpenParent();
  popup_.EnableToolbox("Insert", false);
  popup_.AppendItem("-");
  popup_.ShowToolbox("Empty");
  EXPECT_FALSE(popup_.ToolboxRunning()) << "a toolbox without buttons could not be closed";
  EXPECT_EQ(popup_.ToolboxThread(), 0);
}

TEST(ToolboxWindowResourceTest, IsCompiledInAndFoundByName) {
  const rt::WindowResource& box = ToolboxWindowResource();
  EXPECT_EQ(rt::FindWindowResource(kPopupResource, kToolboxLabel), &box);
  EXPECT_TRUE(box.controls.empty()) << "its buttons are made at run time";
  std::unique_ptr<rt::Window> w = rt::Window::Prepare(kPopupResource, kToolboxLabel, {});
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->font().face, "MS Sans Serif");
  EXPECT_EQ(w->font().points, 8);
}

}  // namespace
}  // namespace fw
