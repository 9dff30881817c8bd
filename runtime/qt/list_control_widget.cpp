#include "runtime/qt/list_control_widget.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "runtime/windows/event.h"
#include "runtime/qt/key_codes.h"
#include "runtime/qt/picture_width.h"

namespace rt {

ListControlWidget::ListControlWidget(DialogUnits units, QWidget* parent)
    : QFrame(parent),
      units_(units),
      model_(new ListTableModel(this)),
      delegate_(new ListCellDelegate(units, this)),
      view_(new QTableView(this)),
      scroll_(new QScrollBar(Qt::Vertical, this)) {
  setFrameShape(QFrame::NoFrame);
  view_->setModel(model_);
  view_->setItemDelegate(delegate_);
  view_->setShowGrid(false);
  view_->setWordWrap(false);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setTabKeyNavigation(false);
  view_->verticalHeader()->hide();
  view_->horizontalHeader()->setHighlightSections(false);
  view_->horizontalHeader()->setSectionsClickable(false);
  // The runtime gives the focus; a click asks for it.
  view_->setFocusPolicy(Qt::NoFocus);
  setFocusProxy(view_);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);

  scroll_->setRange(0, 100);
  scroll_->setSingleStep(1);
  scroll_->setPageStep(10);
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->hide();
  connect(scroll_, &QScrollBar::actionTriggered, this, &ListControlWidget::OnScrollAction);
  connect(scroll_, &QScrollBar::sliderReleased, this,
          [this] { emit thumbDragged(scroll_->sliderPosition()); });
  ApplyRowHeight();
}

void ListControlWidget::ApplyRowHeight() {
  QHeaderView* rows = view_->verticalHeader();
  rows->setMinimumSectionSize(1);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(QFontMetrics(font()).height() + 2);
}

void ListControlWidget::SetUnits(DialogUnits units) {
  if (units.BaseWidth() == units_.BaseWidth() && units.BaseHeight() == units_.BaseHeight()) {
    return;
  }
  units_ = units;
  delegate_->SetUnits(units);
  ApplyColumns();
}

void ListControlWidget::ApplyColumns() {
  QHeaderView* header = view_->horizontalHeader();
  bool any_header = false;
  const std::vector<ListColumn>& columns = model_->Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    int section = static_cast<int>(i);
    if (!columns[i].header.empty()) any_header = true;
    if (columns[i].width > 0) {
      header->setSectionResizeMode(section, QHeaderView::Interactive);
      int width = units_.X(columns[i].width);
      // A column too narrow for the widest value of its picture in the list's font is widened
      // until that value fits whole.
      if (columns[i].picture) {
        const int widest = WidestValueWidth(*columns[i].picture, view_->fontMetrics());
        const int missing = widest - delegate_->TextRoom(view_, width);
        if (missing > 0) width += missing;
      }
      header->resizeSection(section, width);
    } else {
      header->setSectionResizeMode(section, QHeaderView::Stretch);
    }
  }
  header->setVisible(any_header);
  Layout();
}

