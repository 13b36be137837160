#include "player/avi_export_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "player/avi_frame_rate.h"
#include "player/edit_recording_win.h"
#include "player/player_files_win.h"
#include "support/test_pictures.h"

namespace {

// Full-frame uncompressed output, chosen without the dialog.
class UncompressedPlatform : public AviPlatform {
 public:
  Choice ChooseCompressor(HWND, BITMAPINFOHEADER& input, COMPVARS& vars) override {
    ++chooseCalls;
    offered = input;
    offeredVars = vars;
    if (cancel) return Choice::Cancelled;
    vars.fccHandler = comptypeDIB;
    return Choice::Chosen;
  }
  void FreeCompressor(COMPVARS&) override { ++freeCalls; }
  void ReportError(HWND, const char* text) override { reports.emplace_back(text); }

  bool cancel = false;
  int chooseCalls = 0;
  int freeCalls = 0;
  BITMAPINFOHEADER offered{};
  COMPVARS offeredVars{};
  std::vector<std::string> reports;
};

uint32_t U32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// The chunks of an AVI file that the tests look at, read by walking the
// RIFF structure.
struct AviSummary {
  uint32_t totalFrames = 0;
  uint32_t scale = 0;
  uint32_t rate = 0;
  uint32_t length = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t formatImageSize = 0;
  std::vector<uint32_t> frameSizes;
};

void Walk(const std::vector<uint8_t>& bytes, size_t from, size_t to, AviSummary& summary) {
  while (from + 8 <= to) {
    const std::string id(reinterpret_cast<const char*>(bytes.data() + from), 4);
    const uint32_t size = U32(bytes, from + 4);
    const size_t data = from + 8;
    if (data + size > bytes.size()) return;
    if (id == "RIFF" || id == "LIST") {
      Walk(bytes, data + 4, data + size, summary);
    } else if (id == "avih") {
      summary.totalFrames = U32(bytes, data + 16);
    } else if (id == "strh") {
      summary.scale = U32(bytes, data + 20);
      summary.rate = U32(bytes, data + 24);
      summary.length = U32(bytes, data + 32);
    } else if (id == "strf") {
      summary.width = static_cast<int32_t>(U32(bytes, data + 4));
      summary.height = static_cast<int32_t>(U32(bytes, data + 8));
      summary.formatImageSize = U32(bytes, data + 20);
    } else if (id == "00db" || id == "00dc") {
      summary.frameSizes.push_back(size);
    }
    from = data + size + (size & 1);
  }
}

AviSummary Summarise(const std::string& path) {
  AviSummary summary;
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  Walk(bytes, 0, bytes.size(), summary);
  return summary;
}

std::vector<uint8_t> JpegRecording(int frames, int width, int height) {
  MemorySink sink;
  for (int i = 0; i < frames; ++i) {
    Picture picture = SmoothPicture(width, height);
    picture.pixels[0] = static_cast<uint8_t>(i * 20);
    std::vector<uint8_t> jpeg;
    EXPECT_TRUE(EncodeJpeg(picture, 80, jpeg));
    WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1700000000 + i);
  }
  return sink.bytes;
}

class AviExportTest : public ::testing::Test {
 protected:
  void OpenRecording(std::vector<uint8_t> bytes) {
    recordingPath = folder.At("cam.mjpg");
    WriteWholeFile(recordingPath, bytes);
    ASSERT_TRUE(reader.Open(recordingPath));
  }
  // Selects frames first..last (from 1) and shows frame `current`.
  void Select(int first, int last, int current) {
    reader.SeekFraction(0.0);
    for (int i = 1; i < first; ++i) reader.ReadNext();
    reader.SetSelectionStart();
    for (int i = first; i < last; ++i) reader.ReadNext();
    reader.SetSelectionEnd();
    reader.SeekFraction(0.0);
    for (int i = 1; i < current; ++i) reader.ReadNext();
  }
  void Export(const std::string& path, uint32_t fps) {
    host.saveAnswers.push_back(path);
    position = reader.Position();
    frameSize = reader.FrameSize();
    ExportAvi(reader, nullptr, progress.Handle(), fps, platform);
  }
  void ExpectReaderUnchanged() {
    EXPECT_EQ(reader.Position(), position);
    EXPECT_EQ(reader.FrameSize(), frameSize);
    EXPECT_EQ(reader.GetOpState(), kIdle);
  }

  TempFolder folder;
  ScriptedHost host;
  RecordingReader reader{host};
  ProgressWindow progress;
  UncompressedPlatform platform;
  std::string recordingPath;
  int64_t position = 0;
  int64_t frameSize = 0;
};

