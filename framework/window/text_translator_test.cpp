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

TEST(TextTranslatorTest, PatternsKeepNamesTranslateTheirTextsAndPutThemWhereTheLanguageWants) {
  TextTranslator t;
  t.Add("From", "От");
  t.Add("no value", "нет значения");
  EXPECT_TRUE(t.AddPattern("{} bytes", "{1} байт"));
  EXPECT_TRUE(t.AddPattern("column {} is missing from table {}", "в таблице {2} нет столбца {1}"));
  EXPECT_TRUE(t.AddPattern("record {}: {} holds {t}, not a number", "запись {1}: {2} хранит {3}, не число"));
  EXPECT_TRUE(t.AddPattern("record {}: {} holds {t}", "запись {1}: {2} хранит {3}"));
  EXPECT_EQ(t.PatternCount(), 4u);
  // A name is kept even where a pair knows it: a column may well be called "From".
  EXPECT_EQ(t.TranslateText("column From is missing from table records"),
            "в таблице records нет столбца From");
  // A text piece is translated in turn, by a pair or by a pattern.
  EXPECT_EQ(t.TranslateText("record 2: KF:KF holds no value, not a number"),
            "запись 2: KF:KF хранит нет значения, не число");
  EXPECT_EQ(t.TranslateText("record 2: KF:KF holds 3 bytes, not a number"),
            "запись 2: KF:KF хранит 3 байт, не число");
  // Pieces are as short as the rest allows, and the first pattern that matches wins.
  EXPECT_EQ(t.TranslateText("record 2: A: B holds 'x', not a number, not a number"),
            "запись 2: A: B хранит 'x', not a number, не число");
  EXPECT_EQ(t.TranslateText("record 7: KF:NN holds 300"), "запись 7: KF:NN хранит 300");
  // A piece is never empty, and a text the pattern does not cover whole stays as it is.
  EXPECT_EQ(t.TranslateText(" bytes"), " bytes");
  EXPECT_EQ(t.TranslateText("a column KF is missing from table records"),
            "a column KF is missing from table records");
  EXPECT_EQ(t.TranslateText("column KF is missing from table "), "column KF is missing from table ");
  // A pair wins over a pattern.
  t.Add("2 bytes", "два байта");
  EXPECT_EQ(t.TranslateText("2 bytes"), "два байта");

  // Patterns that cannot be cut in one way only, or name a piece they lack, are refused.
  EXPECT_FALSE(t.AddPattern("{}{}", "{1}{2}"));
  EXPECT_FALSE(t.AddPattern("no pieces", "нет частей"));
  EXPECT_FALSE(t.AddPattern("one {}", "{2}"));
  EXPECT_EQ(t.PatternCount(), 4u);
}

TEST(TextTranslatorTest, APatternThatMatchesItsOwnPiecesStopsAtABoundedDepth) {
  TextTranslator t;
  ASSERT_TRUE(t.AddPattern("a {t}", "б {1}"));
  EXPECT_EQ(t.TranslateText("a a a a a a x"), "б б б б a a x");
}

}  // namespace
}  // namespace fw
