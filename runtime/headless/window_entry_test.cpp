// Entries, spin boxes and buttons as the user meets them: what typing, leaving, Enter and a
// button press do to the bound variables and which events the program gets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"

namespace rt {
namespace {

using test::EventsOf;
using test::RunLoop;
using test::Seen;

class WindowEntryTest : public test::HeadlessTest {
 protected:
  void SetUp() override {
    std::string error;
    window_ = vars_.Prepare(&error);
    ASSERT_NE(window_, nullptr) << error;
    ASSERT_TRUE(window_->Open());
  }
  void TearDown() override {
    window_.reset();
    test::HeadlessTest::TearDown();
  }
  Window& w() { return *window_; }

  test::TestVariables vars_;
  std::unique_ptr<Window> window_;
};

TEST_F(WindowEntryTest, BadTextsAreRejectedWithABeepAndTheVariableKeepsItsValue) {
  vars_.count = 7;
  w().Display();
  EXPECT_EQ(w().Find(test::kCount)->shown_text(), "  7");
  backend().Type(test::kCount, "abc");
  backend().Type(test::kCount, "-1");
  backend().Type(test::kCount, "1000");
  backend().Check([&] {
    EXPECT_EQ(vars_.count, 7);
    EXPECT_EQ(w().focus(), test::kCount) << "a rejected entry keeps the focus";
  });
  backend().Type(test::kCount, "12");
  std::vector<Seen> seen = RunLoop(w());

  EXPECT_EQ(EventsOf(seen, test::kCount),
            (std::vector<int>{kEventRejected, kEventRejected, kEventRejected, kEventAccepted}));
  EXPECT_EQ(backend().Beeps(), 3);
  EXPECT_EQ(vars_.count, 12);
  EXPECT_EQ(w().Find(test::kCount)->shown_text(), " 12");
  EXPECT_EQ(w().focus(), test::kSize) << "a good value lets Tab move on";
}

TEST_F(WindowEntryTest, AnInputReaderTakesTextsThePictureCannotReadAndThePictureStillLimits) {
  auto dozens = [](std::string_view text, double* v) {
    if (text.empty() || text.find_first_not_of('d') != std::string_view::npos) return false;
    *v = 12.0 * static_cast<double>(text.size());
    return true;
  };
  EXPECT_FALSE(w().SetInputReader(test::kTotal, dozens)) << "a display string takes no text";
  EXPECT_FALSE(w().SetInputReader(99, dozens));
  ASSERT_TRUE(w().SetInputReader(test::kCount, dozens));
  backend().Type(test::kCount, "dd");
  backend().Check([&] {
    EXPECT_EQ(vars_.count, 24);
    EXPECT_EQ(w().Find(test::kCount)->shown_text(), " 24") << "shown through the picture";
  });
  backend().Type(test::kCount, "12");  // the reader's, not the picture's, rule
  // 84 d's are 1008: the "n3" picture could not show it.
  backend().Type(test::kCount, std::string(84, 'd'));
  backend().Check([&] {
    EXPECT_EQ(vars_.count, 24);
    // An empty reader gives the picture its texts back.
    w().SetInputReader(test::kCount, nullptr);
  });
  backend().Type(test::kCount, "12");
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_EQ(EventsOf(seen, test::kCount), (std::vector<int>{kEventAccepted, kEventRejected,
                                                            kEventRejected, kEventAccepted}));
  EXPECT_EQ(backend().Beeps(), 2);
  EXPECT_EQ(vars_.count, 12);
}

TEST_F(WindowEntryTest, AProgramThatBeepsOnRejectGetsNoSecondBeep) {
  backend().Type(test::kCount, "abc");
  RunLoop(w(), [](const Event& e) {
    if (e.number == kEventRejected) Beep();
    return kStepDefault;
  });
  EXPECT_EQ(backend().Beeps(), 1);
}

TEST_F(WindowEntryTest, EnterChecksTheEntryWithoutLeavingIt) {
  backend().Type(test::kAmount, "2.5", /*leave=*/false);
  backend().PressKey(test::kAmount, kKeyEnter);
  backend().Check([&] { EXPECT_EQ(w().focus(), test::kAmount); });
  backend().Type(test::kAmount, "x", /*leave=*/false);
  backend().PressKey(0, kKeyEnter);
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_EQ(EventsOf(seen, test::kAmount), (std::vector<int>{kEventAccepted, kEventRejected}));
  EXPECT_EQ(vars_.amount, 2.5);
  for (const Seen& s : seen) {
    if (s.control == test::kAmount && s.event != kEventSelected) {
      EXPECT_EQ(s.key_code, kKeyEnter);
    }
  }
}

TEST_F(WindowEntryTest, ValuesTooBigForTheVariableAreRejectedNotWrapped) {
  backend().Type(test::kSmall, "300");
  backend().Type(test::kSmall, "255");
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_EQ(EventsOf(seen, test::kSmall), (std::vector<int>{kEventRejected, kEventAccepted}));
  EXPECT_EQ(vars_.small, 255);
}

// A typed text the variable could keep only in part is refused, never cut to that part.
TEST_F(WindowEntryTest, WhatAVariableCannotHoldWholeIsRejectedNotCut) {
  vars_.count = 7;
  ASSERT_TRUE(w().SetProperty(test::kCount, kPropText, ""));   // a plain number on a SHORT
  ASSERT_TRUE(w().SetProperty(test::kAmount, kPropText, ""));  // a plain number on a REAL
  char city[9] = "Riga";
  struct Case {
    int control;
    std::string typed;
    bool taken;
  };
  auto run = [&](const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.typed);
      w().UserType(c.control, c.typed);
      EXPECT_EQ(w().Update(c.control), c.taken);
    }
  };
  run({{test::kCount, "2.5", false}, {test::kCount, "1e-3", false}});
  EXPECT_EQ(vars_.count, 7);
  run({{test::kCount, "2", true}, {test::kAmount, "-0", true}});
  EXPECT_EQ(vars_.count, 2);
  EXPECT_EQ(vars_.amount, 0.0);
  EXPECT_FALSE(std::signbit(vars_.amount)) << "typed \"-0\" is the zero every other is";
  // A zero-terminated text ends at a zero byte: the rest would be lost unseen.
  ASSERT_TRUE(w().SetPropertyVariable(test::kAmount, kPropUse, AnyRef::CString(city)));
  ASSERT_TRUE(w().SetProperty(test::kAmount, kPropText, "s8"));
  run({{test::kAmount, std::string("Ri\0ga", 5), false}});
  EXPECT_STREQ(city, "Riga");
  run({{test::kAmount, "Oslo", true}});
  EXPECT_STREQ(city, "Oslo");
}

