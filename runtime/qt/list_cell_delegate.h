// ListCellDelegate: draws a list cell as the list format asks: the text kept an indent away
// from its aligned edge (the indent yields when the cell is too narrow for both, the text
// never does), a line after columns with a right border and under cells that are underlined.
// It reads everything from the model; it owns nothing.
#pragma once

#include <QStyledItemDelegate>

#include "runtime/qt/dialog_units.h"

namespace rt {

class ListCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  ListCellDelegate(DialogUnits units, QObject* parent = nullptr);
  void SetUnits(DialogUnits units) { units_ = units; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Pixels of a cell `width` wide that the style leaves for the text, indent not counted.
  int TextRoom(const QWidget* view, int width) const;

 private:
  DialogUnits units_;
};

}  // namespace rt
