#include "common/overlay_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::tm Moment() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 7;
  time.tm_hour = 9;
  time.tm_min = 5;
  time.tm_sec = 3;
  time.tm_wday = 1;
  time.tm_yday = 340;
  time.tm_isdst = -1;
  return time;
}

TEST(OverlayText, ExpandsTimeConversions) {
  char out[260];
  EXPECT_TRUE(ExpandOverlayText("Cam 1 %Y-%m-%d %H:%M:%S", Moment(), out));
  EXPECT_STREQ(out, "Cam 1 2026-12-07 09:05:03");
  EXPECT_TRUE(ExpandOverlayText("%%%j", Moment(), out));
  EXPECT_STREQ(out, "%341");
  EXPECT_TRUE(ExpandOverlayText("", Moment(), out));
  EXPECT_STREQ(out, "");
  EXPECT_TRUE(ExpandOverlayText(nullptr, Moment(), out));
  EXPECT_STREQ(out, "");
}

TEST(OverlayText, UnknownConversionsStayAsTyped) {
  char out[260];
  EXPECT_TRUE(ExpandOverlayText("100% sure %Q %k %", Moment(), out));
  EXPECT_STREQ(out, "100% sure %Q %k %");
  EXPECT_TRUE(ExpandOverlayText("%#Q%H", Moment(), out));
  EXPECT_STREQ(out, "%#Q09");
}

TEST(OverlayText, LongExpansionIsCutToTheBuffer) {
  std::string pattern;
  for (int i = 0; i < 100; ++i) pattern += "%Y";  // 400 characters
  char out[260];
  std::memset(out, 'x', sizeof out);
  EXPECT_FALSE(ExpandOverlayText(pattern.c_str(), Moment(), out));
  EXPECT_EQ(std::strlen(out), 259u);
  EXPECT_EQ(std::string(out, 8), "20262026");

  char tiny[1];
  EXPECT_FALSE(ExpandOverlayText("%Y", Moment(), tiny));
  EXPECT_EQ(tiny[0], '\0');
  EXPECT_FALSE(ExpandOverlayText("x", Moment(), tiny, 0));
}

}  // namespace
