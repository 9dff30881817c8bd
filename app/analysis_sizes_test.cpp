#include "app/analysis_sizes.h"

#include <gtest/gtest.h>

namespace app {
namespace {

uint16_t Mask(std::initializer_list<int> sizes) {
  uint16_t mask = 0;
  for (int k : sizes) mask = static_cast<uint16_t>(mask | 1u << k);
  return mask;
}

TEST(AnalysisSizesTest, ReadsSizesListsRangesAndCoverNames) {
  struct Case {
    const char* text;
    uint16_t mask;
    int32_t events;
    const char* cover;
  };
  const Case cases[] = {
      {"3", Mask({3}), 0, ""},
      {"1", Mask({1}), 0, ""},
      {"2,3", Mask({2, 3}), 0, ""},
      {"2;3 5", Mask({2, 3, 5}), 0, ""},
      {"2-4", Mask({2, 3, 4}), 0, ""},
      {" 2 - 4 ", Mask({2, 3, 4}), 0, ""},
      {"1,3-5", Mask({1, 3, 4, 5}), 0, ""},
      {"3,3,2-3", Mask({2, 3}), 0, ""},
      {"9-9", Mask({9}), 0, ""},
      {"Trixie", Mask({2, 3}), 3, "Trixie"},
      {"patent", Mask({1, 2, 3}), 3, "Patent"},
      {"YANKEE", Mask({2, 3, 4}), 4, "Yankee"},
      {"lucky15", Mask({1, 2, 3, 4}), 4, "Lucky 15"},
      {"Canadian", Mask({2, 3, 4, 5}), 5, "Canadian"},
      {"super yankee", Mask({2, 3, 4, 5}), 5, "Canadian"},
      {"Lucky 31", Mask({1, 2, 3, 4, 5}), 5, "Lucky 31"},
      {"heinz", Mask({2, 3, 4, 5, 6}), 6, "Heinz"},
      {"lucky-63", Mask({1, 2, 3, 4, 5, 6}), 6, "Lucky 63"},
      {"Super-Heinz", Mask({2, 3, 4, 5, 6, 7}), 7, "Super Heinz"},
      {" goliath ", Mask({2, 3, 4, 5, 6, 7, 8}), 8, "Goliath"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SizesText result = ParseSystemSizes(c.text);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.sizes.mask, c.mask);
    EXPECT_EQ(result.sizes.events, c.events);
    EXPECT_EQ(result.sizes.cover, c.cover);
  }
}

TEST(AnalysisSizesTest, RefusesBadTextWithAReason) {
  struct Case {
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"", "не указаны"},          {"  ", "не указаны"},         {"0", "от 1 до 9"},
      {"10", "от 1 до 9"},         {"2-10", "от 1 до 9"},        {"0-3", "от 1 до 9"},
      {"4-2", "по возрастанию"},   {"2-", "Размеры системы"},    {"-3", "Размеры системы"},
      {"2-3-4", "Размеры системы"}, {"abc", "Размеры системы"},  {"Lucky 16", "Размеры системы"},
      {"2.5", "Размеры системы"},  {",", "Размеры системы"},     {"123", "Размеры системы"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SizesText result = ParseSystemSizes(c.text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.sizes.mask, 0);
    EXPECT_NE(result.reason.find(c.says), std::string::npos) << result.reason;
  }
}

TEST(AnalysisSizesTest, EveryFullCoverPlacesItsKnownNumberOfBets) {
  const std::pair<const char*, int> bets[] = {
      {"Trixie", 4},    {"Patent", 7},  {"Yankee", 11},  {"Lucky 15", 15},     {"Canadian", 26},
      {"Lucky 31", 31}, {"Heinz", 57},  {"Lucky 63", 63}, {"Super Heinz", 120}, {"Goliath", 247},
  };
  ASSERT_EQ(FullCovers().size(), std::size(bets));
  for (size_t i = 0; i < std::size(bets); ++i) {
    const FullCover& cover = FullCovers()[i];
    EXPECT_STREQ(cover.name, bets[i].first);
    const SystemSizes sizes{cover.mask, cover.events, cover.name};
    EXPECT_EQ(CountSystemVariants(cover.events, sizes), VariantCount(bets[i].second)) << cover.name;
  }
}

TEST(AnalysisSizesTest, CountsAreExactWideIntegers) {
  EXPECT_EQ(Choose(4, 2), VariantCount{6});
  EXPECT_EQ(Choose(3, 4), VariantCount{0});
  EXPECT_EQ(Choose(-1, 0), VariantCount{0});
  EXPECT_EQ(Choose(7, 0), VariantCount{1});
  // C(999, 9) = 999! / (9! 990!), past 64 bits.
  const VariantCount c999 = Choose(999, 9);
  EXPECT_EQ(VariantCountText(c999), "2634095604619702128324");
  SystemSizes two_to_nine{Mask({2, 3, 4, 5, 6, 7, 8, 9}), 0, ""};
  VariantCount sum = 0;
  for (int k = 2; k <= 9; ++k) sum += Choose(999, k);
  EXPECT_EQ(CountSystemVariants(999, two_to_nine), sum);
  EXPECT_EQ(CountSystemVariants(5, two_to_nine), VariantCount{26});  // sizes above n add nothing
}

}  // namespace
}  // namespace app
