#include "shell/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>

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
  ExtensionRead extension = ExtensionRead::kAbsent;
  WebSettings web = DefaultWebSettings();
  GridLayout layout = DefaultGridLayout();
  FakeGrid grid;
  WebSecurity security;
  AlertServers servers;
};

Loaded Load(const std::vector<uint8_t>& bytes) {
  Loaded loaded{};
  loaded.web = DefaultWebSettings();
  loaded.layout = DefaultGridLayout();
  MemorySource source(bytes);
  loaded.ok = ReadConfig(source, loaded.web, loaded.layout, loaded.grid.Rebuild(), &loaded.extension, &loaded.security,
                         &loaded.servers);
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
  EXPECT_EQ(sink.bytes.size(), 24428u + ConfigExtensionSize(12));
  ConfigBytes expected = DefaultConfigBytes(4, 3, 12, 12);
  ASSERT_EQ(expected.Size(), 24428u);
  expected.DefaultExtension(12, 1);
  ASSERT_EQ(expected.Size(), sink.bytes.size());
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

std::vector<std::array<int32_t, 3>> ExtrasOf(const Loaded& loaded) {
  std::vector<std::array<int32_t, 3>> values;
  for (const CameraRecords& camera : loaded.grid.cameras)
    values.push_back({camera.extras.preMotionFrames, camera.extras.keepMegabytes, camera.extras.keepDays});
  return values;
}

std::vector<int32_t> FormatsOf(const Loaded& loaded) {
  std::vector<int32_t> formats;
  for (const CameraRecords& camera : loaded.grid.cameras) formats.push_back(camera.extras.recordAsSent);
  return formats;
}

TEST(ConfigExtensionTest, ChecksumIsTheStandardCrc32) {
  const char text[] = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(ConfigExtensionTest, OldFileLoadsWithDefaultsAndWritesItsRecordsBackUnchanged) {
  ConfigBytes old = DefaultConfigBytes(2, 2, 4, 4);
  for (size_t k = 0; k < 4; ++k) old.Int(CameraOffset(k) + 384, static_cast<int32_t>(k + 1));
  Loaded loaded = Load(old.Bytes());
  EXPECT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.extension, ExtensionRead::kAbsent);
  EXPECT_EQ(ExtrasOf(loaded), (std::vector<std::array<int32_t, 3>>(4)));
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, loaded.web, loaded.layout, loaded.grid.cameras));
  ASSERT_EQ(sink.bytes.size(), old.Size() + ConfigExtensionSize(4));
  EXPECT_TRUE(std::equal(old.Bytes().begin(), old.Bytes().end(), sink.bytes.begin()));
  EXPECT_TRUE(sink.bytes == old.DefaultExtension(4, 0).Bytes());
}

