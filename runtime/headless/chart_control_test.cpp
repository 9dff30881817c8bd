// A chart control without a screen: the program sets its bars and level, the headless backend
// records the very numbers, and only a chart takes them.
#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"

namespace rt {
namespace {

class ChartControlTest : public test::HeadlessTest {
 protected:
  void SetUp() override {
    std::string error;
    window_ = vars_.Prepare(&error);
    ASSERT_NE(window_, nullptr) << error;
  }

  test::TestVariables vars_;
  std::unique_ptr<Window> window_;
};

TEST_F(ChartControlTest, TheBackendRecordsTheNumbersEachTimeTheChartIsSet) {
  constexpr int kChart = 90;
  ASSERT_EQ(window_->Create(kChart, ControlKind::kChart), kChart);
  const Control* chart = window_->Find(kChart);
  ASSERT_NE(chart, nullptr);
  EXPECT_STREQ(ControlKindName(chart->kind()), "chart");
  EXPECT_FALSE(chart->Focusable());
  EXPECT_TRUE(chart->chart().bars.empty());

  ChartData first{"Возврат", {{"0", 0.0, 0.0}, {"1", 1.5, 4.25}, {"2", 9.0, 20.0}}, 11.0, "Ставка"};
  ASSERT_TRUE(window_->SetChart(kChart, first));
  ChartData second{"Возврат", {{"0", 2.0, 2.0}}, std::nullopt, ""};
  ASSERT_TRUE(window_->SetChart(kChart, second));

  const std::vector<ChartRecord> records = backend().Charts();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].window, "TEST$WINDOW");
  EXPECT_EQ(records[0].control, kChart);
  ASSERT_EQ(records[0].chart.bars.size(), 3u);
  EXPECT_EQ(records[0].chart.bars[1].low, 1.5);
  EXPECT_EQ(records[0].chart.bars[1].high, 4.25);
  EXPECT_EQ(records[0].chart.bars[2].label, "2");
  EXPECT_EQ(records[0].chart.level, 11.0);
  EXPECT_EQ(records[1].chart, second);
  EXPECT_EQ(window_->Find(kChart)->chart(), second);
}

TEST_F(ChartControlTest, OnlyAChartTakesChartData) {
  const ChartData data{"", {{"a", 1.0, 2.0}}, 1.5, ""};
  EXPECT_FALSE(window_->SetChart(test::kList, data));
  EXPECT_FALSE(window_->SetChart(12345, data));
  EXPECT_TRUE(backend().Charts().empty());
}

}  // namespace
}  // namespace rt
