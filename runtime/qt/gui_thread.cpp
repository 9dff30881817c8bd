#include "runtime/qt/gui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace rt {

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnGuiThread(const std::function<void()>& work) {
  if (OnGuiThread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), [&work] { work(); },
                            Qt::BlockingQueuedConnection);
}

void PostToGuiThread(std::function<void()> work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    work();
    return;
  }
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void DoOnGuiThread(std::function<void()> work) {
  if (OnGuiThread()) {
    work();
  } else {
    PostToGuiThread(std::move(work));
  }
}

}  // namespace rt
