// The window model without a user: preparing from a resource (and refusing a bad one),
// properties by number, controls created and destroyed at run time, an entry floated over a
// list cell, and what the backend is told.
#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"

namespace rt {
namespace {

class WindowModelTest : public test::HeadlessTest {
 protected:
  void SetUp() override {
    vars_.AddRows(3);
    std::string error;
    window_ = vars_.Prepare(&error);
    ASSERT_NE(window_, nullptr) << error;
  }
  Window& w() { return *window_; }

  test::TestVariables vars_;
  std::unique_ptr<Window> window_;
};

TEST_F(WindowModelTest, TheResourceBecomesControlsWithTheirPlacesFontsAndColours) {
  EXPECT_EQ(w().label(), "TEST$WINDOW");
  EXPECT_EQ(w().width(), 210);
  EXPECT_EQ(w().font().face, "MS Sans Serif");
  const Control* list = w().Find(test::kList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->kind(), ControlKind::kList);
  EXPECT_EQ(list->x(), 31);
  EXPECT_EQ(list->height(), 98);
  EXPECT_EQ(list->font().weight, kWeightBold);
  EXPECT_EQ(list->background(), Rgb(224, 232, 240));
  EXPECT_EQ(list->message(), "Rows");
  ASSERT_NE(list->format(), nullptr);
  EXPECT_EQ(list->format()->Columns().size(), 2u);
  EXPECT_EQ(ParseStandardIconRef(w().Find(test::kGo)->icon()), 32517);
  EXPECT_EQ(w().Find(test::kPrompt)->shown_text(), "Amount:");
  EXPECT_EQ(w().Property(test::kList, kPropType), "37");
  EXPECT_EQ(w().PropertyInt(test::kRun, kPropType), static_cast<int>(ControlKind::kButton));
  EXPECT_EQ(w().Property(test::kCount, kPropText), "n3") << "an entry's text is its picture";
  EXPECT_EQ(w().Property(test::kSize, kPropRangeHigh), "9");
  EXPECT_EQ(w().Property(test::kRun, kPropText), "&Run");
  EXPECT_EQ(w().Property(test::kList, kPropBackground), std::to_string(Rgb(224, 232, 240)));
  EXPECT_EQ(w().Property(test::kRun, kPropBackground), "-1");
  EXPECT_EQ(w().Find(99), nullptr);
  EXPECT_EQ(w().Property(99, kPropText), "");
  EXPECT_FALSE(w().SetProperty(99, kPropText, "x"));
}

TEST_F(WindowModelTest, PrepareRefusesAMalformedResourceAndSaysWhichControl) {
  WindowResource r = test::TestWindowResource();
  for (ControlResource& c : r.controls) {
    if (c.number == test::kList) c.list_format = "[20R(5)|_@n2@30R(5)_M@n5.2@";
  }
  auto bindings = [&]() -> std::vector<Window::Binding> {
    return {AnyRef::Of(vars_.total), Window::Binding(&vars_.rows, &vars_.layout),
            AnyRef::Of(vars_.count), AnyRef::Of(vars_.size),
            AnyRef::Of(vars_.amount), AnyRef::Of(vars_.small)};
  };
  std::string error;
  EXPECT_EQ(Window::Prepare(r, bindings(), &error), nullptr);
  EXPECT_NE(error.find("control 3"), std::string::npos) << error;

  r = test::TestWindowResource();
  r.controls[0].number = test::kRun;
  EXPECT_EQ(Window::Prepare(r, bindings(), &error), nullptr);
  EXPECT_NE(error.find("twice"), std::string::npos) << error;

  r = test::TestWindowResource();
  for (ControlResource& c : r.controls) {
    if (c.number == test::kCount) c.picture = "x3";
  }
  EXPECT_EQ(Window::Prepare(r, bindings(), &error), nullptr);
  EXPECT_NE(error.find("control 5"), std::string::npos) << error;

  // Too few variables for the bindings the resource names.
  EXPECT_EQ(Window::Prepare(test::TestWindowResource(), {AnyRef::Of(vars_.total)}, &error),
            nullptr);
  EXPECT_NE(error.find("binding 2"), std::string::npos) << error;
}

TEST_F(WindowModelTest, ResourcesAreFoundByName) {
  RegisterWindowResource("TESTRES", &test::TestWindowResource());
  EXPECT_EQ(FindWindowResource("TESTRES", "TEST$WINDOW"), &test::TestWindowResource());
  EXPECT_EQ(FindWindowResource("TESTRES", "OTHER"), nullptr);
  std::string error;
  EXPECT_EQ(Window::Prepare("NORES", "TEST$WINDOW", {}, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(WindowModelTest, PropertiesTheFrameworkUsesReadBackAndCheckTheirValues) {
  EXPECT_TRUE(w().SetPropertyInt(0, kPropNoRefresh, 1));
  EXPECT_EQ(w().PropertyInt(0, kPropNoRefresh), 1);
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropVScroll, 0));
  EXPECT_EQ(w().Property(test::kList, kPropVScroll), "0");
  EXPECT_TRUE(w().SetProperty(test::kGo, kPropToolTip, "Help"));
  EXPECT_EQ(w().Property(test::kGo, kPropToolTip), "Help");
  EXPECT_TRUE(w().SetPropertyInt(test::kRun, kPropDefault, 1));
  EXPECT_TRUE(w().SetPropertyInt(test::kGo, kPropDefault, 1));
  EXPECT_EQ(w().Property(test::kRun, kPropDefault), "0") << "one default button per window";
  EXPECT_TRUE(w().SetPropertyInt(test::kRun, kPropDisabled, 1));
  EXPECT_TRUE(w().Find(test::kRun)->disabled());
  EXPECT_FALSE(w().SetProperty(test::kRun, kPropDisabled, "yes"));
  EXPECT_FALSE(w().SetPropertyInt(test::kList, kPropType, 8)) << "the kind is read only";
  EXPECT_FALSE(w().SetProperty(test::kList, kPropFormat, "[20R"));
  EXPECT_EQ(w().Property(test::kList, kPropFormat), "[20R(5)|_@n2@30R(5)_M@n5.2@]");
  EXPECT_FALSE(w().SetProperty(test::kList, kPropFormat, "20R#9#"))
      << "a format must not reach past the queue's fields";
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropColumnTextColor, kColorGrayText, 1));
  EXPECT_EQ(w().Find(test::kList)->column_text_color(1), kColorGrayText);
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropColumnTextColor, -1, 1));
  EXPECT_EQ(w().Find(test::kList)->column_text_color(1), kColorDefault);
  // A property this runtime gives no meaning is still kept for whoever set it.
  EXPECT_TRUE(w().SetProperty(test::kRun, 0x7777, "kept", 3));
  EXPECT_EQ(w().Property(test::kRun, 0x7777, 3), "kept");
  EXPECT_EQ(w().Property(test::kRun, 0x7777, 4), "");
}

