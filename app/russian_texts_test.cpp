#include "app/russian_texts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/calculator_test_fixture.h"
#include "framework/errors/default_error_table.h"
#include "framework/errors/error_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace app::test {
namespace {

// The words of text written in Latin letters, less the placeholders ("%File") and the few
// that a Russian desktop writes in Latin too: the OK button and the Ctrl key. The file's own
// name is the user's data, not a word of the program.
std::vector<std::string> LatinWords(const std::string& text) {
  static const std::set<std::string> kAllowed = {"OK", "Ctrl", "kf"};
  std::vector<std::string> out;
  std::string word;
  bool placeholder = false;
  auto flush = [&] {
    if (!word.empty() && !placeholder && kAllowed.count(word) == 0) out.push_back(word);
    word.clear();
    placeholder = false;
  };
  for (char c : text) {
    const bool latin = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (latin) {
      word += c;
    } else {
      flush();
      placeholder = c == '%';
    }
  }
  flush();
  return out;
}

bool HasCyrillic(const std::string& text) {
  // Cyrillic letters are 0xD0 or 0xD1 followed by a continuation byte in UTF-8.
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xD0 || c == 0xD1) return true;
  }
  return false;
}

std::set<std::string> Placeholders(std::string_view text) {
  std::set<std::string> out;
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    size_t end = at + 1;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
    out.emplace(text.substr(at, end - at));
  }
  return out;
}

TEST(RussianTextsTest, TheRussianTableSaysEveryDefaultEntryWithItsFatalityAndPlaceholders) {
  rt::test::ScopedHeadlessBackend headless;
  fw::ErrorManager english;
  english.Setup();
  fw::ErrorManager russian;
  russian.Setup();
  const std::span<const uint8_t> table = RussianErrorTable();
  ASSERT_EQ(russian.LoadErrorTable(table.data(), table.size()), kRussianErrorCount);
  ASSERT_EQ(kRussianErrorCount, fw::kDefaultErrorCount);
  for (size_t i = 1; i <= fw::kDefaultErrorCount; ++i) {
    const fw::ErrorRow* en = english.ERRORS->At(i);
    ASSERT_EQ(russian.SelectError(en->ID), fw::kLevelGoOn) << en->ID;
    const fw::ErrorRow& ru = russian.ERRORS->buffer;
    // Loaded over the default table, the Russian entry is the one found.
    EXPECT_GT(russian.ERRORS->Pointer(), fw::kDefaultErrorCount) << en->ID;
    EXPECT_EQ(ru.FATALITY, en->FATALITY) << en->ID;
    EXPECT_EQ(Placeholders(ru.MESSAGE), Placeholders(en->MESSAGE)) << en->ID;
    for (std::string_view text : {ru.TITLE, ru.MESSAGE}) {
      EXPECT_TRUE(HasCyrillic(std::string(text))) << en->ID << " " << text;
      EXPECT_EQ(LatinWords(std::string(text)), std::vector<std::string>{}) << en->ID << " " << text;
    }
  }
}

TEST(RussianTextsTest, TheTranslatorTurnsTheFrameworksOwnWordsAndLeavesOthersAlone) {
  fw::TextTranslator& t = RussianTranslator();
  EXPECT_EQ(t.TranslateText("&Delete"), "&Удалить");
  EXPECT_EQ(t.TranslateText("Unknown error"), "Неизвестная ошибка");
  EXPECT_EQ(t.TranslateText("Record changed by another station"),
            "Запись изменена другой станцией");
  EXPECT_EQ(t.TranslateText("1.50"), "1.50");
  EXPECT_EQ(t.TranslateText(""), "");
  // The English error manager with this translator: its own words come out Russian.
  rt::test::ScopedHeadlessBackend headless;
  fw::ErrorManager errors;
  errors.Setup();
  errors.TRANSLATOR = &t;
  headless->AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(999), fw::kLevelHandled);
  ASSERT_NE(headless->LastMessageBox(), nullptr);
  EXPECT_EQ(headless->LastMessageBox()->request.caption, "Неизвестная ошибка");
  EXPECT_EQ(headless->LastMessageBox()->request.text, "Неизвестная ошибка 999");
}

// Every text the calculator shows on its own window, in its boxes and in its menu: Russian.
class CalculatorInRussianTest : public CalculatorTest {
 protected:
  static void ExpectRussian(const std::string& where, const std::string& text) {
    EXPECT_EQ(LatinWords(text), std::vector<std::string>{}) << where << ": \"" << text << "\"";
  }
  static void ExpectWindowRussian() {
    rt::Window& w = W();
    ExpectRussian("caption", w.caption());
    for (const auto& [number, control] : w.controls()) {
      const std::string where = "control " + std::to_string(number);
      if (control->kind() == rt::ControlKind::kButton ||
          control->kind() == rt::ControlKind::kPrompt) {
        ExpectRussian(where, w.Property(number, rt::kPropText));
      }
      ExpectRussian(where + " tip", w.Property(number, rt::kPropToolTip));
      ExpectRussian(where + " message", w.Property(number, rt::kPropMessage));
    }
  }
};

