#include "runtime/qt/popup_menu.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

// Finds the open popup and lets a function act on it, as the user would.
void WhenMenuOpens(std::function<void(QMenu*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !menu->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(menu);
  });
  timer->start();
}

QAction* ActionNamed(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

const char kMenu[] = "|&Insert|Sort{By number|By odds}~&Delete|+Checked|-|&Toolbox";

TEST(PopupMenuTest, TheMenuTextsItemsBecomeActionsWithTheirChoices) {
  test::EnsureApplication();
  MenuText text = MenuText::Parse(kMenu);
  QMenu menu;
  FillMenu(&menu, text.Items());
  QList<QAction*> top = menu.actions();
  ASSERT_EQ(top.size(), 6);
  EXPECT_EQ(top[0]->text(), "&Insert");
  EXPECT_EQ(ChoiceOf(top[0]), 1);
  ASSERT_NE(top[1]->menu(), nullptr);
  EXPECT_EQ(ChoiceOf(top[1]->menu()->actions()[1]), 3);
  EXPECT_FALSE(top[2]->isEnabled());
  EXPECT_EQ(ChoiceOf(top[2]), 4);
  EXPECT_TRUE(top[3]->isCheckable());
  EXPECT_TRUE(top[3]->isChecked());
  EXPECT_TRUE(top[4]->isSeparator());
  EXPECT_EQ(ChoiceOf(top[4]), 0);
  EXPECT_EQ(ChoiceOf(top[5]), 6);
}

TEST(PopupMenuTest, AClickedItemReturnsItsChoiceAndEscapeReturnsNothing) {
  test::EnsureApplication();
  MenuText text = MenuText::Parse(kMenu);
  WhenMenuOpens([](QMenu* menu) {
    QAction* toolbox = ActionNamed(menu, "&Toolbox");
    ASSERT_NE(toolbox, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                      menu->actionGeometry(toolbox).center());
  });
  EXPECT_EQ(RunPopupMenu(text, QPoint(100, 100)), 6);

  WhenMenuOpens([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
  EXPECT_EQ(RunPopupMenu(text, QPoint(100, 100)), 0);

  // The mnemonic picks the item from the keyboard.
  WhenMenuOpens([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_I); });
  EXPECT_EQ(RunPopupMenu(text, QPoint(100, 100)), 1);
}

TEST(PopupMenuTest, ADisabledItemCannotBeChosen) {
  test::EnsureApplication();
  MenuText text = MenuText::Parse("~&Delete|&Keep");
  WhenMenuOpens([](QMenu* menu) {
    QAction* del = ActionNamed(menu, "&Delete");
    ASSERT_NE(del, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(del).center());
    // Still open: dismiss it.
    QTimer::singleShot(20, menu, [menu] { QTest::keyClick(menu, Qt::Key_Escape); });
  });
  EXPECT_EQ(RunPopupMenu(text, QPoint(50, 50)), 0);
}

}  // namespace
}  // namespace rt