TEST_F(WindowModelTest, TheListsPageSizeComesFromItsHeightUntilTheBackendMeasuresIt) {
  EXPECT_EQ(w().PropertyInt(test::kList, kPropItems), 9);
  w().SetPageRows(test::kList, 12);
  EXPECT_EQ(w().PropertyInt(test::kList, kPropItems), 12);
}

TEST_F(WindowModelTest, AlertSlotsHoldOneKeyEach) {
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kMouseLeftDouble, 252));
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kKeyInsert, 252));
  EXPECT_FALSE(w().Find(test::kList)->IsAlertKey(kMouseLeftDouble));
  EXPECT_TRUE(w().Find(test::kList)->IsAlertKey(kKeyInsert));
  EXPECT_FALSE(w().SetPropertyInt(test::kList, kPropAlertKey, kKeyInsert, 256));
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, 0, 252));
  EXPECT_FALSE(w().Find(test::kList)->IsAlertKey(kKeyInsert));
}

TEST_F(WindowModelTest, AnEntryCreatedAtRunTimeFloatsOverACellAndEditsTheRow) {
  ASSERT_TRUE(w().Open());
  int editor = w().Create(0, ControlKind::kEntry);
  EXPECT_GT(editor, test::kPlainList) << "the runtime picks a number above the others";
  EXPECT_EQ(w().Create(test::kRun, ControlKind::kEntry), 0) << "a number in use";
  EXPECT_TRUE(w().Find(editor)->hidden());

  ASSERT_TRUE(vars_.rows.Get(2));
  EXPECT_TRUE(w().SetProperty(editor, kPropText, w().Property(test::kList, kPropColumnPicture, 2)));
  EXPECT_TRUE(w().SetPropertyVariable(editor, kPropUse,
                                      vars_.layout.Field(&vars_.rows.buffer, "VALUE")));
  EXPECT_EQ(w().Find(editor)->shown_text(), " 1.50");
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropColumnEditor, editor, 2));
  const Control* e = w().Find(editor);
  EXPECT_FALSE(e->hidden());
  EXPECT_EQ(e->floated_list(), test::kList);
  EXPECT_EQ(e->floated_column(), 2);
  EXPECT_TRUE(w().Select(editor));
  EXPECT_EQ(w().focus(), editor);

  w().UserType(editor, "2.75");
  EXPECT_TRUE(w().Update(editor));
  double kf = vars_.rows.buffer.value;  // a packed field: no reference may bind to it
  EXPECT_EQ(kf, 2.75);
  EXPECT_TRUE(vars_.rows.Put());
  EXPECT_EQ(w().CellText(test::kList, 2, 2), " 2.75");

  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropColumnEditor, 0, 2));
  EXPECT_TRUE(w().Find(editor)->hidden());
  EXPECT_EQ(w().focus(), test::kList) << "the focus goes back to the list";
  EXPECT_FALSE(w().SetPropertyInt(test::kList, kPropColumnEditor, test::kGo, 2))
      << "only an entry floats over a cell";
  EXPECT_FALSE(w().SetPropertyInt(test::kList, kPropColumnEditor, editor, 3)) << "no column 3";

  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropColumnEditor, editor, 1));
  EXPECT_TRUE(w().Destroy(editor));
  EXPECT_EQ(w().Find(editor), nullptr);
  EXPECT_EQ(w().Find(test::kList)->column_editor(1), 0);
  EXPECT_FALSE(w().Destroy(editor));
}

