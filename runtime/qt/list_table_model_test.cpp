#include "runtime/qt/list_table_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "runtime/windows/test_window.h"
#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

// The model over the test window's page-mode list "[20R(5)|_@n2@30R(5)_M@n5.2@]", with no
// backend: the model reads the window as the Qt backend's lists do.
class ListTableModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    previous_ = SetBackend(nullptr);
    vars_.AddRows(3);
    window_ = vars_.Prepare(&error_);
    ASSERT_NE(window_, nullptr) << error_;
    const Control* list = window_->Find(test::kList);
    model_.SetSource(LiveRows(window_.get(), test::kList));
    model_.SetColumns(list->format(), 4);
  }
  void TearDown() override { SetBackend(previous_); }

  QString Cell(int row, int column) const {
    return model_.data(model_.index(row, column), Qt::DisplayRole).toString();
  }

  Backend* previous_ = nullptr;
  test::TestVariables vars_;
  std::string error_;
  std::unique_ptr<Window> window_;
  ListTableModel model_;
};

TEST_F(ListTableModelTest, CellsShowTheQueuesFieldsThroughTheFormatsPictures) {
  ASSERT_EQ(model_.rowCount(), 3);
  ASSERT_EQ(model_.columnCount(), 2);
  EXPECT_EQ(Cell(0, 0), " 1");
  EXPECT_EQ(Cell(0, 1), " 1.25");
  EXPECT_EQ(Cell(2, 0), " 3");
  EXPECT_EQ(Cell(2, 1), " 1.75");
  vars_.rows.Get(2);
  vars_.rows.buffer.value = 123.456;  // does not fit "n5.2"
  vars_.rows.Put();
  EXPECT_EQ(Cell(1, 1), "#####");
  // Rows past the model's count and columns past the format read as nothing.
  EXPECT_EQ(Cell(3, 0), "");
  EXPECT_EQ(Cell(0, 2), "");
}

TEST_F(ListTableModelTest, TheFormatGivesAlignmentIndentAndLines) {
  QModelIndex nn = model_.index(0, 0);
  QModelIndex kf = model_.index(0, 1);
  EXPECT_TRUE(nn.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
  EXPECT_EQ(nn.data(ListTableModel::kIndentRole).toInt(), 5);
  EXPECT_EQ(kf.data(ListTableModel::kIndentRole).toInt(), 5);
  // "|" closes the first column, "_" underlines both.
  EXPECT_TRUE(nn.data(ListTableModel::kRightBorderRole).toBool());
  EXPECT_FALSE(kf.data(ListTableModel::kRightBorderRole).toBool());
  EXPECT_TRUE(nn.data(ListTableModel::kUnderlineRole).toBool());
  EXPECT_TRUE(kf.data(ListTableModel::kUnderlineRole).toBool());
  EXPECT_FALSE(model_.flags(nn) & Qt::ItemIsEditable);
}

TEST_F(ListTableModelTest, RefreshKeepsAPageRewrittenInPlaceAndResetsOnANewRowCount) {
  QSignalSpy resets(&model_, &QAbstractItemModel::modelReset);
  QSignalSpy changes(&model_, &QAbstractItemModel::dataChanged);
  vars_.rows.Get(1);
  vars_.rows.buffer.value = 9.25;
  vars_.rows.Put();
  model_.Refresh();
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(Cell(0, 1), " 9.25");

  // The queue shrinks before the model is told: the missing row reads as empty.
  vars_.rows.DeleteAt(3);
  EXPECT_EQ(model_.rowCount(), 3);
  EXPECT_EQ(Cell(2, 0), "");
  model_.Refresh();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model_.rowCount(), 2);
}

TEST_F(ListTableModelTest, CopiedRowsShowWhatTheQueueHeldWhenTheyWereTaken) {
  ListTableModel copy;
  copy.SetSource(CopiedRows(*window_, test::kList, 2));
  copy.SetColumns(window_->Find(test::kList)->format(), 4);
  vars_.rows.Free();
  model_.Refresh();
  EXPECT_EQ(model_.rowCount(), 0);
  ASSERT_EQ(copy.rowCount(), 3);
  EXPECT_EQ(copy.data(copy.index(1, 0)).toString(), " 2");
  EXPECT_EQ(copy.data(copy.index(1, 1)).toString(), " 1.50");
}

TEST_F(ListTableModelTest, ColumnTextColoursComeThroughTheForegroundRole) {
  EXPECT_FALSE(model_.index(0, 1).data(Qt::ForegroundRole).isValid());
  model_.SetColumnColors({{2, Rgb(200, 0, 0)}});
  EXPECT_EQ(model_.index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(200, 0, 0));
  EXPECT_FALSE(model_.index(0, 0).data(Qt::ForegroundRole).isValid());
}

}  // namespace
}  // namespace rt