TEST_F(CalculatorInRussianTest, ADeleteAConflictAndTheMenuSpeakRussian) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([] { ExpectWindowRussian(); });
  // The list's menu, dismissed.
  backend().ClickRow(kOddsList, 1, 1, rt::ScriptedAction::Mouse::kRight);
  backend().ChooseNextPopupItem(0);
  // A delete asks first.
  backend().ClickRow(kOddsList, 1);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().Click(kDeleteButton);
  // Another station changes the row this one is editing.
  backend().ClickRow(kOddsList, 1);
  backend().Click(kChangeButton);
  backend().Type(kOddsEditor, "2,25", /*leave=*/false);
  backend().Check([&] {
    ASSERT_EQ(other.Open(), 0);
    other_rec.nn = 2;
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
    other_rec.kf = 2.5;
    ASSERT_EQ(other.Put(), 0);
  });
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().Check([] { ExpectWindowRussian(); });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(backend().Popups().size(), 1u);
  EXPECT_FALSE(backend().Popups()[0].choices.empty());
  for (const std::string& item : backend().Popups()[0].choices) ExpectRussian("menu", item);
  ASSERT_EQ(backend().MessageBoxes().size(), 2u);
  const rt::MessageBoxRequest& ask = backend().MessageBoxes()[0].request;
  EXPECT_EQ(ask.caption, "Подтверждение удаления");
  EXPECT_EQ(ask.text, "Удалить выделенную запись?");
  EXPECT_EQ(ask.buttons, rt::kButtonsYesNo);
  const rt::MessageBoxRequest& conflict = backend().MessageBoxes()[1].request;
  EXPECT_EQ(conflict.caption, "Запись не сохранена");
  EXPECT_EQ(conflict.text, "Эту запись изменила другая станция.");
  for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
    ExpectRussian("caption", r.request.caption);
    ExpectRussian("text", r.request.text);
  }
  // The other station's value stands; this one's was not written over it.
  EXPECT_EQ(Stored(), (Rows{{2, 2.5}, {3, 3.0}}));
}

TEST_F(CalculatorInRussianTest, NumbersTakeTheDecimalCommaAndShowThePicturesOwnForm) {
  StoreOdds({1.5, 2.0});
  // A list cell: the new row's odds.
  backend().Click(kInsertButton);
  backend().Type(kOddsEditor, "3,0", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  // The entries: n, k and a stake with kopecks.
  backend().Type(kEventCountEntry, "3");
  backend().Type(kSystemSizeSpin, "2");
  backend().Type(kStakeEntry, "10,5", /*leave=*/false);
  backend().Click(kCalculateButton);
  backend().Check([] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "2|2.00", "3|3.00"}));
    EXPECT_EQ(W().Find(kStakeEntry)->shown_text(), "  10.50");
    // 10.50 × (1.5·2 + 1.5·3 + 2·3) = 141.75
    EXPECT_EQ(W().Find(kTotalReturnShown)->shown_text(), "    141.75");
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(backend().MessageBoxes().empty());
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

// Prints every box it is asked to show, so a death test can read them from stderr.
class EchoingBackend : public rt::HeadlessBackend {
 public:
  int ShowMessageBox(const rt::MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s|%s]\n", request.caption.c_str(), request.text.c_str());
    return HeadlessBackend::ShowMessageBox(request);
  }
};

using CalculatorInRussianDeathTest = CalculatorInRussianTest;

TEST_F(CalculatorInRussianDeathTest, AFatalErrorIsToldInRussianBeforeTheProgramEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A file of another program under the odds table's name cannot be opened.
  {
    std::ofstream foreign("kf", std::ios::binary);
    foreign << "SQLite format 3";
    foreign << std::string(4096, '\x7f');
  }
  auto run = [this] {
    EchoingBackend echo;
    rt::SetBackend(&echo);
    echo.AnswerNextMessageBox(rt::kButtonOk);
    Run();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(fw::kFatalExitCode),
              "\\[Ошибка доступа к файлу\\|Не удалось открыть файл kf\\. Ошибка: [^]A-Za-z]*"
              "\\.  Нажмите OK, чтобы завершить программу\\.\\]");
}

}  // namespace
}  // namespace app::test