TEST_F(WindowModelTest, RangesOfControlsHideAndShowTogether) {
  w().Hide(test::kCount, test::kAmount);
  for (int n : {test::kCount, test::kSize, test::kPrompt, test::kAmount}) {
    EXPECT_TRUE(w().Find(n)->hidden()) << n;
  }
  EXPECT_FALSE(w().Find(test::kRun)->hidden());
  w().Unhide(test::kCount, test::kAmount);
  EXPECT_FALSE(w().Find(test::kSize)->hidden());
  w().Disable(0);
  EXPECT_TRUE(w().Find(test::kGo)->disabled());
  EXPECT_TRUE(w().Find(test::kPlainList)->disabled());
}

// Counts what the screen is told.
class CountingBackend : public HeadlessBackend {
 public:
  void ControlChanged(Window& w, int control, unsigned changes) override {
    changes_.push_back({control, changes});
  }
  void ControlCreated(Window& w, int control) override { created_.push_back(control); }
  void ControlDestroyed(Window& w, int control) override {
    // The control is still there to be looked at.
    destroyed_alive_ = w.Find(control) != nullptr;
    destroyed_.push_back(control);
  }
  void FocusChanged(Window& w, int control) override { focus_.push_back(control); }
  unsigned ChangesOf(int control) const {
    unsigned all = 0;
    for (const auto& [c, bits] : changes_) {
      if (c == control) all |= bits;
    }
    return all;
  }
  std::vector<std::pair<int, unsigned>> changes_;
  std::vector<int> created_, destroyed_, focus_;
  bool destroyed_alive_ = false;
};

TEST(WindowNotificationTest, TheBackendHearsOfEveryChangeTheScreenMustShow) {
  CountingBackend backend;
  Backend* previous = SetBackend(&backend);
  test::TestVariables vars;
  vars.AddRows(5);
  auto w = vars.Prepare();
  ASSERT_TRUE(w->Open());
  vars.amount = 3;
  w->Display(test::kAmount);
  w->Display(test::kList);
  w->SetPropertyInt(test::kList, kPropSelected, 2);
  w->SetPropertyInt(test::kList, kPropThumb, 40);
  w->Disable(test::kRun);
  w->Hide(test::kGo);
  w->SetPosition(test::kPrompt, 1, 2, 30, 8);
  w->SetPropertyInt(test::kList, kPropFontColor, Rgb(1, 2, 3));
  int created = w->Create(0, ControlKind::kEntry);
  w->Destroy(created);
  w->Select(test::kCount);
  EXPECT_TRUE(backend.ChangesOf(test::kAmount) & kChangeValue);
  EXPECT_TRUE(backend.ChangesOf(test::kList) & kChangeRows);
  EXPECT_TRUE(backend.ChangesOf(test::kList) & kChangeSelection);
  EXPECT_TRUE(backend.ChangesOf(test::kList) & kChangeScroll);
  EXPECT_TRUE(backend.ChangesOf(test::kList) & kChangeStyle);
  EXPECT_TRUE(backend.ChangesOf(test::kRun) & kChangeEnabled);
  EXPECT_TRUE(backend.ChangesOf(test::kGo) & kChangeVisible);
  EXPECT_TRUE(backend.ChangesOf(test::kPrompt) & kChangeGeometry);
  EXPECT_EQ(backend.created_, (std::vector<int>{created}));
  EXPECT_EQ(backend.destroyed_, (std::vector<int>{created}));
  EXPECT_TRUE(backend.destroyed_alive_);
  EXPECT_EQ(backend.focus_.back(), test::kCount);
  w.reset();
  SetBackend(previous);
}

}  // namespace
}  // namespace rt
