#include "framework/window/text_translator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "runtime/values/any_ref.h"
#include "runtime/windows/control.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {
namespace {

rt::ControlResource Control(int number, rt::ControlKind kind, std::string text) {
  rt::ControlResource c;
  c.number = number;
  c.kind = kind;
  c.text = std::move(text);
  return c;
}

TEST(TextTranslatorTest, AWindowsOwnWordsAreTranslatedAndItsValuesAreNot) {
  rt::WindowResource r;
  r.label = "T$W";
  r.caption = "Delete";
  r.width = 100;
  r.height = 50;
  rt::ControlResource button = Control(1, rt::ControlKind::kButton, "&Delete");
  button.tool_tip = "Delete";
  button.message = "Unknown words stay";
  r.controls.push_back(button);
  r.controls.push_back(Control(2, rt::ControlKind::kPrompt, "Delete"));
  // A display string shows its variable: "Delete" there is the user's data.
  rt::ControlResource shown = Control(3, rt::ControlKind::kString, "");
  shown.binding = 1;
  r.controls.push_back(shown);
  rt::ControlResource entry = Control(4, rt::ControlKind::kEntry, "");
  entry.picture = "n3";
  entry.message = "Delete";
  r.controls.push_back(entry);

  char value[16] = "Delete";
  std::unique_ptr<rt::Window> w = rt::Window::Prepare(r, {rt::AnyRef::CString(value)});
  ASSERT_NE(w, nullptr);
  TextTranslator t;
  t.Add("Delete", "Удалить");
  t.Add("&Delete", "&Удалить");
  t.Add("n3", "never");
  t.TranslateWindow(*w);
  EXPECT_EQ(w->caption(), "Удалить");
  EXPECT_EQ(w->Property(1, rt::kPropText), "&Удалить");
  EXPECT_EQ(w->Property(1, rt::kPropToolTip), "Удалить");
  EXPECT_EQ(w->Property(1, rt::kPropMessage), "Unknown words stay");
  EXPECT_EQ(w->Property(2, rt::kPropText), "Удалить");
  w->Display();
  EXPECT_EQ(w->Find(3)->shown_text(), "Delete");
  EXPECT_EQ(w->Property(4, rt::kPropText), "n3") << "an entry's picture is not a word";
  EXPECT_EQ(w->Property(4, rt::kPropMessage), "Удалить");
  EXPECT_EQ(std::string(value), "Delete");
}

TEST(TextTranslatorTest, ALaterPairReplacesTheEarlierAndUnknownTextsPassThrough) {
  TextTranslator t;
  EXPECT_EQ(t.TranslateText("Cancel"), "Cancel");
  t.Add("Cancel", "Отменить");
  t.Add("Cancel", "Отмена");
  EXPECT_EQ(t.Size(), 1u);
  EXPECT_TRUE(t.Knows("Cancel"));
  EXPECT_FALSE(t.Knows("cancel"));
  EXPECT_EQ(t.TranslateText("Cancel"), "Отмена");
  EXPECT_EQ(t.TranslateText("cancel"), "cancel") << "pairs match the whole text exactly";
  EXPECT_EQ(t.TranslateText(""), "");
}

}  // namespace
}  // namespace fw
