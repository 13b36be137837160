#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/recorder_win.h"
#include "player/mp4_input_win.h"
#include "support/settable_clock.h"
#include "support/temp_folder_win.h"
#include "support/test_pictures.h"

namespace {

constexpr int64_t kFrameUs = 100'000;  // 10 pictures a second, a key frame every 10

std::shared_ptr<const StreamFormat> H264Format() {
  // An avcC record: the muxer stores it, and the packets, as they are.
  static const uint8_t record[] = {1, 0x42, 0, 0x1E, 0xFF, 0xE1, 0, 4, 0x67, 0x42, 0, 0x1E, 1, 0, 2, 0x68, 0xCE};
  auto format = std::make_shared<StreamFormat>();
  format->parameters.Reset(avcodec_parameters_alloc());
  AVCodecParameters& parameters = *format->parameters.Get();
  parameters.codec_type = AVMEDIA_TYPE_VIDEO;
  parameters.codec_id = AV_CODEC_ID_H264;
  parameters.width = 64;
  parameters.height = 48;
  parameters.extradata = static_cast<uint8_t*>(av_mallocz(sizeof record + AV_INPUT_BUFFER_PADDING_SIZE));
  std::memcpy(parameters.extradata, record, sizeof record);
  parameters.extradata_size = sizeof record;
  format->key = "h264 64x48";
  return format;
}

// Packet `index`: its number in its payload, camera time stamps at 90 kHz.
SharedPacket Packet(const std::shared_ptr<const StreamFormat>& format, int index) {
  auto made = std::make_shared<StreamPacket>();
  made->format = format;
  made->packet.Reset(av_packet_alloc());
  AVPacket& packet = *made->packet.Get();
  av_new_packet(&packet, 8);
  const uint8_t payload[8] = {0, 0, 0, 4, 0x65, 0, static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(index)};
  std::memcpy(packet.data, payload, sizeof payload);
  packet.dts = packet.pts = index * 9000;
  made->keyFrame = index % 10 == 0;
  if (made->keyFrame) packet.flags |= AV_PKT_FLAG_KEY;
  made->arrivalUs = index * kFrameUs;
  made->wallClockUs = 1'765'000'000'000'000 + made->arrivalUs;
  return made;
}

// The packet numbers in a recording, negative for a key frame; one 9999
// when the file cannot be read.
std::vector<int> PacketsIn(const std::string& path) {
  Mp4Input input;
  if (!input.Open(std::make_unique<MemoryRecordingFile>(ReadWholeFile(path))).empty()) return {9999};
  // The file's own key frame marks, not a parser's reading of the payload.
  input.Format()->flags |= AVFMT_FLAG_NOPARSE;
  ScopedPacket packet(av_packet_alloc());
  std::vector<int> numbers;
  while (av_read_frame(input.Format(), packet.Get()) >= 0) {
    const AVPacket& read = *packet.Get();
    const int number = read.size == 8 ? read.data[6] << 8 | read.data[7] : 9999;
    numbers.push_back((read.flags & AV_PKT_FLAG_KEY) ? -number : number);
    av_packet_unref(packet.Get());
  }
  return numbers;
}

std::vector<int> Numbers(int first, int last) {
  std::vector<int> numbers;
  for (int i = first; i <= last; ++i) numbers.push_back(i % 10 == 0 ? -i : i);
  return numbers;
}

class Mp4RecordingTest : public ::testing::Test {
 protected:
  Mp4RecordingTest() : clock_(2026, 12, 7, 10, 0, 0) {
    settings_ = DefaultCamSettings();
    settings_.recordEnabled = 1;
    settings_.saveInterval = 1000;
    CopyText(settings_.savePath, folder_.At("rec\\cam.mjpg"));
    Recorder::Services services;
    services.clock = &clock_;
    services.openSink = [this](HANDLE file) { return std::make_unique<RoomSink>(file, room_); };
    recorder_ = std::make_unique<Recorder>(std::move(services));
  }

  void Feed(int first, int last) {
    for (int i = first; i <= last; ++i) recorder_->SavePacket(Packet(format_, i), settings_);
  }
  void Motion(int32_t level) {
    Picture picture = SmoothPicture(64, 48);
    recorder_->SaveFrame(picture, level, settings_);
  }

  // A disk with `room` bytes left.
  class RoomSink final : public ByteSink {
   public:
    RoomSink(HANDLE file, size_t& room) : file_(file), room_(room) {}
    size_t Write(const uint8_t* data, size_t size) override {
      DWORD written = 0;
      if (size <= room_) WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr);
      return written;
    }

   private:
    HANDLE file_;
    size_t& room_;
  };

  TempFolder folder_{"vr_mp4_recording"};
  SettableClock clock_;
  CamSettings settings_;
  size_t room_ = SIZE_MAX;
  std::shared_ptr<const StreamFormat> format_ = H264Format();
  std::unique_ptr<Recorder> recorder_;
};

TEST_F(Mp4RecordingTest, MotionRecordsWholeGroupsFromAKeyFrameBeforeTheMotionIntoANewFileEachTime) {
  settings_.motionEnabled = 1;
  settings_.saveCount = 0;
  recorder_->SetExtras({2, 0, 0, 1});  // two pictures of a second each before the motion
  Feed(0, 34);
  Motion(100);  // at 3.5 s: from the key frame at or before 1.5 s on
  Feed(35, 44);
  Motion(0);  // the countdown ends: the recording ends where the next group begins
  Feed(45, 74);
  EXPECT_FALSE(IsFile(folder_.At("rec\\cam.mjpg")));
  Motion(100);
  Feed(75, 80);
  recorder_->CloseFile();
  EXPECT_EQ(PacketsIn(folder_.At("rec\\cam.mp4")), Numbers(10, 49));
  EXPECT_EQ(PacketsIn(folder_.At("rec\\cam2.mp4")), Numbers(50, 80)) << "the name was taken";
}

TEST_F(Mp4RecordingTest, AFullDiskLosesTheFragmentBeingWrittenAndANewFileFollowsWhenSpaceReturns) {
  recorder_->SetExtras({0, 0, 0, 1});
  Feed(0, 29);
  room_ = 0;
  Feed(30, 35);
  EXPECT_STREQ(recorder_->StatusText(), "File write failed, disk may be full");
  EXPECT_EQ(PacketsIn(folder_.At("rec\\cam.mp4")), Numbers(0, 19));
  room_ = SIZE_MAX;
  Feed(36, 79);
  EXPECT_EQ(std::string(recorder_->StatusText()).rfind("Recording H.264 as sent, 64x48, ", 0), 0u)
      << recorder_->StatusText();
  recorder_->CloseFile();
  EXPECT_EQ(PacketsIn(folder_.At("rec\\cam2.mp4")), Numbers(40, 79));
}

}  // namespace
