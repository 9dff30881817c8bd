// Test support for the Qt backend (GoogleTest and QTest; the backend does not depend on it):
// one application object for the test process, and a stand-in user who answers the next
// message box by pressing one of its buttons.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "runtime/qt/message_box_dialog.h"

namespace rt::test {

// The process's application object, made on first use on the calling thread (which becomes
// the GUI thread). Tests run on the offscreen platform unless the environment names another.
inline QApplication* EnsureApplication() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// What the stand-in user saw in the box it answered.
struct SeenMessageBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool has_icon_pixmap = false;
  std::vector<int> buttons;  // runtime buttons, in the order shown
  int default_button = 0;
  bool on_gui_thread = false;
};

// Waits (polling on the GUI thread) for a modal message box and answers it with a key press
// or a click on one of its buttons, the way a user would. Keep it alive until the box is gone.
class MessageBoxAnswerer {
 public:
  // Clicks the button that stands for runtime_button.
  static MessageBoxAnswerer Click(int runtime_button) {
    return MessageBoxAnswerer([runtime_button](QMessageBox* box) {
      for (QAbstractButton* b : box->buttons()) {
        if (RuntimeButtonOf(b) == runtime_button) {
          QTest::mouseClick(b, Qt::LeftButton);
          return true;
        }
      }
      return false;
    });
  }
  // Presses a key on the box (Escape, Enter).
  static MessageBoxAnswerer Key(Qt::Key key) {
    return MessageBoxAnswerer([key](QMessageBox* box) {
      QTest::keyClick(box, key);
      return true;
    });
  }

  MessageBoxAnswerer(MessageBoxAnswerer&& o) noexcept = default;

  bool answered() const { return *answered_; }
  const SeenMessageBox& seen() const { return *seen_; }

 private:
  explicit MessageBoxAnswerer(std::function<bool(QMessageBox*)> act)
      : timer_(std::make_unique<QTimer>()),
        answered_(std::make_shared<bool>(false)),
        seen_(std::make_shared<SeenMessageBox>()) {
    timer_->setInterval(5);
    auto answered = answered_;
    auto seen = seen_;
    QTimer* timer = timer_.get();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, answered, seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->icon = box->icon();
      seen->has_icon_pixmap = !box->iconPixmap().isNull();
      seen->buttons.clear();
      for (QAbstractButton* b : box->buttons()) seen->buttons.push_back(RuntimeButtonOf(b));
      seen->default_button = RuntimeButtonOf(box->defaultButton());
      seen->on_gui_thread = box->thread() == QApplication::instance()->thread();
      timer->stop();
      *answered = act(box);
    });
    timer_->start();
  }

  std::unique_ptr<QTimer> timer_;
  std::shared_ptr<bool> answered_;
  std::shared_ptr<SeenMessageBox> seen_;
};

}  // namespace rt::test
