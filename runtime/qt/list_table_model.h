// ListTableModel: the Qt model of a list control: the rows of its list queue, shown through
// the list format's columns (a field of the row, a picture, a width and an alignment). It
// reads the queue when the view asks and keeps no copy of the rows; the queue is the runtime's
// and must remain live while the model is in use. The runtime changes the queue, then tells
// the model with Refresh.
#pragma once

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <vector>

#include "runtime/picture.h"
#include "runtime/record_descriptor.h"
#include "runtime/row_queue.h"

namespace rt {

enum class ColumnAlignment { kLeft, kRight, kCenter };

// How one column shows a field of the queue's rows.
struct ListColumnSpec {
  FieldDescriptor field;            // where the value sits in a row (type, offset, size)
  std::optional<Picture> picture;   // numbers are shown through it; none: the value's text
  int width = 0;                    // dialog units; 0 leaves the width to the view
  ColumnAlignment alignment = ColumnAlignment::kLeft;
  int indent = 0;                   // dialog units kept free on the aligned side
  std::string heading;
};

class ListTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The column's indent in dialog units, for the cell delegate.
  static constexpr int kIndentRole = Qt::UserRole + 1;

  ListTableModel(const RowQueue* queue, std::vector<ListColumnSpec> columns,
                 QObject* parent = nullptr);

  const std::vector<ListColumnSpec>& Columns() const { return columns_; }
  // Replaces the columns (a list whose format changed at run time).
  void SetColumns(std::vector<ListColumnSpec> columns);
  // The queue's rows changed: views re-read every row.
  void Refresh();

  // The text a cell shows, as the user sees it; empty for a row or column that does not exist.
  std::string CellText(size_t row_position, size_t column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const RowQueue* queue_;
  std::vector<ListColumnSpec> columns_;
  int rows_ = 0;  // what the views were last told, so a shrunk queue never reads past its end
};

}  // namespace rt
