#include "runtime/qt/list_table_model.h"

#include "runtime/any_ref.h"

namespace rt {

namespace {

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::Alignment QtAlignment(ColumnAlignment a) {
  switch (a) {
    case ColumnAlignment::kRight: return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlignment::kCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    case ColumnAlignment::kLeft: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

ListTableModel::ListTableModel(const RowQueue* queue, std::vector<ListColumnSpec> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), queue_(queue), columns_(std::move(columns)) {
  rows_ = queue_ ? static_cast<int>(queue_->Records()) : 0;
}

void ListTableModel::SetColumns(std::vector<ListColumnSpec> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  rows_ = queue_ ? static_cast<int>(queue_->Records()) : 0;
  endResetModel();
}

void ListTableModel::Refresh() {
  int now = queue_ ? static_cast<int>(queue_->Records()) : 0;
  if (now == rows_) {
    // A browse rewrites a page in place far more often than it changes its length; keeping
    // the rows keeps the view's selection and scroll position.
    if (rows_ > 0 && !columns_.empty()) {
      emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
    }
    return;
  }
  beginResetModel();
  rows_ = now;
  endResetModel();
}

std::string ListTableModel::CellText(size_t row_position, size_t column) const {
  if (queue_ == nullptr || column >= columns_.size()) return std::string();
  const void* row = queue_->RowAt(row_position);
  if (row == nullptr) return std::string();
  const ListColumnSpec& c = columns_[column];
  size_t size = c.field.size != 0 ? c.field.size : FixedSize(c.field.type);
  // A format naming bytes past the row's end shows nothing rather than reading them.
  if (size == 0 || c.field.offset > queue_->RowSize() ||
      size > queue_->RowSize() - c.field.offset) {
    return std::string();
  }
  // AnyRef reads through a non-const pointer; nothing here writes.
  AnyRef ref(c.field.type, static_cast<unsigned char*>(const_cast<void*>(row)) + c.field.offset,
             size);
  if (c.picture && (ref.IsNumeric() || ref.HoldsNumber())) return c.picture->Format(ref.Real());
  return ref.Text();
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ ||
      index.column() >= static_cast<int>(columns_.size())) {
    return QVariant();
  }
  const ListColumnSpec& c = columns_[static_cast<size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return Utf8(CellText(static_cast<size_t>(index.row()) + 1,
                           static_cast<size_t>(index.column())));
    case Qt::TextAlignmentRole:
      return QtAlignment(c.alignment).toInt();
    case kIndentRole:
      return c.indent;
    default:
      return QVariant();
  }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(columns_.size())) {
    return QVariant();
  }
  return Utf8(columns_[static_cast<size_t>(section)].heading);
}

Qt::ItemFlags ListTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Editing happens in place through the runtime's own entry, never through the view.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace rt
