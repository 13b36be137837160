#include "player/player_text.h"

#include <gtest/gtest.h>

#include <ctime>

#include "player/frame_index.h"
#include "player/recording_bytes.h"
#include "player/recording_file.h"
#include "player/size_presets.h"
#include "player/timeline_geometry.h"

namespace {

TEST(FormatSizeTest, PicksTheUnitByPowersOfTwo) {
  EXPECT_EQ(FormatSize(512), "512.00");
  EXPECT_EQ(FormatSize(0), "0.00");
  EXPECT_EQ(FormatSize(1023), "1023.00");
  EXPECT_EQ(FormatSize(1024), "1.00 KB");
  EXPECT_EQ(FormatSize(1536), "1.50 KB");
  EXPECT_EQ(FormatSize(1048575), "1024.00 KB");
  EXPECT_EQ(FormatSize(1048576), "1.00 MB");
  EXPECT_EQ(FormatSize(1073741823), "1024.00 MB");
  EXPECT_EQ(FormatSize(1073741824), "1.00 GB");
  EXPECT_EQ(FormatSize(5.0 * 1073741824), "5.00 GB");
}

std::string LocalPattern(std::time_t when) {
  char text[260];
  std::strftime(text, sizeof text, "%a %b %d %Y (%I:%M:%S %p)", std::localtime(&when));
  return text;
}

TEST(FrameDateTest, ShowsTheTimestampAsLocalTime) {
  // Written independently of the code: the epoch in the local zone.
  ASSERT_TRUE(FormatFrameDate(0));
  EXPECT_EQ(*FormatFrameDate(0), LocalPattern(0));
  const std::time_t epoch = 0;
  const std::tm* local = std::localtime(&epoch);
  EXPECT_NE(FormatFrameDate(0)->find(local->tm_year == 69 ? "1969" : "1970"), std::string::npos);

  const std::vector<uint8_t> frame = SyntheticFrame(200, 3);  // stamped 1700000000
  const std::optional<std::string> date = FrameDateText(frame.data(), frame.size());
  ASSERT_TRUE(date);
  EXPECT_EQ(*date, LocalPattern(1700000000));
  EXPECT_NE(date->find("2023"), std::string::npos);
  EXPECT_NE(date->find("Nov"), std::string::npos);
}

TEST(FrameDateTest, AFrameWithoutATimestampHasNoDate) {
  const uint8_t bare[] = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x01, 0xFF, 0xD9};
  EXPECT_FALSE(FrameDateText(bare, sizeof bare));
  // An empty comment is no timestamp either.
  const uint8_t empty[] = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x03, 0x00, 0xFF, 0xD9};
  EXPECT_FALSE(FrameDateText(empty, sizeof empty));
}

TEST(StatusTextTest, JoinsSizeAndDateWithThreeBlanks) {
  EXPECT_EQ(StatusText(1536, "Tue Nov 14 2023 (10:13:20 PM)"),
            "FileSize: 1.50 KB   FrameDate: Tue Nov 14 2023 (10:13:20 PM)");
}

TEST(FrameIndexTest, CountsFramesAcrossSlicesAndAsTheFileGrows) {
  MemoryRecordingFile file(EqualFrames(30, 3000));  // frames cut by the 64 KiB pieces
  FrameIndex index;
  int slices = 1;
  while (!index.Update(file, 1)) ++slices;
  EXPECT_EQ(slices, 3);
  EXPECT_EQ(index.Count(), 30u);
  EXPECT_EQ(index.NumberEndingAt(3000 * 22), 22u);
  file.Append(EqualFrames(2, 3000));
  EXPECT_TRUE(index.Update(file, 1 << 20));
  EXPECT_EQ(index.NumberEndingAt(3000 * 32), 32u);
}

TEST(ParseDelayTest, ReadsTheFieldAsAnUnsignedNumber) {
  EXPECT_EQ(ParseDelay("100"), 100u);
  EXPECT_EQ(ParseDelay("0"), 0u);
  EXPECT_EQ(ParseDelay(""), 0u);
  EXPECT_EQ(ParseDelay("  40"), 40u);
  EXPECT_EQ(ParseDelay("25ms"), 25u);
  EXPECT_EQ(ParseDelay("x5"), 0u);
  EXPECT_EQ(ParseDelay("4294967295"), 4294967295u);
  EXPECT_EQ(ParseDelay("99999999999999999999"), 4294967295u);
}

TEST(SizePresetTest, PicturesAreThreeQuartersAsHighAsWide) {
  EXPECT_EQ(PresetPictureSize(kPresetSmall).width, 400);
  EXPECT_EQ(PresetPictureSize(kPresetSmall).height, 300);
  EXPECT_EQ(PresetPictureSize(kPresetMedium).width, 640);
  EXPECT_EQ(PresetPictureSize(kPresetMedium).height, 480);
  EXPECT_EQ(PresetPictureSize(kPresetLarge).width, 800);
  EXPECT_EQ(PresetPictureSize(kPresetLarge).height, 600);
  EXPECT_EQ(PresetPictureSize(168).width, 0);
  EXPECT_TRUE(IsSizePreset(169) && IsSizePreset(171));
  EXPECT_FALSE(IsSizePreset(168) || IsSizePreset(172));
}

TEST(SizePresetTest, DoubleClicksCycleFromTheSmallest) {
  EXPECT_EQ(NextSizePreset(kPresetSmall), kPresetMedium);
  EXPECT_EQ(NextSizePreset(kPresetMedium), kPresetLarge);
  EXPECT_EQ(NextSizePreset(kPresetLarge), kPresetSmall);
  EXPECT_EQ(NextSizePreset(0), kPresetSmall);
}

TEST(SizePresetTest, TheWindowKeepsItsFrameAroundTheNewPicture) {
  const PixelSize size = WindowSizeFor({330, 310}, {316, 195}, {400, 300});
  EXPECT_EQ(size.width, 414);
  EXPECT_EQ(size.height, 415);
}

TEST(TimelineValueTest, TruncatesTheFractionIntoTheRange) {
  EXPECT_EQ(TimelineValue(0.5L, 65535), 32767u);
  EXPECT_EQ(TimelineValue(0.0L, 65535), 0u);
  EXPECT_EQ(TimelineValue(1.0L, 65535), 65535u);
  EXPECT_EQ(TimelineValue(0.99999L, 65535), 65534u);
  EXPECT_EQ(TimelineValue(1.5L, 65535), 65535u);
  EXPECT_EQ(TimelineValue(-0.1L, 65535), 0u);
}

}  // namespace
