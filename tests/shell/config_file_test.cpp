#include "shell/config_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "config_bytes.h"

namespace {

std::vector<CameraRecords> DefaultCameras(size_t count) {
  return std::vector<CameraRecords>(count, CameraRecords{DefaultCamSettings(), EmptyDetectGrid()});
}

// Stands in for the main window: rebuilds its camera list to the layout,
// keeping existing records and appending defaults.
struct FakeGrid {
  std::vector<CameraRecords> cameras = DefaultCameras(12);
  std::vector<GridLayout> rebuilds;
  RebuildForLayout Rebuild() {
    return [this](const GridLayout& layout) -> std::vector<CameraRecords>& {
      rebuilds.push_back(layout);
      cameras.resize(static_cast<size_t>(layout.columns * layout.rows),
                     CameraRecords{DefaultCamSettings(), EmptyDetectGrid()});
      return cameras;
    };
  }
};

struct Loaded {
  bool ok;
  WebSettings web = DefaultWebSettings();
  GridLayout layout = DefaultGridLayout();
  FakeGrid grid;
};

Loaded Load(const std::vector<uint8_t>& bytes) {
  Loaded loaded{};
  loaded.web = DefaultWebSettings();
  loaded.layout = DefaultGridLayout();
  MemorySource source(bytes);
  loaded.ok = ReadConfig(source, loaded.web, loaded.layout, loaded.grid.Rebuild());
  return loaded;
}

class ShortSink final : public ByteSink {
 public:
  explicit ShortSink(size_t limit) : limit_(limit) {}
  size_t Write(const uint8_t* data, size_t size) override {
    const size_t count = std::min(size, limit_ - bytes.size());
    bytes.insert(bytes.end(), data, data + count);
    return count;
  }
  std::vector<uint8_t> bytes;

 private:
  size_t limit_;
};

TEST(ConfigFileTest, FreshProgramWritesTheDefaultsByteForByte) {
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, DefaultWebSettings(), DefaultGridLayout(), DefaultCameras(12)));
  EXPECT_EQ(sink.bytes.size(), 24428u);
  const ConfigBytes expected = DefaultConfigBytes(4, 3, 12, 12);
  ASSERT_EQ(expected.Size(), 24428u);
  for (size_t i = 0; i < expected.Size(); ++i) {
    ASSERT_EQ(sink.bytes[i], expected.Bytes()[i]) << "first difference at byte " << i;
  }
}

TEST(ConfigFileTest, TwoByTwoFileLoadsFourCamerasWhateverItsCountSays) {
  for (uint32_t countField : {0u, 4u, 12u, 0xFFFFFFFFu}) {
    ConfigBytes bytes = DefaultConfigBytes(2, 2, countField, 4);
    ASSERT_EQ(bytes.Size(), 8516u);
    for (size_t k = 0; k < 4; ++k) bytes.Int(CameraOffset(k) + 12, static_cast<int32_t>(50 + k));
    bytes.Byte(CameraOffset(2) + 1364 + 26, 1);  // camera 3 ignores column 1, row 1
    bytes.Text(10, "admin").Text(270, "secret");
    Loaded loaded = Load(bytes.Bytes());
    EXPECT_TRUE(loaded.ok) << countField;
    ASSERT_EQ(loaded.grid.cameras.size(), 4u);
    ASSERT_EQ(loaded.grid.rebuilds.size(), 1u);
    EXPECT_EQ(loaded.grid.rebuilds[0].columns, 2);
    EXPECT_EQ(loaded.layout.rows, 2);
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(loaded.grid.cameras[k].settings.jpegQuality, static_cast<int32_t>(50 + k));
    EXPECT_EQ(loaded.grid.cameras[2].grid.At(1, 1), 1);
    EXPECT_EQ(loaded.grid.cameras[1].grid.At(1, 1), 0);
    // The user name starts right after the two-byte port.
    EXPECT_EQ(loaded.web.listenPort, 80);
    EXPECT_STREQ(loaded.web.userName, "admin");
    EXPECT_STREQ(loaded.web.password, "secret");
  }
}

TEST(ConfigFileTest, ShortFileFailsAndKeepsDefaultsWhereBytesAreMissing) {
  ConfigBytes bytes = DefaultConfigBytes(2, 2, 4, 4);
  bytes.Int(CameraOffset(0) + 12, 33).Int(CameraOffset(1) + 1088, 250);
  std::vector<uint8_t> cut(bytes.Bytes().begin(), bytes.Bytes().begin() + CameraOffset(1) + 1100);
  Loaded loaded = Load(cut);
  EXPECT_FALSE(loaded.ok);
  ASSERT_EQ(loaded.grid.cameras.size(), 4u);
  EXPECT_EQ(loaded.grid.cameras[0].settings.jpegQuality, 33);
  EXPECT_EQ(loaded.grid.cameras[1].settings.saveInterval, 250);  // inside what arrived
  EXPECT_EQ(loaded.grid.cameras[1].settings.cleanDirectory, 1);  // after the cut: default
  EXPECT_EQ(loaded.grid.cameras[3].settings.jpegQuality, 75);

  EXPECT_FALSE(Load({}).ok);
}

