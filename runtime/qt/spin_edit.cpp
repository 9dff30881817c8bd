#include "runtime/qt/spin_edit.h"

namespace rt {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  // The runtime checks the text when the user leaves the field; nothing is corrected here.
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
  setAccelerated(false);
}

void SpinEdit::stepBy(int steps) { emit stepRequested(steps); }

QValidator::State SpinEdit::validate(QString& input, int& pos) const {
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  return isReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

}  // namespace rt