TEST_F(WindowEntryTest, SpinBoxKeepsToItsRange) {
  vars_.size = 3;
  w().Display();
  backend().Type(test::kSize, "10");
  backend().Check([&] { EXPECT_EQ(vars_.size, 3); });
  backend().Type(test::kSize, "0");
  backend().Type(test::kSize, "9");
  backend().Spin(test::kSize, 1);   // at the top already
  backend().Spin(test::kSize, -2);
  backend().PressKey(test::kSize, kKeyDown);
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_EQ(EventsOf(seen, test::kSize),
            (std::vector<int>{kEventRejected, kEventRejected, kEventAccepted, kEventAccepted,
                              kEventAccepted, kEventAccepted}));
  EXPECT_EQ(vars_.size, 6);
  EXPECT_EQ(w().Find(test::kSize)->shown_text(), " 6");
}

TEST_F(WindowEntryTest, AButtonPressCompletesTheFocusedEntryFirst) {
  double amount_at_press = -1;
  backend().Type(test::kAmount, "2.50", /*leave=*/false);
  backend().Click(test::kRun);
  std::vector<Seen> seen = RunLoop(w(), [&](const Event& e) {
    if (e.number == kEventAccepted && e.control == test::kRun) amount_at_press = vars_.amount;
    return kStepDefault;
  });
  std::vector<std::pair<int, int>> order;
  for (const Seen& s : seen) order.push_back({s.event, s.control});
  std::vector<std::pair<int, int>> expected = {
      {kEventOpenWindow, 0},
      {kEventSelected, test::kAmount},
      {kEventAccepted, test::kAmount},
      {kEventSelected, test::kRun},
      {kEventAccepted, test::kRun},
      {kEventCloseWindow, 0}};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(amount_at_press, 2.5);
  EXPECT_EQ(backend().AutoCloses().size(), 1u);
}

