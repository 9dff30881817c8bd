#include "runtime/qt/qt_translation.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <map>
#include <memory>

#include "runtime/qt/message_box_dialog.h"
#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

// The captions of a real box's buttons by runtime button, accelerator marks dropped.
std::map<int, QString> Captions(const MessageBoxRequest& request) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(request, nullptr);
  box->show();
  std::map<int, QString> out;
  for (QAbstractButton* b : box->buttons()) out[RuntimeButtonOf(b)] = b->text().remove('&');
  return out;
}

MessageBoxRequest Question() {
  MessageBoxRequest request;
  request.text = "Удалить выделенную запись?";
  request.caption = "Подтверждение удаления";
  request.buttons = kButtonsYesNo | kButtonCancel;
  request.default_button = kButtonYes;
  return request;
}

// Takes the translations installed by the test away again: other tests of this process read
// the toolkit's own English.
void RemoveTranslations() {
  for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
}

TEST(QtTranslationTest, RussianGivesTheStandardButtonsOfARealBoxTheirRussianCaptions) {
  test::EnsureApplication();
  const std::map<int, QString> english = Captions(Question());
  EXPECT_EQ(english.at(kButtonYes), "Yes");
  ASSERT_TRUE(InstallQtTranslation("ru"));
  const std::map<int, QString> russian = Captions(Question());
  RemoveTranslations();
  EXPECT_EQ(russian.at(kButtonYes), QString::fromUtf8("Да"));
  EXPECT_EQ(russian.at(kButtonNo), QString::fromUtf8("Нет"));
  EXPECT_EQ(russian.at(kButtonCancel), QString::fromUtf8("Отмена"));
  EXPECT_EQ(Captions(Question()).at(kButtonNo), "No") << "the translation was taken away";
}

TEST(QtTranslationTest, ALanguageWithNoTranslationLeavesTheTextsAsTheyWere) {
  test::EnsureApplication();
  EXPECT_FALSE(InstallQtTranslation("zz"));
  EXPECT_FALSE(InstallQtTranslation(""));
  EXPECT_TRUE(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
  EXPECT_EQ(Captions(Question()).at(kButtonYes), "Yes");
}

}  // namespace
}  // namespace rt