TEST(ConfigFileTest, LayoutAskingForMoreCamerasThanStoredFailsTheSizeTest) {
  EXPECT_FALSE(Load(DefaultConfigBytes(3, 2, 4, 4).Bytes()).ok);
}

TEST(ConfigFileTest, SurplusAfterTheLastCameraIsIgnored) {
  ConfigBytes bytes = DefaultConfigBytes(1, 2, 2, 3);
  Loaded loaded = Load(bytes.Bytes());
  EXPECT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.grid.cameras.size(), 2u);
}

TEST(ConfigFileTest, DamagedLayoutTakesDefaultsForFieldsOutOfRange) {
  ConfigBytes bytes;
  bytes.DefaultWeb().Layout(-3, 500, 0, std::numeric_limits<double>::quiet_NaN()).Count(12);
  Loaded loaded = Load(bytes.Bytes());
  EXPECT_FALSE(loaded.ok);  // no camera records at all
  ASSERT_EQ(loaded.grid.rebuilds.size(), 1u);
  EXPECT_EQ(loaded.grid.rebuilds[0].cellSpacing, 5);
  EXPECT_EQ(loaded.grid.rebuilds[0].columns, 4);
  EXPECT_EQ(loaded.grid.rebuilds[0].rows, 3);
  EXPECT_EQ(loaded.grid.rebuilds[0].aspectRatio, 0.75);
  EXPECT_EQ(loaded.grid.cameras.size(), 12u);

  ConfigBytes kept = DefaultConfigBytes(10, 1, 10, 10);
  kept.Double(532 + 16, 2.0);
  Loaded edge = Load(kept.Bytes());
  EXPECT_TRUE(edge.ok);
  EXPECT_EQ(edge.layout.columns, 10);
  EXPECT_EQ(edge.layout.aspectRatio, 2.0);
}

TEST(ConfigFileTest, TextsWithoutTheirNulAreEndedInsideTheirField) {
  ConfigBytes bytes = DefaultConfigBytes(1, 1, 1, 1);
  for (size_t i = 10; i < 530; ++i) bytes.Byte(i, 'u');
  for (size_t i = 0; i < 260; ++i) bytes.Byte(CameraOffset(0) + 748 + i, 'x');
  Loaded loaded = Load(bytes.Bytes());
  EXPECT_TRUE(loaded.ok);
  EXPECT_EQ(std::strlen(loaded.web.userName), 259u);
  EXPECT_EQ(std::strlen(loaded.web.password), 259u);
  EXPECT_EQ(std::strlen(loaded.grid.cameras[0].settings.cameraUrl), 259u);
}

TEST(ConfigFileTest, ShortWriteIsReported) {
  for (size_t limit : {size_t{0}, size_t{100}, size_t{560}, size_t{24427}}) {
    ShortSink sink(limit);
    EXPECT_FALSE(WriteConfig(sink, DefaultWebSettings(), DefaultGridLayout(), DefaultCameras(12))) << limit;
  }
}

TEST(ConfigFileTest, WrittenFileReadsBack) {
  std::vector<CameraRecords> cameras = DefaultCameras(6);
  cameras[5].settings.rotation = 270;
  cameras[5].grid.At(24, 24) = 1;
  GridLayout layout = DefaultGridLayout();
  layout.columns = 3;
  layout.rows = 2;
  layout.aspectRatio = 0.5625;
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, DefaultWebSettings(), layout, cameras));
  Loaded loaded = Load(sink.bytes);
  EXPECT_TRUE(loaded.ok);
  ASSERT_EQ(loaded.grid.cameras.size(), 6u);
  EXPECT_EQ(loaded.grid.cameras[5].settings.rotation, 270);
  EXPECT_EQ(loaded.grid.cameras[5].grid.At(24, 24), 1);
  EXPECT_EQ(loaded.layout.aspectRatio, 0.5625);
}

TEST(ConfigPathTest, ReplacesTheProgramsExtension) {
  EXPECT_EQ(ConfigPathFor("C:\\Program Files\\Vorrandale\\Vorrandale.exe"),
            "C:\\Program Files\\Vorrandale\\Vorrandale.cfg");
  EXPECT_EQ(ConfigPathFor("C:\\cams\\vorrandale.test.exe"), "C:\\cams\\vorrandale.test.cfg");
  EXPECT_EQ(ConfigPathFor("C:\\cams\\Vorrandale."), "C:\\cams\\Vorrandale.cfg");
  // No extension, or the last '.' in a folder name: the name is kept whole.
  EXPECT_EQ(ConfigPathFor("C:\\my.cams\\Vorrandale"), "C:\\my.cams\\Vorrandale.cfg");
  EXPECT_EQ(ConfigPathFor("Vorrandale"), "Vorrandale.cfg");
  EXPECT_EQ(ConfigPathFor("/opt/my.cams/Vorrandale"), "/opt/my.cams/Vorrandale.cfg");
}

}  // namespace