TEST_F(WindowEntryTest, ARejectedEntryStopsTheButtonPress) {
  backend().Type(test::kAmount, "2,5.0", /*leave=*/false);
  backend().Click(test::kRun);
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_EQ(EventsOf(seen, test::kAmount), (std::vector<int>{kEventRejected}));
  EXPECT_TRUE(EventsOf(seen, test::kRun).empty());
  EXPECT_EQ(w().focus(), test::kAmount);
}

TEST_F(WindowEntryTest, LeavingAnUntouchedEntrySaysNothing) {
  backend().Click(test::kCount);
  backend().PressKey(test::kCount, kKeyTab);
  backend().Click(test::kGo);
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_TRUE(EventsOf(seen, test::kCount).empty());
  EXPECT_EQ(EventsOf(seen, test::kGo), (std::vector<int>{kEventAccepted}));
}

TEST_F(WindowEntryTest, SelectWithNoControlChecksEveryEntryAndCompletesWhenAllAreGood) {
  vars_.size = 1;  // the spin's range starts at 1: its initial 0 would be refused
  w().Display();
  backend().Type(test::kAmount, "3", /*leave=*/false);
  backend().Type(test::kCount, "abc", /*leave=*/false);
  backend().Check([&] { EXPECT_FALSE(w().Select()); });
  backend().Check([&] { EXPECT_EQ(w().focus(), test::kCount); });
  backend().Type(test::kCount, "4", /*leave=*/false);
  backend().Check([&] { EXPECT_TRUE(w().Select()); });
  std::vector<Seen> seen = RunLoop(w());
  std::vector<int> window_events = EventsOf(seen, 0);
  EXPECT_EQ(window_events,
            (std::vector<int>{kEventOpenWindow, kEventCompleted, kEventCloseWindow}));
  // Typing into kCount left the amount (accepted), then Select found kCount bad.
  EXPECT_EQ(EventsOf(seen, test::kCount), (std::vector<int>{kEventRejected}));
  EXPECT_EQ(vars_.count, 4);
  EXPECT_EQ(vars_.amount, 3);
}

TEST_F(WindowEntryTest, DisplayAndUpdateGoThroughThePictures) {
  vars_.total = 1234.5;
  vars_.amount = 1234.567;
  w().Display();
  EXPECT_EQ(w().Find(test::kTotal)->shown_text(), "   1234.50");
  EXPECT_EQ(w().Find(test::kAmount)->shown_text(), "1234.57");

  w().UserType(test::kAmount, "7.25");
  EXPECT_TRUE(w().Update(test::kAmount));
  EXPECT_EQ(vars_.amount, 7.25);
  w().UserType(test::kAmount, "seven");
  EXPECT_FALSE(w().Update());
  EXPECT_EQ(vars_.amount, 7.25);
  w().Display(test::kAmount);
  EXPECT_EQ(w().Find(test::kAmount)->shown_text(), "   7.25");
}

TEST_F(WindowEntryTest, HiddenOrDisabledControlsTakeNoInput) {
  w().Disable(test::kRun);
  w().Hide(test::kCount);
  backend().Click(test::kRun);
  backend().Type(test::kCount, "5");
  std::vector<Seen> seen = RunLoop(w());
  EXPECT_TRUE(EventsOf(seen, test::kRun).empty());
  EXPECT_TRUE(EventsOf(seen, test::kCount).empty());
  EXPECT_EQ(vars_.count, 0);
  EXPECT_EQ(w().Property(test::kRun, kPropDisabled), "1");
  EXPECT_EQ(w().Property(test::kCount, kPropVisible), "0");
}

}  // namespace
}  // namespace rt
