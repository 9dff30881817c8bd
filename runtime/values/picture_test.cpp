#include "runtime/values/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rt {
namespace {

std::string Show(const char* picture, double value) {
  auto p = Picture::Parse(picture);
  EXPECT_TRUE(p) << picture;
  return p ? p->Format(value) : "<bad picture>";
}

// The parsed value, or NaN when the picture rejects the text.
double Read(const char* picture, std::string_view text) {
  auto p = Picture::Parse(picture);
  EXPECT_TRUE(p) << picture;
  double v = std::nan("");
  if (p && !p->ParseInput(text, &v)) return std::nan("");
  return v;
}

TEST(PictureTest, ParsesThePicturesOfTheWindowAndRejectsOthers) {
  for (const char* text : {"n2", "n3", "n_6", "n_7.2", "n5.2", "n_10.2", "N5.2", "n", "n_", "n.2"}) {
    EXPECT_TRUE(Picture::Parse(text)) << text;
  }
  auto p = Picture::Parse("n_10.2");
  EXPECT_EQ(p->Width(), 10);
  EXPECT_EQ(p->Decimals(), 2);
  EXPECT_FALSE(p->Grouped());
  EXPECT_TRUE(Picture::Parse("n5.2")->Grouped());
  EXPECT_EQ(Picture::Parse("n3")->Decimals(), 0);
  for (const char* text : {"", "5.2", "@n5.2", "n5.", "n5.2x", "n 5", "n__5", "n5_", "n0", "n3.2",
                           "n256", "n9999999999", "n30.21", "n5,2", "s10", "n-5", "n5.2.1"}) {
    EXPECT_FALSE(Picture::Parse(text)) << text;
  }
}

TEST(PictureTest, FormatsRightJustifiedWithRoundedDecimals) {
  EXPECT_EQ(Show("n5.2", 1.5), " 1.50");
  EXPECT_EQ(Show("n_10.2", 1234567.891), "1234567.89");
  EXPECT_EQ(Show("n_10.2", 135), "    135.00");
  EXPECT_EQ(Show("n2", 7), " 7");
  EXPECT_EQ(Show("n2", 0), " 0");
  EXPECT_EQ(Show("n5.2", 0.5), " 0.50");
  EXPECT_EQ(Show("n_6", 32767), " 32767");
  EXPECT_EQ(Show("n3", 2.5), "  3");           // half away from zero, not to even
  EXPECT_EQ(Show("n5.2", 0.125), " 0.13");      // an exact binary tie
  EXPECT_EQ(Show("n5.2", 2.675), " 2.68");      // the double is 2.67499999...; shown as typed
  EXPECT_EQ(Show("n5.2", 1.005), " 1.01");
  EXPECT_EQ(Show("n5.2", 9.995), "10.00");      // the carry reaches the integer digits
  EXPECT_EQ(Show("n5.2", 0.004), " 0.00");
  EXPECT_EQ(Show("n_7.2", 1e-300), "   0.00");
  EXPECT_EQ(Show("n5.2", -0.001), " 0.00");     // rounds to zero: nothing negative is shown
  EXPECT_EQ(Show("n_", 12345.6), "12346");      // no width: as long as needed
  EXPECT_EQ(Show("n.1", 1234567.25), "1,234,567.3");
}

TEST(PictureTest, GroupsIntegerDigitsInThreesUnlessUnderscore) {
  EXPECT_EQ(Show("n10.2", 1234.5), "  1,234.50");
  EXPECT_EQ(Show("n_10.2", 1234.5), "   1234.50");
  EXPECT_EQ(Show("n11", 1234567), "  1,234,567");
  EXPECT_EQ(Show("n7", 123456), "123,456");
  EXPECT_EQ(Show("n7", 999.5), "  1,000");      // rounding adds a digit and a comma
  EXPECT_EQ(Show("n4", 999), " 999");
}

TEST(PictureTest, ShowsHashesForWhatDoesNotFit) {
  EXPECT_EQ(Show("n_6", 12345678), "######");
  EXPECT_EQ(Show("n5.2", 1234.5), "#####");     // "1,234.50": the commas count
  EXPECT_EQ(Show("n5.2", 99.995), "#####");     // fits only before rounding
  EXPECT_EQ(Show("n5.2", 99.994), "99.99");
  EXPECT_EQ(Show("n5.2", -1.5), "#####");
  EXPECT_EQ(Show("n3", -1), "###");
  EXPECT_EQ(Show("n_10.2", 1e308), "##########");
  EXPECT_EQ(Show("n_10.2", std::numeric_limits<double>::infinity()), "##########");
  EXPECT_EQ(Show("n_10.2", -std::numeric_limits<double>::infinity()), "##########");
  EXPECT_EQ(Show("n_10.2", std::nan("")), "##########");
  EXPECT_EQ(Show("n", std::nan("")), "#");
  EXPECT_EQ(Show("n", -3), "#");
  // Without a width even the largest double is written out in full.
  std::string max = Show("n_.2", std::numeric_limits<double>::max());
  EXPECT_EQ(max.size(), 309u + 3u);
  EXPECT_EQ(max.substr(0, 6), "179769");
  EXPECT_EQ(Show("n_255.20", 1e250), std::string(255, '#'));
}

TEST(PictureTest, ReadsNumbersThatFit) {
  EXPECT_EQ(Read("n3", "999"), 999);
  EXPECT_EQ(Read("n3", "  42 "), 42);
  EXPECT_EQ(Read("n3", "\t7\t"), 7);
  EXPECT_EQ(Read("n3", "007"), 7);
  EXPECT_EQ(Read("n5.2", "1.5"), 1.5);
  EXPECT_EQ(Read("n5.2", ".5"), 0.5);
  EXPECT_EQ(Read("n5.2", "2."), 2);
  EXPECT_EQ(Read("n5.2", " 0.00"), 0);
  EXPECT_EQ(Read("n10.2", "1,234.50"), 1234.5);
  EXPECT_EQ(Read("n10.2", "1234.50"), 1234.5);   // the commas may be left out
  EXPECT_EQ(Read("n11", "1,234,567"), 1234567);
  EXPECT_EQ(Read("n_10.2", "1234567.89"), 1234567.89);
  EXPECT_EQ(Read("n_7.2", "10.00"), 10);
}

TEST(PictureTest, RoundsExtraDecimalsLikeTheDisplay) {
  EXPECT_EQ(Read("n5.2", "2.675"), 2.68);
  EXPECT_EQ(Read("n5.2", "1.004"), 1.0);
  EXPECT_EQ(Read("n3", "1.5"), 2);
  EXPECT_EQ(Read("n5.2", "9.999"), 10);
  EXPECT_TRUE(std::isnan(Read("n5.2", "99.999")));  // rounds to 100.00: too wide
  EXPECT_TRUE(std::isnan(Read("n3", "999.5")));
}

TEST(PictureTest, RejectsTextsThatAreNotFittingNonNegativeNumbers) {
  for (const char* text : {"abc", "-1", "1000", "", "   ", ".", "1.2.3", "1e3", "+1", "1 2",
                           "0x10", "-0", "12a", "1,2,3", "1,2.3", ","}) {
    EXPECT_TRUE(std::isnan(Read("n3", text))) << text;
  }
  // Commas only where the display puts them, so "1,5" is never taken for 15.
  for (const char* text : {"1,5", "12,34", "1234,567", ",123", "123,", "1,,234", "1,234,56",
                           "1.234,5"}) {
    EXPECT_TRUE(std::isnan(Read("n10.2", text))) << text;
  }
  EXPECT_TRUE(std::isnan(Read("n_10.2", "1,234.50")));  // no commas in an ungrouped picture
  EXPECT_TRUE(std::isnan(Read("n5.2", "1234")));        // fits only with a group comma
  EXPECT_TRUE(std::isnan(Read("n", std::string(400, '9').c_str())));  // beyond a double
  // A rejected text leaves the variable alone.
  double v = 3;
  EXPECT_FALSE(Picture::Parse("n3")->ParseInput("abc", &v));
  EXPECT_EQ(v, 3);
}

TEST(PictureTest, ADecimalCommaIsReadLikeAPointWhereNoGroupCanBeShown) {
  struct Case {
    const char* picture;
    const char* text;
    double value;  // NaN: refused
  };
  const double refused = std::nan("");
  const Case cases[] = {
      // Ungrouped, or too narrow for "1,000": the comma is the decimal separator.
      {"n5.2", "1,5", 1.5},         {"n5.2", " 2,75 ", 2.75},  {"n5.2", ",5", 0.5},
      {"n5.2", "3,", 3},            {"n5.2", "2,675", 2.68},   {"n5.2", "1,234", 1.23},
      {"n_7.2", "1000,5", 1000.5},  {"n_7.2", "9999,99", 9999.99},
      {"n_10.2", "1234567,89", 1234567.89},                    {"n3", "1,5", 2},
      {"n2", "9,4", 9},             {"n_6", "12,0", 12},
      {"n5.2", "1,5,0", refused},   {"n5.2", "1,5.0", refused}, {"n5.2", "1.5,0", refused},
      {"n_7.2", "12345,67", refused},  // too wide, as "12345.67" is
      // Where groups are shown a comma stays a group separator, so "1,5" is never 1.5 there.
      {"n10.2", "1,5", refused},    {"n10.2", "1,234", 1234},  {"n10.2", "1,234.5", 1234.5},
      {"n", "1,234", 1234},         {"n", "1,5", refused},     {"n8", "12,345", 12345},
  };
  for (const Case& c : cases) {
    const double got = Read(c.picture, c.text);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(got)) << c.picture << " \"" << c.text << "\" gave " << got;
    } else {
      EXPECT_EQ(got, c.value) << c.picture << " \"" << c.text << "\"";
    }
  }
  // What is shown afterwards is the picture's own form, with its point.
  auto p = Picture::Parse("n5.2");
  double v = 0;
  ASSERT_TRUE(p->ParseInput("1,5", &v));
  EXPECT_EQ(p->Format(v), " 1.50");
  EXPECT_FALSE(Picture::Parse("n5.2")->ShowsGroups());
  EXPECT_FALSE(Picture::Parse("n_10.2")->ShowsGroups());
  EXPECT_TRUE(Picture::Parse("n8.2")->ShowsGroups());
  EXPECT_FALSE(Picture::Parse("n7.2")->ShowsGroups());
}

TEST(PictureTest, WhatIsShownReadsBackAsTheSameText) {
  for (const char* picture : {"n5.2", "n_10.2", "n10.2", "n_7.2", "n3", "n_6", "n15.4"}) {
    auto p = Picture::Parse(picture);
    for (double v : {0.0, 0.01, 1.5, 2.675, 99.99, 135.0, 1234.5, 999999.995, 12345678.9,
                     3.14159265, 1e-5}) {
      std::string shown = p->Format(v);
      if (shown.find('#') != std::string::npos) continue;
      double back = -1;
      ASSERT_TRUE(p->ParseInput(shown, &back)) << picture << " " << shown;
      EXPECT_EQ(p->Format(back), shown) << picture;
    }
  }
}

}  // namespace
}  // namespace rt
