// The runtime's message box as a QMessageBox: lines split at "|", the caption, a standard
// icon, the asked buttons (OK, Yes, No, Cancel) and the default button. The caller owns the box.
#pragma once

#include <QAbstractButton>
#include <QMessageBox>
#include <QWidget>

#include <memory>

#include "runtime/windows/backend.h"

namespace rt {

// Builds the box for a request that went through MakeSoundRequest. Escape presses Cancel
// when the box has it, the only button of a one-button box, and "No" of a Yes/No box (as a
// desktop user expects); a box with Yes/No/... and none of those cannot be dismissed.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request, QWidget* parent);

// The runtime button (kButtonOk...) a button of a box made by MakeMessageBox stands for;
// 0 for a button that is none of them, or nullptr.
int RuntimeButtonOf(const QAbstractButton* button);

// Shows the box modally (on the GUI thread) and returns the runtime button pressed. A box
// closed without a press (the application quitting under it) answers Cancel when it offered
// Cancel and the default button otherwise, never a button it did not show.
int RunMessageBox(const MessageBoxRequest& request, QWidget* parent);

}  // namespace rt
