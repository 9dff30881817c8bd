// ListControlWidget: the widget of a list control: a QTableView over a ListTableModel and, for
// a list in page mode, its own scroll bar whose thumb shows the list's thumb position. It
// never moves the highlight or scrolls by itself: clicks, keys, the wheel and the scroll bar
// become requests (signals) for the runtime, which answers by changing the model.
#pragma once

#include <QFrame>
#include <QScrollBar>
#include <QTableView>

#include "runtime/qt/dialog_units.h"
#include "runtime/qt/list_cell_delegate.h"
#include "runtime/qt/list_table_model.h"

namespace rt {

class ListControlWidget : public QFrame {
  Q_OBJECT

 public:
  ListControlWidget(DialogUnits units, QWidget* parent = nullptr);

  ListTableModel* model() const { return model_; }
  QTableView* view() const { return view_; }
  QScrollBar* scrollBar() const { return scroll_; }

  // The window's dialog units (its font changed); column widths follow.
  void SetUnits(DialogUnits units);
  // Column widths (dialog units of the window) and header after the model's columns changed.
  void ApplyColumns();
  // Shows the highlight on row (1-based; 0: none).
  void ShowSelection(size_t row);
  // page_mode: the scroll bar is ours and shows thumb (0..100); otherwise the view's own.
  void ShowScroll(bool page_mode, bool vscroll, int thumb);
  // Pixels column (1-based) leaves for a value's text (its indent yields to the text).
  int TextRoom(int column) const;
  // Whole rows that fit in the view now.
  int RowsShown() const;
  // The cell's rectangle in this widget's coordinates (row and column 1-based); an empty
  // rectangle when the row is not shown.
  QRect CellRect(size_t row, int column) const;

 signals:
  // row 0: below the last row; mouse: the runtime's mouse code.
  void rowClicked(size_t row, int column, int mouse);
  void keyPressed(int key_code, char32_t key_char);
  void scrollRequested(int scroll_event);
  void thumbDragged(int position);
  void pageRowsChanged(int rows);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Layout();
  void OnScrollAction(int action);
  int ColumnAt(int x) const;
  void ApplyRowHeight();

  DialogUnits units_;
  ListTableModel* model_;
  ListCellDelegate* delegate_;
  QTableView* view_;
  QScrollBar* scroll_;
  bool page_mode_ = false;
  int thumb_ = 0;
  int reported_rows_ = 0;
  int wheel_rest_ = 0;  // eighths of a degree not yet turned into rows (fine-grained wheels)
};

}  // namespace rt
