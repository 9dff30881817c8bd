#include "runtime/qt/list_table_model.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <memory>

#include "runtime/qt/control_style.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::Alignment QtAlignment(Alignment a) {
  switch (a) {
    // Decimal alignment lines up the points; the pictures already give every value of a
    // column the same number of decimals, so right alignment does it.
    case Alignment::kRight:
    case Alignment::kDecimal: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::kCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::kLeft: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

ListRowSource LiveRows(const Window* window, int control) {
  return ListRowSource{
      [window, control] { return window->ListRowCount(control); },
      [window, control](size_t row, int column) {
        return window->CellText(control, row, column);
      },
      [window, control](size_t row) { return window->RowMarked(control, row); }};
}

ListRowSource CopiedRows(const Window& window, int control, int columns) {
  auto cells = std::make_shared<std::vector<std::vector<std::string>>>();
  auto marks = std::make_shared<std::vector<bool>>();
  size_t rows = window.ListRowCount(control);
  cells->reserve(rows);
  for (size_t r = 1; r <= rows; ++r) {
    marks->push_back(window.RowMarked(control, r));
    std::vector<std::string> row;
    row.reserve(static_cast<size_t>(columns));
    for (int c = 1; c <= columns; ++c) row.push_back(window.CellText(control, r, c));
    cells->push_back(std::move(row));
  }
  return ListRowSource{
      [cells] { return cells->size(); },
      [cells](size_t row, int column) {
        if (row < 1 || row > cells->size()) return std::string();
        const std::vector<std::string>& r = (*cells)[row - 1];
        return column >= 1 && static_cast<size_t>(column) <= r.size() ? r[column - 1]
                                                                       : std::string();
      },
      [marks](size_t row) { return row >= 1 && row <= marks->size() && (*marks)[row - 1]; }};
}

ListTableModel::ListTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListTableModel::SetColumns(const ListFormat* format, int fields) {
  beginResetModel();
  columns_.clear();
  if (format != nullptr) {
    columns_ = format->Columns();
  } else {
    for (int i = 0; i < fields; ++i) {
      ListColumn c;
      c.field = i;
      columns_.push_back(c);
    }
  }
  rows_ = source_.rows ? static_cast<int>(source_.rows()) : 0;
  endResetModel();
}

void ListTableModel::SetSource(ListRowSource source) {
  beginResetModel();
  source_ = std::move(source);
  rows_ = source_.rows ? static_cast<int>(source_.rows()) : 0;
  endResetModel();
}

void ListTableModel::SetColumnColors(std::map<int, Color> colors) {
  if (colors == colors_) return;
  colors_ = std::move(colors);
  if (rows_ > 0 && !columns_.empty()) {
    emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1),
                     {Qt::ForegroundRole});
  }
}

void ListTableModel::Refresh() {
  int now = source_.rows ? static_cast<int>(source_.rows()) : 0;
  if (now == rows_) {
    if (rows_ > 0 && !columns_.empty()) {
      emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
    }
    return;
  }
  beginResetModel();
  rows_ = now;
  endResetModel();
}

bool ListTableModel::Marked(int row) const {
  return source_.marked && source_.marked(static_cast<size_t>(row) + 1);
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
  const ListColumn& c = columns_[static_cast<size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      if (!source_.cell) return QString();
      return Utf8(source_.cell(static_cast<size_t>(index.row()) + 1, index.column() + 1));
    case Qt::TextAlignmentRole:
      return QtAlignment(c.align).toInt();
    case Qt::FontRole: {
      if (!Marked(index.row())) return QVariant();
      QFont font;
      font.setItalic(true);
      return font;
    }
    case Qt::ForegroundRole: {
      // A row another station holds is greyed: there, but not for changing now.
      if (Marked(index.row())) {
        return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
      }
      auto it = colors_.find(index.column() + 1);
      if (it == colors_.end()) return QVariant();
      std::optional<QColor> color = ToQColor(it->second);
      return color ? QVariant(*color) : QVariant();
    }
    case kIndentRole:
      return c.indent;
    case kRightBorderRole:
      return c.right_border;
    case kUnderlineRole:
      return c.underline;
    default:
      return QVariant();
  }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(columns_.size())) {
    return QVariant();
  }
  const ListColumn& c = columns_[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return Utf8(c.header);
  if (role == Qt::TextAlignmentRole) return QtAlignment(c.header_align).toInt();
  return QVariant();
}

Qt::ItemFlags ListTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Editing happens in place through the runtime's own entry, never through the view.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace rt