TEST_F(AviExportTest, WritesEverySelectedFrameUncompressedAtTheGivenRate) {
  OpenRecording(JpegRecording(12, 64, 48));
  Select(2, 11, 6);
  const std::string path = folder.At("video.avi");
  Export(path, 10);
  ASSERT_TRUE(platform.reports.empty()) << platform.reports[0];
  ASSERT_EQ(host.saveCalls.size(), 1u);
  EXPECT_EQ(host.saveCalls[0].defaultName, "Exported_Video.avi");
  EXPECT_EQ(host.saveCalls[0].filter, FilterList(kAviFilter));
  EXPECT_EQ(host.saveCalls[0].extension, ".avi");
  EXPECT_EQ(platform.chooseCalls, 1);
  EXPECT_EQ(platform.freeCalls, 1);
  EXPECT_EQ(platform.offered.biBitCount, 24);
  EXPECT_EQ(platform.offered.biSizeImage, 64u * 48u * 3u);
  // 64 bytes in a 32-bit build, 96 in a 64-bit one.
  EXPECT_EQ(platform.offeredVars.cbSize, static_cast<LONG>(sizeof(COMPVARS)));
  EXPECT_EQ(platform.offeredVars.dwFlags, static_cast<DWORD>(ICMF_COMPVARS_VALID));
  EXPECT_EQ(platform.offeredVars.lKey, 1);
  EXPECT_EQ(platform.offeredVars.lQ, -1);
  EXPECT_EQ(platform.offeredVars.fccHandler, 0u);

  const AviSummary avi = Summarise(path);
  EXPECT_EQ(avi.totalFrames, 10u);
  EXPECT_EQ(avi.length, 10u);
  EXPECT_EQ(avi.scale, 1u);
  EXPECT_EQ(avi.rate, 10u);
  EXPECT_EQ(avi.width, 64);
  EXPECT_EQ(avi.height, 48);
  EXPECT_EQ(avi.frameSizes, std::vector<uint32_t>(10, 64 * 48 * 3));
  EXPECT_EQ(progress.Text(), "Exporting video Finished!");
  ExpectReaderUnchanged();
}

TEST_F(AviExportTest, PadsRowsOfOddWidthsAsADib) {
  OpenRecording(JpegRecording(3, 63, 47));
  Select(1, 3, 1);
  const std::string path = folder.At("odd.avi");
  Export(path, 25);
  const AviSummary avi = Summarise(path);
  const uint32_t stride = (63 * 3 + 3) / 4 * 4;
  EXPECT_EQ(avi.rate, 25u);
  EXPECT_EQ(avi.formatImageSize, stride * 47);
  EXPECT_EQ(avi.frameSizes, std::vector<uint32_t>(3, stride * 47));
}

TEST_F(AviExportTest, SkipsFramesThatDoNotDecode) {
  // A frame by the markers whose content is no picture, between two good ones.
  const std::vector<uint8_t> broken = {0xFF, 0xD8, 0x01, 0x02, 0x03, 0xFF, 0xD9};
  const std::vector<uint8_t> first = JpegRecording(1, 32, 32);
  std::vector<uint8_t> recording = first;
  recording.insert(recording.end(), broken.begin(), broken.end());
  recording.insert(recording.end(), first.begin(), first.end());
  OpenRecording(recording);
  Select(1, 3, 2);
  const std::string path = folder.At("skip.avi");
  Export(path, 30);
  EXPECT_EQ(Summarise(path).frameSizes.size(), 2u);
  EXPECT_EQ(Summarise(path).rate, 30u);
  ExpectReaderUnchanged();
}

TEST_F(AviExportTest, ACloseMessageEndsTheExportAfterTheFrameInHand) {
  OpenRecording(JpegRecording(6, 32, 32));
  Select(1, 6, 3);
  const std::string path = folder.At("abort.avi");
  PostThreadMessageA(GetCurrentThreadId(), WM_CLOSE, 0, 0);
  Export(path, 10);
  EXPECT_EQ(Summarise(path).frameSizes.size(), 1u);
  EXPECT_EQ(progress.Text(), "Exporting video Finished!");
  ExpectReaderUnchanged();
}

