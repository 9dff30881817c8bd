// SpinEdit: the widget of a spin box: an edit field with up/down arrows that never judges
// or changes the value itself. Arrow clicks, the wheel and the arrow keys ask for steps; the
// runtime works out the new value (range, picture) and shows it.
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

namespace rt {

class SpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit SpinEdit(QWidget* parent = nullptr);

  QLineEdit* edit() const { return lineEdit(); }
  // The width the style gives the edit field when the whole spin box is `size`.
  int EditFieldWidth(QSize size) const;
  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override {}

 signals:
  void stepRequested(int steps);

 protected:
  StepEnabled stepEnabled() const override;
};

}  // namespace rt
