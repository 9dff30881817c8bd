#include "framework/browse/character_locator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/windows/event.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {
namespace {

// A browse page as the locator sees it: the list queue's rows hold the free field's values,
// StepOneRow moves the highlight down (staying on the last row at the end of the view, as the
// browse does), LoadCurrentRow copies the highlighted row into the record field. It records
// what it was asked to do.
class PageHost : public LocatorHost {
 public:
  PageHost(rt::AnyRef field, std::vector<std::string> rows)
      : field_(field), rows_(std::move(rows)) {}

  void StepOneRow(int32_t event) override {
    steps.push_back(event);
    if (event == rt::kEventScrollDown && choice < rows_.size()) ++choice;
  }
  void LoadCurrentRow() override {
    ++loads;
    if (choice >= 1 && choice <= rows_.size()) field_.SetText(rows_[choice - 1]);
  }
  uint32_t ListQueueRecords() const override { return static_cast<uint32_t>(rows_.size()); }
  rt::Window* LocatorWindow() const override { return window; }

  size_t choice = 1;
  std::vector<int32_t> steps;
  int loads = 0;
  rt::Window* window = nullptr;

 private:
  rt::AnyRef field_;
  std::vector<std::string> rows_;
};

bool Type(CharacterLocator& locator, int key_code, char32_t key_char) {
  rt::SetKeyCode(key_code, key_char);
  bool taken = locator.HandleTypedKey();
  rt::SetKeyCode(0);
  return taken;
}

TEST(CharacterLocatorTest, SetupKeepsArgumentsAndStepsTakeNoControl) {
  uint8_t nn = 0;
  PageHost host(rt::AnyRef::Of(nn), {});
  CharacterLocator locator;
  locator.Setup(0, rt::AnyRef::Of(nn), 1, &host);
  EXPECT_EQ(locator.VIEWMANAGER, &host);
  EXPECT_EQ(locator.CONTROL, 0);
  EXPECT_TRUE(locator.FREEELEMENT.SameAs(rt::AnyRef::Of(nn)));
  EXPECT_EQ(locator.NOCASE, 1);
  EXPECT_FALSE(locator.HandleAccepted());
  locator.Teardown();
  EXPECT_TRUE(locator.FREEELEMENT.IsNull());
  // With its field dropped the locator can only step.
  EXPECT_FALSE(Type(locator, '3', U'3'));
  EXPECT_EQ(nn, 0);
}

TEST(CharacterLocatorTest, NonCharacterKeysAreNotTaken) {
  uint8_t nn = 5;
  PageHost host(rt::AnyRef::Of(nn), {"5", "6"});
  CharacterLocator locator;
  locator.Setup(0, rt::AnyRef::Of(nn), 1, &host);
  EXPECT_FALSE(Type(locator, rt::kKeyDown, 0));
  EXPECT_FALSE(Type(locator, rt::kKeyF1, 0));
  EXPECT_FALSE(Type(locator, rt::kKeyEnter, U'\r'));
  EXPECT_FALSE(Type(locator, rt::kKeyBackspace, U'\b'));
  EXPECT_TRUE(host.steps.empty());
  EXPECT_EQ(host.loads, 0);
  EXPECT_EQ(nn, 5);
}

TEST(CharacterLocatorTest, NumericFieldStepsWhileNextRowBeginsWithDigitThenJumps) {
  // KF:NN rows 1, 2, 3, 30, 31, 4 (a BYTE field): the highlight is on row 3 ("3").
  uint8_t nn = 3;
  PageHost host(rt::AnyRef::Of(nn), {"1", "2", "3", "30", "31", "4"});
  host.choice = 3;
  CharacterLocator locator;
  locator.Setup(0, rt::AnyRef::Of(nn), 1, &host);

  // "3" twice walks down 30 and 31 without asking the browse to reposition...
  EXPECT_TRUE(Type(locator, '3', U'3'));
  EXPECT_EQ(nn, 30);
  EXPECT_TRUE(Type(locator, '3', U'3'));
  EXPECT_EQ(nn, 31);
  // ...and is not a reposition request: the field holds the stepped-to row's value.
  EXPECT_EQ(host.choice, 5u);
  // Once the next row begins differently, the field takes the digit and the browse jumps.
  EXPECT_TRUE(Type(locator, '3', U'3'));
  EXPECT_EQ(nn, 3);
  EXPECT_EQ(host.steps, (std::vector<int32_t>{4, 4, 4}));
  EXPECT_EQ(host.loads, 3);
}

TEST(CharacterLocatorTest, ANonDigitOnANumericFieldJumpsToItsNumericValue) {
  uint8_t nn = 7;
  PageHost host(rt::AnyRef::Of(nn), {"7", "8"});
  CharacterLocator locator;
  locator.Setup(0, rt::AnyRef::Of(nn), 1, &host);
  EXPECT_TRUE(Type(locator, 'x', U'x'));
  EXPECT_EQ(nn, 0);  // the runtime reads "x" as no number
}

TEST(CharacterLocatorTest, EmptyListSetsFieldForDifferentCharacterOnly) {
  char name[10];
  std::memset(name, ' ', sizeof name);
  std::memcpy(name, "Kiev", 4);
  rt::AnyRef field = rt::AnyRef::String(name);
  PageHost host(field, {});
  CharacterLocator locator;
  locator.Setup(0, field, 0, &host);

  // The same character: nothing to step to and nothing to set; the key is not handled.
  EXPECT_FALSE(Type(locator, 'K', U'K'));
  EXPECT_EQ(field.Text(), "Kiev");
  // A different one sets the field, so the browse reloads from that value.
  EXPECT_TRUE(Type(locator, 'M', U'M'));
  EXPECT_EQ(field.Text(), "M");
  EXPECT_TRUE(host.steps.empty());  // an empty list is never stepped
  EXPECT_EQ(host.loads, 0);
}

TEST(CharacterLocatorTest, CaseRuleDecidesBetweenStepAndJump) {
  char name[10];
  rt::AnyRef field = rt::AnyRef::String(name);
  field.SetText("Alpha");
  {
    PageHost host(field, {"Alpha", "Apple", "Beta"});
    CharacterLocator locator;
    locator.Setup(0, field, 1, &host);
    EXPECT_TRUE(Type(locator, 'a', U'a'));
    EXPECT_EQ(field.Text(), "Apple");  // stepped on
  }
  field.SetText("Alpha");
  {
    PageHost host(field, {"Alpha", "Apple", "Beta"});
    CharacterLocator locator;
    locator.Setup(0, field, 0, &host);
    EXPECT_TRUE(Type(locator, 'a', U'a'));
    EXPECT_EQ(field.Text(), "a");  // jumps to the first record at or after "a"
  }
}

TEST(CharacterLocatorTest, CyrillicComparesWithoutCaseAndFitsOrNot) {
  char city[20];
  rt::AnyRef field = rt::AnyRef::String(city);
  field.SetText("Жмеринка");
  PageHost host(field, {"Житомир", "Жмеринка", "Киев"});
  CharacterLocator locator;
  locator.Setup(0, field, 1, &host);
  EXPECT_TRUE(Type(locator, 0, U'ж'));
  EXPECT_EQ(field.Text(), "Жмеринка");
  EXPECT_TRUE(Type(locator, 0, U'ж'));
  EXPECT_EQ(field.Text(), "ж");  // next row is "Киев": the field takes the typed letter

  // A one-byte field cannot hold a two-byte letter: the locator steps but asks for no jump
  // (setting it would leave the field blank and send the list to the top).
  char initial[1] = {'A'};
  rt::AnyRef one = rt::AnyRef::String(initial);
  PageHost small(one, {});
  CharacterLocator narrow;
  narrow.Setup(0, one, 0, &small);
  EXPECT_FALSE(Type(narrow, 0, U'Ж'));
  EXPECT_EQ(one.Text(), "A");
  EXPECT_TRUE(Type(narrow, 'B', U'B'));
  EXPECT_EQ(one.Text(), "B");
}

TEST(CharacterLocatorTest, EmptyTextFieldNeverMatchesAndTakesTheCharacter) {
  char cs[4] = "";
  rt::AnyRef field = rt::AnyRef::CString(cs);
  PageHost host(field, {});
  CharacterLocator locator;
  locator.Setup(0, field, 1, &host);
  EXPECT_TRUE(Type(locator, 'q', U'q'));
  EXPECT_EQ(field.Text(), "q");
}

TEST(CharacterLocatorTest, SetEnabledDisablesTheControlOfAnEmptyList) {
  rt::test::ScopedHeadlessBackend backend;
  rt::WindowResource resource;
  resource.label = "LOC$W";
  resource.width = 100;
  resource.height = 60;
  rt::ControlResource button;
  button.number = 4;
  button.kind = rt::ControlKind::kButton;
  button.text = "Find";
  resource.controls.push_back(button);
  std::string error;
  std::unique_ptr<rt::Window> window = rt::Window::Prepare(resource, {}, &error);
  ASSERT_NE(window, nullptr) << error;

  uint8_t nn = 0;
  PageHost host(rt::AnyRef::Of(nn), {});
  host.window = window.get();
  CharacterLocator locator;
  locator.Setup(4, rt::AnyRef::Of(nn), 1, &host);
  locator.SetEnabled(false);
  EXPECT_EQ(window->PropertyInt(4, rt::kPropDisabled), 1);
  locator.SetEnabled(true);
  EXPECT_EQ(window->PropertyInt(4, rt::kPropDisabled), 0);

  // No control: the window is left alone.
  CharacterLocator plain;
  plain.Setup(0, rt::AnyRef::Of(nn), 1, &host);
  window->SetPropertyInt(4, rt::kPropDisabled, 1);
  plain.SetEnabled(true);
  EXPECT_EQ(window->PropertyInt(4, rt::kPropDisabled), 1);
}

}  // namespace
}  // namespace fw
