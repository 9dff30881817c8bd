#include "runtime/qt/list_cell_delegate.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

#include "runtime/qt/list_table_model.h"

namespace rt {

ListCellDelegate::ListCellDelegate(DialogUnits units, QObject* parent)
    : QStyledItemDelegate(parent), units_(units) {}

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();

  // Background, highlight and focus frame as the style draws them, then the text ourselves
  // so the indent applies to it alone.
  QString text = opt.text;
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  // The indent is the format's spacing: it gives way before the text is cut.
  int room = r.width() - opt.fontMetrics.horizontalAdvance(text);
  int indent = std::clamp(units_.X(index.data(ListTableModel::kIndentRole).toInt()), 0,
                          std::max(room, 0));
  if (opt.displayAlignment & Qt::AlignRight) {
    r.adjust(0, 0, -indent, 0);
  } else if (opt.displayAlignment & Qt::AlignLeft) {
    r.adjust(indent, 0, 0, 0);
  }
  bool selected = opt.state & QStyle::State_Selected;
  QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                               : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                     : QPalette::Inactive;
  painter->save();
  painter->setFont(opt.font);
  QColor pen = selected ? opt.palette.color(group, QPalette::HighlightedText)
                        : opt.palette.color(group, QPalette::Text);
  QVariant foreground = index.data(Qt::ForegroundRole);
  if (!selected && foreground.canConvert<QColor>()) pen = foreground.value<QColor>();
  painter->setPen(pen);
  painter->drawText(r, static_cast<int>(opt.displayAlignment), text);

  QColor line = opt.palette.color(group, QPalette::Mid);
  painter->setPen(line);
  if (index.data(ListTableModel::kRightBorderRole).toBool()) {
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
  }
  if (index.data(ListTableModel::kUnderlineRole).toBool()) {
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
  }
  painter->restore();
}

int ListCellDelegate::TextRoom(const QWidget* view, int width) const {
  QStyleOptionViewItem opt;
  opt.initFrom(view);
  opt.widget = view;
  opt.font = view->font();
  opt.fontMetrics = view->fontMetrics();
  // As a table view prepares a cell's option (the text takes the whole cell), with a
  // one-character text.
  const int icon = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
  opt.decorationSize = QSize(icon, icon);
  opt.decorationPosition = QStyleOptionViewItem::Left;
  opt.decorationAlignment = Qt::AlignCenter;
  opt.displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
  opt.textElideMode = Qt::ElideRight;
  opt.showDecorationSelected = true;
  opt.features = QStyleOptionViewItem::HasDisplay;
  opt.text = QStringLiteral("0");
  opt.rect = QRect(0, 0, width, opt.fontMetrics.height() + 2);
  const QStyle* style = view->style();
  return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view).width();
}

}  // namespace rt
