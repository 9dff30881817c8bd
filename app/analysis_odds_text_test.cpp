#include "app/analysis_odds_text.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(AnalysisOddsTextTest, ConvertsEveryWayBettorsWriteOddsAndRefusesTheRest) {
  struct Case {
    const char* text;
    bool ok;
    double odds;
  };
  const Case cases[] = {
      // decimal, with a point or a comma, rounded half away from zero to two decimals
      {"2.5", true, 2.50}, {"2,5", true, 2.50}, {" 3 ", true, 3.00}, {"1", true, 1.00},
      {"2.675", true, 2.68}, {"2.6749", true, 2.67}, {"1.005", true, 1.01}, {"2.", true, 2.00},
      {"0002,10", true, 2.10}, {"1000000", true, 1000000.00},
      // fractional
      {"5/2", true, 3.50}, {"1/1", true, 2.00}, {"1/2", true, 1.50}, {"100/30", true, 4.33},
      {"2/3", true, 1.67}, {" 11 / 4 ", true, 3.75}, {"0/1", true, 1.00},
      // evens
      {"evens", true, 2.00}, {"EVS", true, 2.00}, {"Evens", true, 2.00},
      // American
      {"+150", true, 2.50}, {"-200", true, 1.50}, {"+100", true, 2.00}, {"-100", true, 2.00},
      {"-300", true, 1.33}, {"-110", true, 1.91}, {"+1000", true, 11.00},
      // refused
      {"", false, 0}, {"   ", false, 0}, {"abc", false, 0}, {"2.5.1", false, 0},
      {"2,5,1", false, 0}, {"1,234.50", false, 0}, {".", false, 0}, {"0.99", false, 0},
      {"0", false, 0}, {".5", false, 0}, {"5/0", false, 0}, {"5/", false, 0}, {"/2", false, 0},
      {"5/2/1", false, 0}, {"2.5/1", false, 0}, {"-5/2", false, 0}, {"+50", false, 0},
      {"-99", false, 0}, {"+", false, 0}, {"-", false, 0}, {"+150.5", false, 0},
      {"++150", false, 0}, {"even", false, 0}, {"evensx", false, 0}, {"1000000.01", false, 0},
      {"99999999999999999999", false, 0}, {"99999999999999999999/1", false, 0},
      {"+99999999999999999999", false, 0}, {"1e3", false, 0}, {"nan", false, 0},
      {"inf", false, 0}, {"2 5", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const OddsText result = ParseOddsText(c.text);
    EXPECT_EQ(result.ok, c.ok);
    if (c.ok) {
      EXPECT_EQ(result.odds, c.odds);  // the very double the odds cell stores for those digits
      EXPECT_TRUE(result.reason.empty());
    } else {
      EXPECT_EQ(result.odds, 0.0);
      EXPECT_FALSE(result.reason.empty());
    }
  }
}

TEST(AnalysisOddsTextTest, RefusalsSayWhatIsWrong) {
  EXPECT_NE(ParseOddsText("0.5").reason.find("меньше 1.00"), std::string::npos);
  EXPECT_NE(ParseOddsText("5/0").reason.find("знаменатель"), std::string::npos);
  EXPECT_NE(ParseOddsText("+50").reason.find("между -100 и +100"), std::string::npos);
  EXPECT_NE(ParseOddsText("2000000").reason.find("больше"), std::string::npos);
  EXPECT_NE(ParseOddsText("abc").reason.find("3/2"), std::string::npos);
}

}  // namespace
}  // namespace app