void ListControlWidget::ShowSelection(size_t row) {
  QItemSelectionModel* selection = view_->selectionModel();
  if (row == 0 || static_cast<int>(row) > model_->rowCount()) {
    selection->clearSelection();
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  QModelIndex index = model_->index(static_cast<int>(row) - 1, 0);
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (!page_mode_) view_->scrollTo(index);
}

void ListControlWidget::ShowScroll(bool page_mode, bool vscroll, int thumb) {
  page_mode_ = page_mode;
  thumb_ = thumb;
  if (page_mode) {
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVisible(vscroll);
    if (!scroll_->isSliderDown()) scroll_->setSliderPosition(thumb);
  } else {
    scroll_->hide();
    view_->setVerticalScrollBarPolicy(vscroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  }
  Layout();
}

int ListControlWidget::RowsShown() const {
  int row_height = view_->verticalHeader()->defaultSectionSize();
  if (row_height <= 0) return 1;
  // From the view's own height: a hidden view's viewport is not resized until it is shown.
  QHeaderView* header = view_->horizontalHeader();
  int height = view_->height() - 2 * view_->frameWidth() -
               (header->isVisibleTo(view_) ? header->sizeHint().height() : 0);
  int rows = height / row_height;
  return rows < 1 ? 1 : rows;
}

int ListControlWidget::TextRoom(int column) const {
  if (column < 1 || column > model_->columnCount()) return 0;
  return delegate_->TextRoom(view_, view_->columnWidth(column - 1));
}

QRect ListControlWidget::CellRect(size_t row, int column) const {
  if (row == 0 || column < 1) return QRect();
  QRect r = view_->visualRect(model_->index(static_cast<int>(row) - 1, column - 1));
  if (!r.isValid()) return QRect();
  return QRect(view_->viewport()->mapTo(this, r.topLeft()), r.size());
}

void ListControlWidget::Layout() {
  int bar = scroll_->isVisibleTo(this) ? scroll_->sizeHint().width() : 0;
  view_->setGeometry(0, 0, width() - bar, height());
  if (bar > 0) scroll_->setGeometry(width() - bar, 0, bar, height());
  int rows = RowsShown();
  if (rows != reported_rows_) {
    reported_rows_ = rows;
    emit pageRowsChanged(rows);
  }
}

void ListControlWidget::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  Layout();
}

void ListControlWidget::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    ApplyRowHeight();
    // Columns are at least as wide as their values in this font.
    ApplyColumns();
  }
}

int ListControlWidget::ColumnAt(int x) const {
  int column = view_->columnAt(x);
  return column < 0 ? 0 : column + 1;
}

void ListControlWidget::OnScrollAction(int action) {
  int event = 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: event = kEventScrollUp; break;
    case QAbstractSlider::SliderSingleStepAdd: event = kEventScrollDown; break;
    case QAbstractSlider::SliderPageStepSub: event = kEventPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: event = kEventPageDown; break;
    case QAbstractSlider::SliderToMinimum: event = kEventScrollTop; break;
    case QAbstractSlider::SliderToMaximum: event = kEventScrollBottom; break;
    default: return;  // a drag: reported when the thumb is let go
  }
  // The thumb stays where the runtime last put it until the runtime moves it.
  scroll_->setSliderPosition(thumb_);
  emit scrollRequested(event);
}

bool ListControlWidget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      if (watched != view_) break;
      auto* key = static_cast<QKeyEvent*>(event);
      int code = KeyCodeOf(*key);
      if (code != 0) emit keyPressed(code, KeyCharOf(*key));
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      if (watched != view_->viewport()) break;
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint pos = mouse->position().toPoint();
      QModelIndex index = view_->indexAt(pos);
      size_t row = index.isValid() ? static_cast<size_t>(index.row()) + 1 : 0;
      int column = ColumnAt(pos.x());
      int code = 0;
      if (mouse->button() == Qt::LeftButton) {
        if (event->type() == QEvent::MouseButtonPress) code = kMouseLeft;
        if (event->type() == QEvent::MouseButtonDblClick) code = kMouseLeftDouble;
      } else if (mouse->button() == Qt::RightButton) {
        if (event->type() == QEvent::MouseButtonPress) code = kMouseRightDown;
        if (event->type() == QEvent::MouseButtonRelease) code = kMouseRightUp;
      }
      if (code != 0) emit rowClicked(row, column, code);
      return true;
    }
    case QEvent::Wheel: {
      if (watched != view_->viewport()) break;
      auto* wheel = static_cast<QWheelEvent*>(event);
      wheel_rest_ += wheel->angleDelta().y() * QApplication::wheelScrollLines();
      int lines = wheel_rest_ / 120;
      wheel_rest_ -= lines * 120;
      for (int i = 0; i < (lines < 0 ? -lines : lines); ++i) {
        emit scrollRequested(lines > 0 ? kEventScrollUp : kEventScrollDown);
      }
      return true;
    }
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace rt
