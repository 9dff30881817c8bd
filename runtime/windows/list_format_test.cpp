#include "runtime/windows/list_format.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(ListFormatTest, TheCalculatorsFormatGivesOneGroupOfTwoRightAlignedColumns) {
  std::string error;
  auto f = ListFormat::Parse("[20R(5)|_@n2@30R(5)_M@n5.2@]", &error);
  ASSERT_TRUE(f) << error;
  ASSERT_EQ(f->Columns().size(), 2u);
  ASSERT_EQ(f->Groups().size(), 1u);
  EXPECT_EQ(f->Groups()[0].first_column, 1);
  EXPECT_EQ(f->Groups()[0].last_column, 2);

  const ListColumn& nn = *f->Column(1);
  EXPECT_EQ(nn.width, 20);
  EXPECT_EQ(nn.align, Alignment::kRight);
  EXPECT_EQ(nn.indent, 5);
  EXPECT_TRUE(nn.right_border);
  EXPECT_TRUE(nn.underline);
  EXPECT_FALSE(nn.resizable);
  EXPECT_EQ(nn.picture_text, "n2");
  ASSERT_TRUE(nn.picture);
  EXPECT_EQ(nn.picture->Format(7), " 7");
  EXPECT_EQ(nn.field, 0);
  EXPECT_EQ(nn.group, 1);
  EXPECT_EQ(nn.source, "20R(5)|_@n2@");

  const ListColumn& kf = *f->Column(2);
  EXPECT_EQ(kf.width, 30);
  EXPECT_EQ(kf.indent, 5);
  EXPECT_FALSE(kf.right_border);
  EXPECT_TRUE(kf.underline);
  EXPECT_TRUE(kf.resizable);
  ASSERT_TRUE(kf.picture);
  EXPECT_EQ(kf.picture->Format(1.5), " 1.50");
  EXPECT_EQ(kf.field, 1);
  EXPECT_TRUE(kf.unknown_flags.empty());

  EXPECT_EQ(f->Column(0), nullptr);
  EXPECT_EQ(f->Column(3), nullptr);
  EXPECT_EQ(f->FieldsNeeded(), 2);
}

TEST(ListFormatTest, HeadersAlignmentsTextPicturesAndColumnsOutsideGroups) {
  std::string error;
  auto f = ListFormat::Parse("40L(2)~Name~C(1)@s20@[12D(-3)*@n_8.3@16C~Odds~R@n5.2@]~Both~",
                             &error);
  ASSERT_TRUE(f) << error;
  ASSERT_EQ(f->Columns().size(), 3u);
  EXPECT_EQ(f->Column(1)->group, 0);
  EXPECT_EQ(f->Column(1)->header, "Name");
  EXPECT_EQ(f->Column(1)->header_align, Alignment::kCenter);
  EXPECT_EQ(f->Column(1)->text_width, 20);
  EXPECT_FALSE(f->Column(1)->picture);
  EXPECT_EQ(f->Column(2)->align, Alignment::kDecimal);
  EXPECT_EQ(f->Column(2)->indent, -3);
  EXPECT_TRUE(f->Column(2)->colors);
  EXPECT_EQ(f->Column(2)->field, 1);
  EXPECT_EQ(f->Column(3)->field, 6) << "four colour fields follow column 2's value";
  EXPECT_EQ(f->Column(3)->header_align, Alignment::kRight);
  EXPECT_EQ(f->Groups()[0].header, "Both");
  EXPECT_EQ(f->FieldsNeeded(), 7);
}

TEST(ListFormatTest, UnknownFlagsAreKeptAndChangeNothing) {
  auto f = ListFormat::Parse("20R(5)Q?S(30)@n2@30L#4#");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Column(1)->unknown_flags, "Q?S(30)");
  EXPECT_EQ(f->Column(1)->picture_text, "n2");
  EXPECT_EQ(f->Column(2)->field, 3) << "an explicit field number";
  EXPECT_EQ(f->FieldsNeeded(), 4);
  auto none = ListFormat::Parse("");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->Columns().empty());
}

TEST(ListFormatTest, MalformedFormatsAreRefusedWithAReason) {
  for (const char* bad :
       {"[20R(5)|_@n2@", "20R]", "[]", "[[20R]]", "20X", "20", "20R(5", "20R(x)", "20R@n2",
        "20R@q@", "20R@@", "20R@s0@", "20R~Name", "99999R", "20R(5)(6)", "20R#0#", "20R#2",
        "20RZ(3", "[20R]~x"}) {
    std::string error;
    EXPECT_FALSE(ListFormat::Parse(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(ListFormatTest, AColumnsPictureCanChangeAtRunTime) {
  auto f = ListFormat::Parse("[20R(5)|_@n2@30R(5)_M@n5.2@]");
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->SetColumnPicture(2, "n_6.3"));
  EXPECT_EQ(f->Column(2)->picture->Format(1.5), " 1.500");
  EXPECT_FALSE(f->SetColumnPicture(2, "zz"));
  EXPECT_EQ(f->Column(2)->picture_text, "n_6.3") << "a bad picture leaves the old one";
  EXPECT_FALSE(f->SetColumnPicture(3, "n2"));
  EXPECT_TRUE(f->SetColumnPicture(1, "s4"));
  EXPECT_EQ(f->Column(1)->text_width, 4);
  EXPECT_FALSE(f->Column(1)->picture);
}

}  // namespace
}  // namespace rt
