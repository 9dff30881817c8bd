// The runtime's popup menu (a parsed menu text) as a QMenu: items with their mnemonics,
// submenus, separators, disabled and checked items and standard icons. The choice numbers of
// the menu text come back from the action the user picks.
#pragma once

#include <QAction>
#include <QMenu>
#include <QPoint>

#include <vector>

#include "runtime/windows/menu_text.h"

namespace rt {

// Adds the items to menu (submenus become child menus of it).
void FillMenu(QMenu* menu, const std::vector<MenuItem>& items);
// The choice number an action of FillMenu stands for; 0 for anything else.
int ChoiceOf(const QAction* action);
// Shows the menu at pos (screen pixels) until the user picks or dismisses it, on the GUI
// thread; returns the choice, 0 when dismissed.
int RunPopupMenu(const MenuText& menu, const QPoint& pos);

}  // namespace rt