TEST(ConfigExtensionTest, ValuesTravelInTheTrailerAndComeBackInRange) {
  std::vector<CameraRecords> cameras = DefaultCameras(2);
  cameras[0].extras = {3, 500, 7, 0};
  cameras[0].identity = {"Front door", 0};
  cameras[1].extras = {50, 0, 30, 1};
  CopyText(cameras[1].second.url, "rtsp://10.0.0.7/low");
  GridLayout layout = DefaultGridLayout();
  layout.columns = 2;
  layout.rows = 1;
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, DefaultWebSettings(), layout, cameras));
  ConfigBytes expected = DefaultConfigBytes(2, 1, 2, 2);
  expected.Extension({{3, 500, 7}, {50, 0, 30}}, {"Front door"}, {0, 1}, 4, 1, {"", "rtsp://10.0.0.7/low"});
  EXPECT_TRUE(sink.bytes == expected.Bytes()) << "the trailer's bytes as its table gives them";
  Loaded loaded = Load(sink.bytes);
  EXPECT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.extension, ExtensionRead::kLoaded);
  EXPECT_EQ(ExtrasOf(loaded), (std::vector<std::array<int32_t, 3>>{{3, 500, 7}, {50, 0, 30}}));
  EXPECT_EQ(CameraName(loaded.grid.cameras[0].identity, 1), "Front door");
  EXPECT_EQ(FormatsOf(loaded), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(std::string(loaded.grid.cameras[1].second.url), "rtsp://10.0.0.7/low");

  // Version 2 named its cameras but knew no format: they record JPEG pictures.
  ConfigBytes second = DefaultConfigBytes(2, 1, 2, 2);
  second.Extension({{1, 2, 3}, {4, 5, 6}}, {"Yard"}, {}, 2);
  const Loaded fromSecond = Load(second.Bytes());
  EXPECT_EQ(ExtrasOf(fromSecond), (std::vector<std::array<int32_t, 3>>{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(CameraName(fromSecond.grid.cameras[0].identity, 1), "Yard");
  EXPECT_EQ(FormatsOf(fromSecond), (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(std::string(fromSecond.grid.cameras[1].second.url), "");

  // Values no dialog gives, written by some other tool with a good checksum.
  ConfigBytes odd = DefaultConfigBytes(2, 1, 2, 2);
  odd.Extension({{99, -5, -1}, {-3, 7, 2}}, {}, {7, -1});
  EXPECT_EQ(ExtrasOf(Load(odd.Bytes())), (std::vector<std::array<int32_t, 3>>{{50, 0, 0}, {0, 7, 2}}));
  EXPECT_EQ(FormatsOf(Load(odd.Bytes())), (std::vector<int32_t>{1, 1}));

  // A later version with a longer record: the known fields are taken. Fewer
  // records than cameras: the rest keep the defaults.
  ConfigBytes later = DefaultConfigBytes(2, 1, 2, 2);
  const size_t at = later.Size();
  for (char c : std::string("VREX")) later.Byte(later.Size(), static_cast<uint8_t>(c));
  later.Int(later.Size(), 2).Int(later.Size(), 1).Int(later.Size(), 16);
  later.Int(later.Size(), 4).Int(later.Size(), 5).Int(later.Size(), 6).Int(later.Size(), 77);
  later.Int(later.Size(), static_cast<int32_t>(Crc32(later.Bytes().data() + at, later.Size() - at)));
  Loaded newer = Load(later.Bytes());
  EXPECT_EQ(newer.extension, ExtensionRead::kLoaded);
  EXPECT_EQ(ExtrasOf(newer), (std::vector<std::array<int32_t, 3>>{{4, 5, 6}, {0, 0, 0}}));
}

TEST(ConfigExtensionTest, ProgramBlockCarriesTheWebSecurityAndOlderFilesKeepPlainHttp) {
  WebSecurity own{0, 1, 1, "C:\\certs\\cam.pem", "C:\\certs\\cam.key", 1, 8080};
  GridLayout layout = DefaultGridLayout();
  layout.columns = layout.rows = 2;
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, DefaultWebSettings(), layout, DefaultCameras(4), &own));
  ConfigBytes written = DefaultConfigBytes(2, 2, 4, 4);
  written.Extension(std::vector<std::array<int32_t, 3>>(4), {}, std::vector<int32_t>(4, 1)).Drop(4 + 2932 + 4);
  written.ProgramBlock(0, 1, 1, "C:\\certs\\cam.pem", "C:\\certs\\cam.key", 1, 8080);
  EXPECT_TRUE(sink.bytes == written.Bytes()) << "the block's bytes as its table gives them";

  ConfigBytes version2 = DefaultConfigBytes(2, 2, 4, 4);
  version2.Extension(std::vector<std::array<int32_t, 3>>(4), {}, {}, 2);
  ConfigBytes damaged = written;
  damaged.Int(damaged.Size() - 300, 7);
  ConfigBytes cut = written;
  cut.Drop(10);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t https, localOnly, own;
    const char* certificate;
    int32_t redirect, redirectPort;
  } cases[] = {{"written", written.Bytes(), 0, 1, 1, "C:\\certs\\cam.pem", 1, 8080},
               {"version 2", version2.Bytes(), 0, 0, 0, "", 0, 80},
               {"no extension", DefaultConfigBytes(2, 2, 4, 4).Bytes(), 0, 0, 0, "", 0, 80},
               {"damaged block", damaged.Bytes(), 1, 0, 0, "", 0, 80},
               {"cut block", cut.Bytes(), 1, 0, 0, "", 0, 80}};
  for (const auto& c : cases) {
    Loaded loaded = Load(c.bytes);
    EXPECT_TRUE(loaded.ok) << c.what;
    EXPECT_EQ(std::make_tuple(loaded.security.useHttps, loaded.security.localOnly, loaded.security.ownCertificate,
                              std::string(loaded.security.certificatePath), loaded.security.redirectHttp,
                              loaded.security.redirectPort),
              std::make_tuple(c.https, c.localOnly, c.own, std::string(c.certificate), c.redirect, c.redirectPort))
        << c.what;
  }
}

TEST(ConfigExtensionTest, AlertSettingsTravelAndOlderOrDamagedFilesGiveTheirDefaults) {
  std::vector<CameraRecords> cameras = DefaultCameras(12);
  cameras[1].alerts = {1, 0, 1, 300, 1};
  AlertServers servers;
  CopyText(servers.mqttPrefix, "home/cams");
  servers.maxEvents = 5000;
  MemorySink sink;
  ASSERT_TRUE(WriteConfig(sink, DefaultWebSettings(), DefaultGridLayout(), cameras, nullptr, &servers));
  ConfigBytes version3 = DefaultConfigBytes(4, 3, 12, 12);
  version3.Extension(std::vector<std::array<int32_t, 3>>(12), {}, {}, 3);
  std::vector<uint8_t> damagedBlock = sink.bytes;
  damagedBlock[damagedBlock.size() - 100] ^= 1;
  const AlertServers noServers;
  const CameraAlerts noAlerts;
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    const AlertServers& servers;
    const CameraAlerts& alerts;
  } cases[] = {{"written", sink.bytes, servers, cameras[1].alerts},
               {"version 3", version3.Bytes(), noServers, noAlerts},
               {"damaged block", damagedBlock, noServers, cameras[1].alerts}};
  for (const auto& c : cases) {
    Loaded loaded = Load(c.bytes);
    EXPECT_TRUE(loaded.ok) << c.what;
    EXPECT_EQ(std::memcmp(&loaded.servers, &c.servers, sizeof c.servers), 0) << c.what;
    EXPECT_EQ(std::memcmp(&loaded.grid.cameras[1].alerts, &c.alerts, sizeof c.alerts), 0) << c.what;
  }
}

TEST(ConfigExtensionTest, DamagedExtensionGivesDefaultsAndTheRecordsStillLoad) {
  ConfigBytes good = DefaultConfigBytes(2, 1, 2, 2);
  good.Int(CameraOffset(1) + 12, 42);
  const size_t trailer = good.Size();
  // Without the program block, so that the damage below lands in the cameras' part.
  good.Extension({{3, 500, 7}, {5, 6, 7}}, {}, {}, 2);
  auto damaged = [&](const std::function<void(std::vector<uint8_t>&)>& damage, const char* what) {
    std::vector<uint8_t> bytes = good.Bytes();
    damage(bytes);
    Loaded loaded = Load(bytes);
    EXPECT_TRUE(loaded.ok) << what;
    EXPECT_EQ(loaded.extension, ExtensionRead::kDamaged) << what;
    EXPECT_EQ(ExtrasOf(loaded), (std::vector<std::array<int32_t, 3>>(2))) << what;
    EXPECT_EQ(loaded.grid.cameras[1].settings.jpegQuality, 42) << what;
  };
  damaged([&](auto& b) { b[trailer + 20] ^= 1; }, "a value changed");
  damaged([&](auto& b) { b.back() ^= 0x80; }, "the checksum changed");
  damaged([&](auto& b) { b.resize(b.size() - 1); }, "cut inside");
  damaged([&](auto& b) { b.resize(trailer + 7); }, "cut in the header");
  damaged([&](auto& b) { b[trailer] = 'X'; }, "another magic");
  damaged([&](auto& b) { b[trailer + 4] = 0; }, "version 0");
  damaged([&](auto& b) { b[trailer + 11] = 0x7F; }, "a huge count");
  damaged([&](auto& b) { b[trailer + 12] = 8; }, "records too short");
  damaged([&](auto& b) { b[trailer + 15] = 0x40; }, "records too long");
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
