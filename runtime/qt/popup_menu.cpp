#include "runtime/qt/popup_menu.h"

#include <QString>
#include <QVariant>

#include "runtime/qt/standard_icons.h"

namespace rt {

namespace {

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void FillMenu(QMenu* menu, const std::vector<MenuItem>& items) {
  for (const MenuItem& item : items) {
    if (item.separator) {
      menu->addSeparator();
      continue;
    }
    QIcon icon = StandardIconFromRef(item.icon);
    if (!item.submenu.empty()) {
      QMenu* sub = menu->addMenu(icon, Utf8(item.text));
      sub->setEnabled(!item.disabled);
      FillMenu(sub, item.submenu);
      continue;
    }
    QAction* action = menu->addAction(icon, Utf8(item.text));
    action->setData(item.choice);
    action->setEnabled(!item.disabled);
    if (item.check != MenuItem::Check::kNone) {
      action->setCheckable(true);
      action->setChecked(item.check == MenuItem::Check::kChecked);
    }
  }
}

int ChoiceOf(const QAction* action) {
  if (action == nullptr) return 0;
  bool ok = false;
  int choice = action->data().toInt(&ok);
  return ok ? choice : 0;
}

int RunPopupMenu(const MenuText& text, const QPoint& pos) {
  // No parent: a window freed while the menu is up must not take the menu with it.
  QMenu menu;
  FillMenu(&menu, text.Items());
  if (menu.isEmpty()) return 0;
  return ChoiceOf(menu.exec(pos));
}

}  // namespace rt
