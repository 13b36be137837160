#include "shell/setup_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string WithExtension(std::string path, bool mjpeg) {
  SetPathExtension(path, mjpeg);
  return path;
}

TEST(SetPathExtensionTest, ReplacesWhateverFollowsTheLastDot) {
  EXPECT_EQ(WithExtension("C:\\Cameras\\%B\\%d\\myfile.mjpg", false), "C:\\Cameras\\%B\\%d\\myfile.jpg");
  EXPECT_EQ(WithExtension("C:\\Cameras\\%B\\%d\\myfile.jpg", true), "C:\\Cameras\\%B\\%d\\myfile.mjpg");
  EXPECT_EQ(WithExtension("D:\\shots\\cam.jpeg", true), "D:\\shots\\cam.mjpg");
  EXPECT_EQ(WithExtension("cam.", false), "cam.jpg");
  EXPECT_EQ(WithExtension("a.b.c", true), "a.b.mjpg");
}

TEST(SetPathExtensionTest, ADotInAFolderNameTakesTheExtensionWhenTheFileHasNone) {
  EXPECT_EQ(WithExtension("C:\\rec.d\\myfile", false), "C:\\rec.jpg");
}

TEST(SetPathExtensionTest, APathWithoutADotIsLeftAlone) {
  std::string path = "C:\\Cameras\\myfile";
  EXPECT_FALSE(SetPathExtension(path, true));
  EXPECT_EQ(path, "C:\\Cameras\\myfile");
  std::string empty;
  EXPECT_FALSE(SetPathExtension(empty, false));
  EXPECT_EQ(empty, "");
}

TEST(ScheduleDayTest, BoxesMapToElementsAndLabels) {
  const char* const expected[] = {"Editing Time for All Days", "Editing Time for Sun", "Editing Time for Mon",
                                  "Editing Time for Tue",      "Editing Time for Wed", "Editing Time for Thu",
                                  "Editing Time for Fri",      "Editing Time for Sat"};
  for (int id = 1010; id <= 1017; ++id) {
    const int day = ScheduleDayForControl(id);
    EXPECT_EQ(day, id - 1010);
    EXPECT_STREQ(ScheduleDayLabel(day), expected[id - 1010]);
  }
  EXPECT_EQ(ScheduleDayForControl(1009), -1);
  EXPECT_EQ(ScheduleDayForControl(1018), -1);
  EXPECT_EQ(ScheduleDayForControl(1060), -1);
  EXPECT_STREQ(ScheduleDayLabel(-1),
               "Make start and stop time equal to record all day, click a checkbox to edit the record time for that "
               "day");
}

TEST(ListTextTest, SplitsAtSemicolonsUnlessTooLong) {
  EXPECT_EQ(SplitListText(kRotationListText), (std::vector<std::string>{"0", "90", "180", "270"}));
  const std::vector<std::string> positions = SplitListText(kPositionListText);
  ASSERT_EQ(positions.size(), 9u);
  EXPECT_EQ(positions[0], "Top Left");
  EXPECT_EQ(positions[4], "Center Center");
  EXPECT_EQ(positions[8], "Bottom Right");
  EXPECT_EQ(SplitListText("a;;b;"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitListText(std::string(259, 'x')).size(), 1u);
  EXPECT_TRUE(SplitListText(std::string(260, 'x')).empty());
}

TEST(DigitFieldTest, ReadsLeadingDigitsWithoutRangeChecks) {
  EXPECT_EQ(ParseDigits(""), 0u);
  EXPECT_EQ(ParseDigits("0"), 0u);
  EXPECT_EQ(ParseDigits("1000"), 1000u);
  EXPECT_EQ(ParseDigits("999"), 999u);  // an opacity above 255 is taken as typed
  EXPECT_EQ(ParseDigits("12ab"), 12u);
  EXPECT_EQ(ParseDigits("x12"), 0u);
  EXPECT_EQ(ParseDigits("4294967295"), 4294967295u);
  EXPECT_EQ(ParseDigits("4294967296"), 4294967295u);
  EXPECT_EQ(ParseDigits("99999999999999999999"), 4294967295u);
}

TEST(ClockTimeTest, SecondsAfterMidnightRoundTrip) {
  const ClockTime t = ClockTimeFromSeconds(61200 + 61);
  EXPECT_EQ(t.hour, 17);
  EXPECT_EQ(t.minute, 1);
  EXPECT_EQ(t.second, 1);
  EXPECT_EQ(SecondsFromClockTime(t.hour, t.minute, t.second), 61261);
  const ClockTime last = ClockTimeFromSeconds(86399);
  EXPECT_EQ(SecondsFromClockTime(last.hour, last.minute, last.second), 86399);
  // A damaged stored value still gives a time a picker can show.
  const ClockTime wrapped = ClockTimeFromSeconds(86400 + 3600);
  EXPECT_EQ(wrapped.hour, 1);
  EXPECT_EQ(wrapped.minute, 0);
}

}  // namespace
