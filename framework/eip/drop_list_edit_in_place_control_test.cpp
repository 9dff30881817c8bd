#include "framework/eip/drop_list_edit_in_place_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/eip/eip_test_window.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"

namespace fw::eiptest {
namespace {

class DropListEditInPlaceControlTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    rows.buffer.nn = 1;
    rows.Append();
    drop.AddChoice("first");
    drop.AddChoice("second");
    drop.AddChoice("third");
    drop.SetWindow(win.get());
  }
  std::vector<std::string> Choices() const {
    std::vector<std::string> out;
    for (size_t r = 1; r <= win->ListRowCount(drop.FEQ); ++r) {
      out.push_back(win->CellText(drop.FEQ, r, 1));
    }
    return out;
  }

  DropListEditInPlaceControl drop;
  char value[16] = "second";
};

TEST_F(DropListEditInPlaceControlTest, ItIsAListOfTheChoicesFloatedOverTheCellWithTheValueHighlighted) {
  drop.Setup(2, kList, rt::AnyRef::CString(value));
  ASSERT_NE(drop.FEQ, 0);
  const rt::Control* list = win->Find(drop.FEQ);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->kind(), rt::ControlKind::kList);
  EXPECT_EQ(Choices(), (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(drop.Chosen(), 2u);
  // Up and Down stay the list's own: only Tab, Shift+Tab, Enter and Esc ask the row for more.
  EXPECT_FALSE(list->IsAlertKey(rt::kKeyDown));
  EXPECT_FALSE(list->IsAlertKey(rt::kKeyUp));
  for (int key : {rt::kKeyTab, rt::kKeyShiftTab, rt::kKeyEnter, rt::kKeyEsc}) {
    EXPECT_TRUE(list->IsAlertKey(key)) << key;
  }

  win->Open();
  ASSERT_TRUE(win->SetPropertyInt(kList, rt::kPropColumnEditor, drop.FEQ, 2))
      << "a list floats over a cell like an entry";
  EXPECT_FALSE(list->hidden());
  EXPECT_EQ(list->floated_list(), kList);
  // A list cannot float over itself, nor over the list it already drops from.
  EXPECT_FALSE(win->SetPropertyInt(drop.FEQ, rt::kPropColumnEditor, drop.FEQ, 1));

  const int32_t feq = drop.FEQ;
  drop.Teardown();
  EXPECT_EQ(win->Find(feq), nullptr);
  EXPECT_EQ(win->Find(kList)->column_editor(2), 0) << "gone from the cell with the control";
}

TEST_F(DropListEditInPlaceControlTest, HighlightsTakeTheirChoiceAClickCompletesAndKeysAskTheRow) {
  drop.Setup(2, kList, rt::AnyRef::CString(value));
  win->Open();
  ASSERT_TRUE(win->SetPropertyInt(kList, rt::kPropColumnEditor, drop.FEQ, 2));
  const int feq = drop.FEQ;
  // Down moves the highlight: its choice is the value at once, the row goes on being edited.
  backend().PressKey(feq, rt::kKeyDown);
  // The value changed behind the list (another row read): the focus arriving shows it.
  backend().Check([&] { rt::AnyRef::CString(value).SetText("first"); });
  backend().Click(feq);
  backend().PressKey(feq, rt::kKeyEsc);
  backend().ClickRow(feq, 3);
  std::vector<EditAction> actions;
  std::vector<std::string> values;
  std::vector<size_t> chosen;
  std::string seen;  // the events of the list, for a failure's message
  rt::EventLoop loop(*win);
  backend().CloseWindow();
  while (loop.Next()) {
    const rt::Event& e = loop.event();
    if (e.control == feq && e.number != rt::kEventAccepted) {
      actions.push_back(drop.HandleEditorEvent(e.number));
      values.push_back(value);
      chosen.push_back(drop.Chosen());
      seen += std::to_string(e.number) + " ";
    }
    loop.EndEvent(rt::kStepDefault);
  }
  // The new highlight by Down, the focus arriving with the click, Esc, the click on a choice.
  ASSERT_EQ(actions.size(), 4u) << seen;
  EXPECT_EQ(actions[0], kEditActionNone);
  EXPECT_EQ(values[0], "third");
  EXPECT_EQ(actions[1], kEditActionNone);
  EXPECT_EQ(chosen[1], 1u) << "the focus arriving highlights the value's choice";
  EXPECT_EQ(actions[2], kEditActionCancel);
  EXPECT_EQ(actions[3], kEditActionComplete);
  EXPECT_EQ(values[3], "third");
}

}  // namespace
}  // namespace fw::eiptest
