#include "runtime/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <thread>

#include "runtime/qt/qt_test_support.h"

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
