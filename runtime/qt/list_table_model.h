// ListTableModel: the Qt model of a list control: the rows of its list queue as the list
// format's columns show them (each through its picture), with the columns' alignment, indent,
// header and text colour. It keeps no rows: it asks a row source, which reads the queue
// through the window model (a window of the GUI thread) or holds the texts copied on the
// window's own thread (a window of another runtime thread, whose queue the GUI thread must
// not read). The runtime changes the queue and then the view calls Refresh.
#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/windows/list_format.h"
#include "runtime/windows/window_resource.h"

namespace rt {

class Window;

// Rows and cells of a list, 1-based, as the user sees them.
struct ListRowSource {
  std::function<size_t()> rows;
  std::function<std::string(size_t row, int column)> cell;
  std::function<bool(size_t row)> marked;  // the row is shown marked (Window::RowMarked)
};

// Reads a list control of a live window; the window must outlive the source's use.
ListRowSource LiveRows(const Window* window, int control);
// A copy of every cell of a list control, taken on the window's thread.
ListRowSource CopiedRows(const Window& window, int control, int columns);

class ListTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kIndentRole = Qt::UserRole + 1;     // dialog units (int)
  static constexpr int kRightBorderRole = Qt::UserRole + 2;  // bool: '|' after the column
  static constexpr int kUnderlineRole = Qt::UserRole + 3;    // bool: '_' under the cells

  explicit ListTableModel(QObject* parent = nullptr);

  // The columns of a list format; a list without a format shows fields 1..fields in columns
  // of the text form.
  void SetColumns(const ListFormat* format, int fields);
  void SetSource(ListRowSource source);
  // Column text colours (column 1-based -> colour); missing ones use the list's own.
  void SetColumnColors(std::map<int, Color> colors);
  const std::vector<ListColumn>& Columns() const { return columns_; }

  // The rows changed: a page rewritten in place keeps the view's selection and scrolling,
  // a change of the row count resets the view.
  void Refresh();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  bool Marked(int row) const;  // 0-based

  ListRowSource source_;
  std::vector<ListColumn> columns_;
  std::map<int, Color> colors_;
  int rows_ = 0;  // what the views were last told, so a shrunk queue never reads past its end
};

}  // namespace rt