TEST_F(AviExportTest, CancellingTheCompressorChoiceReportsAndLeavesNoFile) {
  OpenRecording(JpegRecording(4, 32, 32));
  Select(1, 4, 2);
  const std::string path = folder.At("cancel.avi");
  WriteWholeFile(path, {1, 2, 3});  // an older file of that name goes
  platform.cancel = true;
  Export(path, 10);
  EXPECT_EQ(platform.reports, std::vector<std::string>{"Unable to Open compression selection dialog"});
  EXPECT_EQ(platform.freeCalls, 1);
  EXPECT_FALSE(FileExists(path));
  EXPECT_NE(progress.Text(), "Exporting video Finished!");
  ExpectReaderUnchanged();
}

TEST_F(AviExportTest, RefusesTheOpenRecordingAsOutputAndNeedsASelection) {
  OpenRecording(JpegRecording(3, 32, 32));
  Export(folder.At("none.avi"), 10);
  EXPECT_TRUE(host.saveCalls.empty());
  host.saveAnswers.clear();
  Select(1, 2, 3);
  Export(recordingPath, 10);
  EXPECT_EQ(host.errors, std::vector<std::string>{kOutputIsSourceMessage});
  EXPECT_TRUE(reader.ReadNext() || reader.SeekFraction(0.0));
  EXPECT_EQ(platform.chooseCalls, 0);
}

TEST_F(AviExportTest, ReportsAnOutputThatCannotBeCreated) {
  OpenRecording(JpegRecording(2, 32, 32));
  Select(1, 2, 1);
  Export(folder.At("no_such_folder\\x.avi"), 10);
  ASSERT_EQ(platform.reports.size(), 1u);
  EXPECT_EQ(platform.reports[0].rfind("Unable to create output file", 0), 0u) << platform.reports[0];
  ExpectReaderUnchanged();
}

TEST(AviHeadersTest, StreamHeaderAndOptionsFollowTheChoice) {
  COMPVARS vars = InitialCompressorChoice();
  vars.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
  BITMAPINFOHEADER format{};
  format.biSize = sizeof format;
  format.biWidth = 640;
  format.biHeight = 480;
  format.biBitCount = 24;
  const AVISTREAMINFOA info = VideoStreamHeader(vars, format, 25);
  EXPECT_EQ(info.fccType, streamtypeVIDEO);
  EXPECT_EQ(info.fccHandler, vars.fccHandler);
  EXPECT_EQ(info.dwScale, 1u);
  EXPECT_EQ(info.dwRate, 25u);
  EXPECT_EQ(info.dwSuggestedBufferSize, 640u * 480u * 3u);
  EXPECT_EQ(info.dwQuality, 0xFFFFFFFFu);
  EXPECT_EQ(info.rcFrame.right, 640);
  EXPECT_EQ(info.rcFrame.bottom, 480);
  EXPECT_STREQ(info.szName, "Video Stream");

  AVICOMPRESSOPTIONS options = CompressionOptions(vars);
  EXPECT_EQ(options.dwFlags, static_cast<DWORD>(AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES));
  EXPECT_EQ(options.dwKeyFrameEvery, 1u);
  vars.lDataRate = 300;
  vars.lKey = 0;
  options = CompressionOptions(vars);
  EXPECT_EQ(options.dwFlags, static_cast<DWORD>(AVICOMPRESSF_VALID | AVICOMPRESSF_DATARATE));
  EXPECT_EQ(options.dwBytesPerSecond, 300u * 1024u);

  EXPECT_STREQ(CreateFileErrorText(static_cast<HRESULT>(0x80040154)),
               "Unable to create output file; invalid file type");
  EXPECT_STREQ(CreateFileErrorText(static_cast<HRESULT>(0x8004406F)), "Unable to create output file; file open error");
  EXPECT_STREQ(CreateFileErrorText(E_FAIL), "Unable to create output file");
}

}  // namespace

namespace {

// Writes AVIs for the Linux-side check with ffprobe (tests/system): one
// per delay of the player's field, into the folder named by
// VR_AVI_OUTPUT_DIR. Run by that driver only.
TEST_F(AviExportTest, DISABLED_WriteVideosForFfprobe) {
  char folderName[MAX_PATH] = "";
  ASSERT_GT(GetEnvironmentVariableA("VR_AVI_OUTPUT_DIR", folderName, sizeof folderName), 0u);
  OpenRecording(JpegRecording(24, 80, 60));
  Select(3, 22, 1);  // 20 frames
  for (uint32_t delay : {100u, 40u, 0u}) {
    const std::string path = std::string(folderName) + "\\delay_" + std::to_string(delay) + ".avi";
    Export(path, ExportFrameRate(delay));
    ASSERT_TRUE(platform.reports.empty());
    ASSERT_TRUE(FileExists(path));
  }
}

}  // namespace
