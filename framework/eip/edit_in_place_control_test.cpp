#include "framework/eip/edit_in_place_control.h"

#include <gtest/gtest.h>

#include "framework/eip/eip_test_window.h"
#include "runtime/windows/event.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"

namespace fw::eiptest {
namespace {

class EditInPlaceControlTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    rows.buffer.kf = 1.5;
  }
};

TEST_F(EditInPlaceControlTest, SetupMakesAnEntryBoundToTheColumnWithItsPictureAndKeys) {
  EditInPlaceControl editor;
  editor.SetWindow(win.get());
  editor.Setup(2, kList, layout.Field(&rows.buffer, "KF:KF"));
  ASSERT_NE(editor.FEQ, 0);
  EXPECT_EQ(editor.LISTBOXFEQ, kList);
  const rt::Control* entry = win->Find(editor.FEQ);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->kind(), rt::ControlKind::kEntry);
  EXPECT_TRUE(entry->hidden()) << "shown only when floated over a cell";
  EXPECT_EQ(win->Property(editor.FEQ, rt::kPropText), "n5.2");
  EXPECT_EQ(entry->shown_text(), " 1.50");
  const int keys[] = {rt::kKeyTab, rt::kKeyShiftTab, rt::kKeyEnter,
                      rt::kKeyEsc, rt::kKeyDown,     rt::kKeyUp};
  for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(entry->alert_key(slot), keys[slot - 1]);

  // Floated over the cell, what the user types goes into the list-queue field through the
  // runtime's update.
  win->Open();
  ASSERT_TRUE(win->SetPropertyInt(kList, rt::kPropColumnEditor, editor.FEQ, 2));
  EXPECT_FALSE(entry->hidden());
  win->UserType(editor.FEQ, "2.25");
  EXPECT_TRUE(win->Update(editor.FEQ));
  const double typed = rows.buffer.kf;  // a packed field: read it by value
  EXPECT_EQ(typed, 2.25);

  const int32_t feq = editor.FEQ;
  editor.Teardown();
  EXPECT_EQ(editor.FEQ, 0);
  EXPECT_TRUE(editor.USEVAR.IsNull());
  EXPECT_EQ(win->Find(feq), nullptr);
  editor.Teardown();  // twice is harmless
}

TEST_F(EditInPlaceControlTest, AlertKeysMapToActionsAndNothingElseDoes) {
  EditInPlaceControl editor;
  const std::pair<int, EditAction> map[] = {
      {rt::kKeyTab, kEditActionNext},      {rt::kKeyShiftTab, kEditActionPrevious},
      {rt::kKeyEnter, kEditActionComplete}, {rt::kKeyEsc, kEditActionCancel},
      {rt::kKeyDown, kEditActionForward},  {rt::kKeyUp, kEditActionBackward},
      {'A', kEditActionNone},              {rt::kKeyCtrlEnter, kEditActionNone},
  };
  for (const auto& [key, action] : map) {
    rt::SetKeyCode(key);
    EXPECT_EQ(editor.HandleEditorEvent(rt::kEventAlertKey), action) << key;
    EXPECT_EQ(editor.HandleEditorEvent(rt::kEventAccepted), kEditActionNone) << key;
  }
  rt::SetKeyCode(0);
}

TEST_F(EditInPlaceControlTest, AForgottenTeardownStillRemovesTheEntry) {
  int32_t feq = 0;
  {
    EditInPlaceControl editor;
    editor.SetWindow(win.get());
    editor.Setup(2, kList, layout.Field(&rows.buffer, "KF:KF"));
    feq = editor.FEQ;
    ASSERT_NE(win->Find(feq), nullptr);
  }
  EXPECT_EQ(win->Find(feq), nullptr);
}

}  // namespace
}  // namespace fw::eiptest
