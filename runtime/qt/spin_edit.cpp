#include "runtime/qt/spin_edit.h"

#include <QStyle>
#include <QStyleOptionSpinBox>

namespace rt {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  // The runtime checks the text when the user leaves the field; nothing is corrected here.
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
  setAccelerated(false);
}

int SpinEdit::EditFieldWidth(QSize size) const {
  QStyleOptionSpinBox opt;
  initStyleOption(&opt);
  opt.rect = QRect(QPoint(0, 0), size);
  return style()
      ->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxEditField, this)
      .width();
}

void SpinEdit::stepBy(int steps) { emit stepRequested(steps); }

QValidator::State SpinEdit::validate(QString& input, int& pos) const {
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  return isReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

}  // namespace rt
