#include "runtime/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "runtime/qt/control_style.h"
#include "runtime/qt/dialog_units.h"
#include "runtime/qt/picture_width.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/windows/window.h"

namespace rt {
namespace {

class QtBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    previous_ = SetBackend(&backend_);
  }
  void TearDown() override { SetBackend(previous_); }

  int argc_ = 1;
  char name_[8] = "qt";
  char* argv_[2] = {name_, nullptr};
  QtBackend backend_{argc_, argv_};
  Backend* previous_ = nullptr;
};

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(QtBackendTest, TextWidthIsMeasuredInTheControlsOwnFontInTheWindowsUnits) {
  WindowResource resource;
  resource.label = "MEASURED";
  resource.font = FontSpec{"MS Sans Serif", 8, kWeightNormal, false};
  resource.width = 100;
  resource.height = 50;
  ControlResource normal;
  normal.number = 1;
  normal.kind = ControlKind::kPrompt;
  ControlResource bold = normal;
  bold.number = 2;
  bold.font = FontSpec{"", 0, kWeightBold, false};
  resource.controls = {normal, bold};
  std::unique_ptr<Window> w = Window::Prepare(resource, {});
  ASSERT_NE(w, nullptr);

  const DialogUnits units(ControlFont(resource.font, resource.font));
  const QFontMetrics bold_metrics(ControlFont(bold.font, resource.font));
  for (const char* text : {"0", "2634095604619702128324", "1541640536.15", "Кол-во вар.:"}) {
    SCOPED_TRACE(text);
    const int measured = TextWidth(*w, 2, text);
    // Enough units for every pixel of the text, and not a unit more.
    const int pixels = bold_metrics.horizontalAdvance(QString::fromUtf8(text));
    EXPECT_GE(units.X(measured) + 1, pixels);
    EXPECT_LT(units.X(measured - 1), pixels);
    // The window's own font (control 0) and a control without a font of its own agree;
    // bold is never narrower.
    EXPECT_EQ(TextWidth(*w, 0, text), TextWidth(*w, 1, text));
    EXPECT_GE(measured, TextWidth(*w, 1, text));
  }
  EXPECT_EQ(TextWidth(*w, 1, ""), 0);
  EXPECT_GT(TextWidth(*w, 1, "99999999999999999999"), TextWidth(*w, 1, "9999999999"));
}

TEST(PictureWidthTest, TheWidestValueIsTheLargestWithTheWidestDigits) {
  test::EnsureApplication();
  const QFontMetrics metrics(ControlFont(FontSpec{"MS Sans Serif", 8, kWeightBold, false},
                                         FontSpec{"MS Sans Serif", 8, kWeightNormal, false}));
  auto width = [&metrics](const char* picture) {
    return WidestValueWidth(*Picture::Parse(picture), metrics);
  };
  int digit = 0;
  for (char d = '0'; d <= '9'; ++d) digit = std::max(digit, metrics.horizontalAdvance(QChar(d)));
  const int point = metrics.horizontalAdvance(QChar('.'));
  const int comma = metrics.horizontalAdvance(QChar(','));
  EXPECT_EQ(width("n3"), 3 * digit);
  EXPECT_EQ(width("n2"), 2 * digit);
  EXPECT_EQ(width("n_7.2"), 6 * digit + point);   // 9999.99
  EXPECT_EQ(width("n5.2"), 4 * digit + point);    // 99.99
  EXPECT_EQ(width("n9.2"), 7 * digit + comma + point);  // 99,999.99: the comma takes a place
  EXPECT_EQ(width("n_10.2"), 9 * digit + point);
  EXPECT_EQ(width("n.2"), 0) << "no width, no widest";
  for (const char* picture : {"n3", "n_7.2", "n9.2"}) {
    SCOPED_TRACE(picture);
    // Never narrower than any value the picture shows, drawn as one text.
    for (double v : {999.0, 1000.0, 9999.99, 1111.11, 8888.88, 4040.4, 99999.99, 10000.0}) {
      const std::string shown = Picture::Parse(picture)->Format(v);
      if (shown.find('#') != std::string::npos) continue;
      EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(shown).trimmed()), width(picture))
          << shown;
    }
  }
}

