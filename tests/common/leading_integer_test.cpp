#include "common/leading_integer.h"

#include <gtest/gtest.h>

TEST(LeadingInteger, ReadsAsAtoiDoesAndSaturates) {
  EXPECT_EQ(ParseLeadingInteger("  +2x"), 2);
  EXPECT_EQ(ParseLeadingInteger("\t-7"), -7);
  EXPECT_EQ(ParseLeadingInteger("- 7"), 0);
  EXPECT_EQ(ParseLeadingInteger(""), 0);
  EXPECT_EQ(ParseLeadingInteger("8080/"), 8080);
  EXPECT_EQ(ParseLeadingInteger("99999999999999999999"), 2147483648LL);
  EXPECT_EQ(ParseLeadingInteger("-99999999999999999999"), -2147483648LL);
}
