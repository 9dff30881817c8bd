#include "runtime/qt/list_table_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTableView>

#include <cstddef>
#include <cstring>

#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

#pragma pack(push, 1)
struct OddsRow {
  uint8_t nn;
  double kf;
  uint8_t mark;
  char position[16];
};
#pragma pack(pop)

std::vector<ListColumnSpec> OddsColumns() {
  ListColumnSpec nn;
  nn.field = {"KF:NN", Type::Byte, offsetof(OddsRow, nn), 1};
  nn.picture = Picture::Parse("n2");
  nn.width = 20;
  nn.alignment = ColumnAlignment::kRight;
  nn.indent = 5;
  ListColumnSpec kf;
  kf.field = {"KF:KF", Type::Real, offsetof(OddsRow, kf), 8};
  kf.picture = Picture::Parse("n5.2");
  kf.width = 30;
  kf.alignment = ColumnAlignment::kRight;
  kf.indent = 5;
  return {nn, kf};
}

void AddRow(Queue<OddsRow>& q, uint8_t nn, double kf) {
  q.buffer = OddsRow{};
  q.buffer.nn = nn;
  q.buffer.kf = kf;
  q.Append();
}

QString Cell(const ListTableModel& m, int row, int column) {
  return m.data(m.index(row, column), Qt::DisplayRole).toString();
}

class ListTableModelTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureApplication(); }
  Queue<OddsRow> queue_;
};

TEST_F(ListTableModelTest, CellsShowTheQueuesFieldsThroughTheColumnsPictures) {
  AddRow(queue_, 1, 1.5);
  AddRow(queue_, 12, 2.675);
  AddRow(queue_, 3, 123.456);  // does not fit "n5.2"
  ListTableModel model(&queue_, OddsColumns());
  ASSERT_EQ(model.rowCount(), 3);
  ASSERT_EQ(model.columnCount(), 2);
  EXPECT_EQ(Cell(model, 0, 0), " 1");
  EXPECT_EQ(Cell(model, 0, 1), " 1.50");
  EXPECT_EQ(Cell(model, 1, 0), "12");
  EXPECT_EQ(Cell(model, 1, 1), " 2.68");
  EXPECT_EQ(Cell(model, 2, 1), "#####");
  int align = model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt();
  EXPECT_TRUE(align & Qt::AlignRight);
  EXPECT_EQ(model.data(model.index(0, 1), ListTableModel::kIndentRole).toInt(), 5);
  // The queue's own row buffer and pointer are not disturbed by drawing.
  queue_.buffer.nn = 77;
  (void)Cell(model, 0, 0);
  EXPECT_EQ(queue_.buffer.nn, 77);
}

TEST_F(ListTableModelTest, TextsAndUnpicturedNumbersShowTheirTextForm) {
  struct Row {
    char name[8];
    int32_t count;
  };
  Queue<Row> q;
  std::memcpy(q.buffer.name, "Kiev    ", 8);
  q.buffer.count = -42;
  q.Append();
  ListColumnSpec name;
  name.field = {"NAME", Type::String, offsetof(Row, name), 8};
  ListColumnSpec count;
  count.field = {"COUNT", Type::Long, offsetof(Row, count), 4};
  count.heading = "Count";
  ListTableModel model(&q, {name, count});
  EXPECT_EQ(Cell(model, 0, 0), "Kiev");
  EXPECT_EQ(Cell(model, 0, 1), "-42");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Count");
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(ListTableModelTest, AColumnPastTheRowsEndShowsNothing) {
  AddRow(queue_, 1, 1.5);
  std::vector<ListColumnSpec> columns = OddsColumns();
  columns[1].field.offset = sizeof(OddsRow) - 4;  // an 8-byte REAL hanging over the end
  ListColumnSpec zero;
  zero.field = {"G", Type::Group, 0, 0};
  columns.push_back(zero);
  ListTableModel model(&queue_, columns);
  EXPECT_EQ(Cell(model, 0, 0), " 1");
  EXPECT_EQ(Cell(model, 0, 1), "");
  EXPECT_EQ(Cell(model, 0, 2), "");
  EXPECT_EQ(Cell(model, 5, 0), "");
}

TEST_F(ListTableModelTest, RefreshTellsViewsAboutChangedRowsAndNeverReadsPastTheQueue) {
  AddRow(queue_, 1, 1.5);
  AddRow(queue_, 2, 2.5);
  ListTableModel model(&queue_, OddsColumns());
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

  // The page is rewritten in place: rows stay, their data changes.
  queue_.Get(1);
  queue_.buffer.kf = 9.25;
  queue_.Put();
  model.Refresh();
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(Cell(model, 0, 1), " 9.25");

  // The queue shrinks before the model is told: the missing row reads as empty.
  queue_.DeleteAt(2);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(Cell(model, 1, 0), "");
  model.Refresh();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model.rowCount(), 1);

  AddRow(queue_, 5, 5.5);
  AddRow(queue_, 6, 6.5);
  model.Refresh();
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(Cell(model, 2, 0), " 6");
}

TEST_F(ListTableModelTest, ATableViewOverTheModelShowsTheQueue) {
  AddRow(queue_, 1, 1.5);
  AddRow(queue_, 2, 2.5);
  ListTableModel model(&queue_, OddsColumns());
  QTableView view;
  view.setModel(&model);
  view.resize(200, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QModelIndex second = view.indexAt(view.visualRect(model.index(1, 1)).center());
  EXPECT_EQ(second.row(), 1);
  EXPECT_EQ(second.data().toString(), " 2.50");
  AddRow(queue_, 3, 3.5);
  model.Refresh();
  EXPECT_TRUE(view.visualRect(model.index(2, 0)).isValid());
}

}  // namespace
}  // namespace rt
