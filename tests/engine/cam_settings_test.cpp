#include "engine/cam_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The record as it lies on disk, read with offsets from the file format
// table rather than through the struct's fields.
class RecordBytes {
 public:
  explicit RecordBytes(const void* record, size_t size)
      : bytes_(static_cast<const uint8_t*>(record), static_cast<const uint8_t*>(record) + size) {}

  int32_t Int(size_t offset) const {
    return static_cast<int32_t>(bytes_.at(offset) | bytes_.at(offset + 1) << 8 | bytes_.at(offset + 2) << 16 |
                                static_cast<uint32_t>(bytes_.at(offset + 3)) << 24);
  }
  uint8_t Byte(size_t offset) const { return bytes_.at(offset); }
  // The text stored at offset, checked to be NUL-terminated inside its field
  // and followed by zero bytes only.
  std::string Text(size_t offset, size_t size) const {
    std::string text;
    size_t i = 0;
    for (; i < size && bytes_.at(offset + i) != 0; ++i) text += static_cast<char>(bytes_.at(offset + i));
    EXPECT_LT(i, size) << "no NUL in the text at " << offset;
    for (; i < size; ++i) EXPECT_EQ(bytes_.at(offset + i), 0) << "byte " << offset + i << " after the NUL";
    return text;
  }
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

void ExpectDefaultFont(const RecordBytes& r, size_t at) {
  EXPECT_EQ(r.Int(at + 0), -13);
  EXPECT_EQ(r.Int(at + 4), 0);
  EXPECT_EQ(r.Int(at + 8), 0);
  EXPECT_EQ(r.Int(at + 12), 0);
  EXPECT_EQ(r.Int(at + 16), 400);
  const uint8_t flags[8] = {0, 0, 0, 0, 1, 2, 1, 0x22};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(r.Byte(at + 20 + i), flags[i]) << "font byte " << 20 + i;
  EXPECT_EQ(r.Text(at + 28, 32), "MS Sans Serif");
}

TEST(CamSettingsTest, FreshRecordHoldsExactlyTheDefaultsAtTheirOffsets) {
  const CamSettings settings = DefaultCamSettings();
  const RecordBytes r(&settings, sizeof settings);
  ASSERT_EQ(r.Size(), 1364u);

  const std::vector<std::pair<size_t, int32_t>> ints = {
      {0, 0},     {4, 0},          {8, 0},       {12, 75},    {16, 0},   {20, 0},         {284, 1},
      {348, 0},   {352, 0xC8C8C8}, {356, 100},   {360, 0},    {364, 1},  {368, 1},        {372, 0},
      {376, 0},   {380, 20},       {384, 5},     {388, 0xFF}, {392, 0},  {396, 0xC8C8C8}, {400, 100},
      {404, 100}, {408, 9},        {732, 0},     {736, 0},    {740, 0},  {744, 0},        {1008, 0},
      {1012, 0},  {1016, 0},       {1088, 1000}, {1352, 1},   {1356, 1}, {1360, 100}};
  for (const auto& [offset, value] : ints) EXPECT_EQ(r.Int(offset), value) << "offset " << offset;

  EXPECT_EQ(r.Text(24, 260), " %a %m/%d/%y (%I:%M:%S %p) ");
  EXPECT_EQ(r.Text(472, 260), "motion.wav");
  EXPECT_EQ(r.Text(748, 260), "http://");
  EXPECT_EQ(r.Text(1092, 260), "C:\\Cameras\\%B\\%d\\myfile.mjpg");
  ExpectDefaultFont(r, 288);
  ExpectDefaultFont(r, 412);

  for (size_t offset = 1020; offset < 1024; ++offset) EXPECT_EQ(r.Byte(offset), 0) << "schedule byte " << offset;
  for (size_t offset = 1024; offset < 1088; offset += 4) EXPECT_EQ(r.Int(offset), 0) << "schedule time " << offset;
}

TEST(CamSettingsTest, FieldsLandAtTheirFileOffsets) {
  CamSettings settings = DefaultCamSettings();
  settings.scheduleFlags = 0xA5;
  settings.scheduleStart[7] = 0x01020304;
  settings.scheduleStop[0] = 86399;
  settings.maxJpegCount = -2;
  settings.infoFont.pitchAndFamily = 0x31;
  const RecordBytes r(&settings, sizeof settings);
  EXPECT_EQ(r.Byte(1020), 0xA5);
  EXPECT_EQ(r.Byte(1021), 0);
  EXPECT_EQ(r.Byte(1024 + 28), 0x04);  // little-endian
  EXPECT_EQ(r.Byte(1024 + 31), 0x01);
  EXPECT_EQ(r.Int(1056), 86399);
  EXPECT_EQ(r.Int(1360), -2);
  EXPECT_EQ(r.Byte(412 + 27), 0x31);
}

TEST(DetectGridTest, FreshGridWatchesEveryCellAndIndexesColumnMajor) {
  DetectGrid grid = EmptyDetectGrid();
  const RecordBytes fresh(&grid, sizeof grid);
  ASSERT_EQ(fresh.Size(), 625u);
  for (size_t i = 0; i < 625; ++i) EXPECT_EQ(fresh.Byte(i), 0);

  grid.At(1, 1) = 1;   // second column, second row from the top left
  grid.At(24, 0) = 1;  // top right corner
  const RecordBytes marked(&grid, sizeof grid);
  EXPECT_EQ(marked.Byte(26), 1);
  EXPECT_EQ(marked.Byte(600), 1);
  EXPECT_EQ(marked.Byte(24), 0);  // bottom of the first column stays watched
}

TEST(AnchorCodeTest, ListPositionsMapToStoredCodes) {
  const int32_t codes[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
  for (int position = 0; position < 9; ++position) {
    EXPECT_EQ(AnchorCodeFromList(position), codes[position]);
    EXPECT_EQ(AnchorListPosition(codes[position]), position);
  }
  EXPECT_STREQ(kAnchorCaptions[0], "Top Left");
  EXPECT_STREQ(kAnchorCaptions[4], "Center Center");
  EXPECT_STREQ(kAnchorCaptions[8], "Bottom Right");
  for (int32_t bad : {3, 7, 11, 12, -1, 1000}) EXPECT_EQ(AnchorListPosition(bad), 0) << bad;
  for (int bad : {-1, 9, 100}) EXPECT_EQ(AnchorCodeFromList(bad), 0) << bad;
}

TEST(RotationListTest, PositionsAreQuarterTurns) {
  EXPECT_EQ(RotationFromList(0), 0);
  EXPECT_EQ(RotationFromList(3), 270);
  EXPECT_EQ(RotationFromList(-1), 0);
  EXPECT_EQ(RotationListPosition(180), 2);
  EXPECT_EQ(RotationListPosition(270), 3);
  EXPECT_EQ(RotationListPosition(360), 0);
}

}  // namespace