TEST_F(QtBackendTest, MessageBoxShowsLinesCaptionIconAndAskedButtonsAndReturnsTheClickedOne) {
  auto user = test::MessageBoxAnswerer::Click(kButtonCancel);
  int answer = MessageBox("First line|  second line||<b>not markup</b>", " Управление",
                          StandardIconRef(kIconInformation), kButtonsYesNoCancel, kButtonNo);
  ASSERT_TRUE(user.answered());
  EXPECT_EQ(answer, kButtonCancel);
  const test::SeenMessageBox& seen = user.seen();
  EXPECT_EQ(seen.title, QString::fromUtf8(" Управление"));
  EXPECT_EQ(seen.text, QString("First line\n  second line\n\n<b>not markup</b>"));
  EXPECT_EQ(seen.icon, QMessageBox::Information);
  EXPECT_EQ(Sorted(seen.buttons), (std::vector<int>{kButtonYes, kButtonNo, kButtonCancel}));
  EXPECT_EQ(seen.default_button, kButtonNo);
}

TEST_F(QtBackendTest, EnterPressesTheDefaultButtonAndEscapeTheDismissingOne) {
  {
    auto user = test::MessageBoxAnswerer::Key(Qt::Key_Return);
    EXPECT_EQ(MessageBox("Delete?", "Confirm", {}, kButtonsYesNo, kButtonNo), kButtonNo);
    EXPECT_TRUE(user.answered());
  }
  {
    auto user = test::MessageBoxAnswerer::Key(Qt::Key_Escape);
    EXPECT_EQ(MessageBox("Save?", "Confirm", {}, kButtonsYesNoCancel, kButtonYes),
              kButtonCancel);
  }
  {
    // No Cancel: Escape means No, never a Yes the user did not press.
    auto user = test::MessageBoxAnswerer::Key(Qt::Key_Escape);
    EXPECT_EQ(MessageBox("Delete?", "Confirm", {}, kButtonsYesNo, kButtonYes), kButtonNo);
  }
  {
    auto user = test::MessageBoxAnswerer::Key(Qt::Key_Escape);
    EXPECT_EQ(MessageBox("Done", "Note"), kButtonOk);
  }
}

TEST_F(QtBackendTest, UnsoundRequestsShowOnlyRealButtonsWithAShownDefault) {
  auto user = test::MessageBoxAnswerer::Key(Qt::Key_Return);
  // Stray bits and a default that is not offered: the box shows Yes/No and defaults to Yes.
  int answer = MessageBox("x", "y", {}, kButtonsYesNo | 0x100, kButtonCancel);
  EXPECT_EQ(Sorted(user.seen().buttons), (std::vector<int>{kButtonYes, kButtonNo}));
  EXPECT_EQ(user.seen().default_button, kButtonYes);
  EXPECT_EQ(answer, kButtonYes);
}

TEST_F(QtBackendTest, StandardIconsWithoutABoxKindShowTheStylesPicture) {
  {
    auto user = test::MessageBoxAnswerer::Click(kButtonOk);
    MessageBox("about", "", StandardIconRef(32517));
    EXPECT_EQ(user.seen().icon, QMessageBox::NoIcon);
    EXPECT_TRUE(user.seen().has_icon_pixmap);
  }
  {
    auto user = test::MessageBoxAnswerer::Click(kButtonOk);
    MessageBox("careful", "", StandardIconRef(kIconWarning));
    EXPECT_EQ(user.seen().icon, QMessageBox::Warning);
  }
  {
    auto user = test::MessageBoxAnswerer::Click(kButtonOk);
    MessageBox("plain", "", "RESOURCE");
    EXPECT_EQ(user.seen().icon, QMessageBox::NoIcon);
    EXPECT_FALSE(user.seen().has_icon_pixmap);
  }
}

TEST_F(QtBackendTest, AnotherThreadsMessageBoxIsShownOnTheGuiThreadAndAnswersThatThread) {
  auto user = test::MessageBoxAnswerer::Click(kButtonYes);
  std::atomic<int> answer{0};
  std::atomic<bool> done{false};
  QEventLoop loop;
  std::thread worker([&] {
    answer = MessageBox("From a toolbox thread", "Toolbox", {}, kButtonsYesNo, kButtonNo);
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  // The GUI thread keeps its events running, as it does inside a runtime wait.
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  worker.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(answer, kButtonYes);
  EXPECT_TRUE(user.seen().on_gui_thread);
  EXPECT_EQ(user.seen().title, QString("Toolbox"));
}

TEST_F(QtBackendTest, WaitCursorIsASwitchFromAnyThread) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  SetWaitCursor(true);
  SetWaitCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  SetWaitCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  std::atomic<bool> done{false};
  QEventLoop loop;
  std::thread worker([&] {
    SetWaitCursor(true);
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  worker.join();
  ASSERT_TRUE(done);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  SetWaitCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace rt
