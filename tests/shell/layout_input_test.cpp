#include "shell/layout_input.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string Error(const char* columns, const char* rows, const char* aspect) {
  const char* error = LayoutInputError(ParseLayoutInput(columns, rows, aspect));
  return error ? error : "";
}

const std::string kTooSmall = "Row or Column value cannot be less than 1";
const std::string kTooBig = "Row or Column value should not be greater than 10";
const std::string kAspect = "Aspect ratio must be between 0.1 and 2.0";

TEST(LayoutInputTest, ReadsLeadingDigitsAsTheDialogDoes) {
  const LayoutInput input = ParseLayoutInput("3x", " 7", "0.5625abc");
  EXPECT_EQ(input.columns, 3);
  EXPECT_EQ(input.rows, 7);
  EXPECT_EQ(input.aspectRatio, 0.5625);
  EXPECT_EQ(ParseLayoutInput("abc", "", "").columns, 0);
  EXPECT_EQ(ParseLayoutInput("99999999999999999999", "1", "1").columns, INT_MAX);
}

TEST(LayoutInputTest, RulesAreTestedInOrder) {
  EXPECT_EQ(Error("abc", "3", "0.75"), kTooSmall);
  EXPECT_EQ(Error("4", "0", "0.75"), kTooSmall);
  EXPECT_EQ(Error("0", "11", "5"), kTooSmall);  // the first rule wins
  EXPECT_EQ(Error("11", "3", "0.75"), kTooBig);
  EXPECT_EQ(Error("4", "10", "0.05"), kAspect);
  EXPECT_EQ(Error("4", "3", "2.01"), kAspect);
  EXPECT_EQ(Error("4", "3", "nan"), kAspect);
  EXPECT_EQ(Error("4", "3", "x"), kAspect);
}

TEST(LayoutInputTest, BoundsAreAccepted) {
  EXPECT_EQ(Error("1", "1", "0.1"), "");
  EXPECT_EQ(Error("10", "10", "2.0"), "");
  EXPECT_EQ(Error("4", "3", "0.75"), "");
}

}  // namespace
