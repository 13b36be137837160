#include "common/recording_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/jpeg_codec.h"
#include "support/test_pictures.h"

namespace {

class FixedClock final : public Clock {
 public:
  explicit FixedClock(std::time_t now) : now_(now) {}
  std::time_t Now() const override { return now_; }

 private:
  std::time_t now_;
};

// Records each write separately and can run out of room.
class LoggingSink final : public ByteSink {
 public:
  explicit LoggingSink(size_t room = SIZE_MAX) : room_(room) {}
  size_t Write(const uint8_t* data, size_t size) override {
    const size_t taken = size < room_ ? size : room_;
    room_ -= taken;
    writes.emplace_back(data, data + taken);
    all.insert(all.end(), data, data + taken);
    return taken;
  }
  std::vector<std::vector<uint8_t>> writes;
  std::vector<uint8_t> all;

 private:
  size_t room_;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

TEST(TimestampSegmentTest, TenDigitTimeGivesFifteenBytes) {
  const TimestampSegment segment = BuildTimestampSegment(1700000123);
  const std::vector<uint8_t> expected =
      Bytes({0xFF, 0xFE, 0x00, 0x0D, '1', '7', '0', '0', '0', '0', '0', '1', '2', '3', 0x00});
  EXPECT_EQ(std::vector<uint8_t>(segment.bytes, segment.bytes + segment.size), expected);

  const TimestampSegment small = BuildTimestampSegment(7);
  EXPECT_EQ(std::vector<uint8_t>(small.bytes, small.bytes + small.size), Bytes({0xFF, 0xFE, 0x00, 0x04, '7', 0x00}));
  const TimestampSegment zero = BuildTimestampSegment(0);
  EXPECT_EQ(std::vector<uint8_t>(zero.bytes, zero.bytes + zero.size), Bytes({0xFF, 0xFE, 0x00, 0x04, '0', 0x00}));
}

TEST(WriteEncodedFrameTest, SegmentGoesRightBeforeTheFirstQuantTableInThreeWrites) {
  const std::vector<uint8_t> jpeg =
      Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xDB, 0x01, 0xFF, 0xDB, 0x02, 0xFF, 0xD9});
  LoggingSink sink;
  ASSERT_TRUE(WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1234567890));
  ASSERT_EQ(sink.writes.size(), 3u);
  EXPECT_EQ(sink.writes[0], Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02}));
  EXPECT_EQ(sink.writes[1], Bytes({0xFF, 0xFE, 0x00, 0x0D, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0x00}));
  EXPECT_EQ(sink.writes[2], Bytes({0xFF, 0xDB, 0x01, 0xFF, 0xDB, 0x02, 0xFF, 0xD9}));
  EXPECT_EQ(ReadTimestamp(sink.all.data(), sink.all.size()), "1234567890");
}

TEST(WriteEncodedFrameTest, PictureWithoutQuantTableIsWrittenUnchanged) {
  const std::vector<uint8_t> jpeg = Bytes({0xFF, 0xD8, 0x01, 0x02, 0xFF, 0xD9});
  LoggingSink sink;
  EXPECT_TRUE(WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1234567890));
  EXPECT_EQ(sink.all, jpeg);
  EXPECT_EQ(ReadTimestamp(sink.all.data(), sink.all.size()), std::nullopt);

  LoggingSink full(4);
  EXPECT_FALSE(WriteEncodedFrame(jpeg.data(), jpeg.size(), full, 1234567890));
  EXPECT_EQ(full.all, Bytes({0xFF, 0xD8, 0x01, 0x02}));
}

TEST(WriteEncodedFrameTest, ShortWriteAnywhereReportsFailureAndKeepsWhatWasWritten) {
  const std::vector<uint8_t> jpeg = Bytes({0xFF, 0xD8, 0xFF, 0xDB, 0x01, 0xFF, 0xD9});
  for (size_t room : {size_t{0}, size_t{1}, size_t{2}, size_t{10}, size_t{16}, size_t{21}}) {
    LoggingSink sink(room);
    EXPECT_FALSE(WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1700000000)) << room;
    EXPECT_EQ(sink.all.size(), room);
  }
  LoggingSink exact(22);
  EXPECT_TRUE(WriteEncodedFrame(jpeg.data(), jpeg.size(), exact, 1700000000));
}

TEST(WriteFrameTest, WritesADecodableStampedFrameAtTheClocksTime) {
  Picture picture = SmoothPicture(160, 120);
  LoggingSink sink;
  ASSERT_TRUE(WriteFrame(picture, 75, sink, FixedClock(1765000000)));
  EXPECT_EQ(sink.writes.size(), 3u);
  EXPECT_EQ(ReadTimestamp(sink.all.data(), sink.all.size()), "1765000000");
  Picture decoded;
  ASSERT_TRUE(DecodeJpeg(sink.all.data(), sink.all.size(), decoded));
  EXPECT_LT(MeanChannelDifference(picture, decoded), 3.0);

  // The segment is the only difference from the plain encoding.
  std::vector<uint8_t> plain;
  ASSERT_TRUE(EncodeJpeg(picture, 75, plain));
  EXPECT_EQ(sink.all.size(), plain.size() + 15);
}

TEST(WriteFrameTest, EncodingFailureWritesNothing) {
  Picture empty;
  empty.pictureInfo = MakePictureInfo(160, 120);
  LoggingSink sink;
  EXPECT_FALSE(WriteFrame(empty, 75, sink, FixedClock(1)));
  EXPECT_TRUE(sink.writes.empty());
}

TEST(ReadTimestampTest, RejectsSegmentsThatDoNotFitTheFrame) {
  // Claimed length runs past the end of the frame.
  std::vector<uint8_t> frame = Bytes({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x40, '1', '2', 0x00, 0xFF, 0xD9});
  EXPECT_EQ(ReadTimestamp(frame.data(), frame.size()), std::nullopt);
  // A length below the two bytes it counts itself has no payload.
  frame = Bytes({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01, '1', '2', 0x00, 0xFF, 0xD9});
  EXPECT_EQ(ReadTimestamp(frame.data(), frame.size()), std::nullopt);
  // Marker in the last three bytes: the length would be read past the end.
  frame = Bytes({0xFF, 0xD8, 0xFF, 0xFE, 0x00});
  EXPECT_EQ(ReadTimestamp(frame.data(), frame.size()), std::nullopt);
  frame = Bytes({0xFF, 0xFE});
  EXPECT_EQ(ReadTimestamp(frame.data(), frame.size()), std::nullopt);
  EXPECT_EQ(ReadTimestamp(nullptr, 0), std::nullopt);
}

TEST(ReadTimestampTest, TextEndsAtFirstNulAndOnlyTheFirstSegmentCounts) {
  const std::vector<uint8_t> frame = Bytes({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x06, '4',  '2',  0x00, 'x',
                                            0xFF, 0xFE, 0x00, 0x04, '9',  0x00, 0xFF, 0xD9, 0x00, 0x00});
  EXPECT_EQ(ReadTimestamp(frame.data(), frame.size()), "42");
  const std::vector<uint8_t> unterminated = Bytes({0xFF, 0xFE, 0x00, 0x04, '5', '6', 0x00, 0x00, 0x00});
  EXPECT_EQ(ReadTimestamp(unterminated.data(), unterminated.size()), "56");
}

TEST(FindNextFrameTest, FramesBackToBackAndRemainsOfACutOffFrameAreSkipped) {
  std::vector<uint8_t> data = Bytes({0x11, 0xFF, 0xD9, 0xFF, 0xD8, 0x22, 0x33});  // garbage, cut-off frame
  const std::vector<uint8_t> first = Bytes({0xFF, 0xD8, 0x01, 0xFF, 0xD9});
  const std::vector<uint8_t> second = Bytes({0xFF, 0xD8, 0x02, 0x02, 0xFF, 0xD9});
  data.insert(data.end(), first.begin(), first.end());
  data.insert(data.end(), second.begin(), second.end());
  data.push_back(0xFF);
  data.push_back(0xD8);  // a partial last frame

  auto span = FindNextFrame(data.data(), data.size());
  ASSERT_TRUE(span);
  EXPECT_EQ(span->begin, 7u);
  EXPECT_EQ(span->Size(), first.size());
  span = FindNextFrame(data.data(), data.size(), span->end);
  ASSERT_TRUE(span);
  EXPECT_EQ(span->begin, 12u);
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + span->begin, data.begin() + span->end), second);
  EXPECT_FALSE(FindNextFrame(data.data(), data.size(), span->end));
  EXPECT_FALSE(FindNextFrame(data.data(), 0));
}

TEST(RecordingTest, FramesFollowEachOtherWithNothingBetween) {
  MemorySink sink;
  Picture a = SmoothPicture(64, 48);
  Picture b = PatternPicture(64, 48);
  ASSERT_TRUE(WriteFrame(a, 75, sink, FixedClock(1700000000)));
  const size_t firstSize = sink.bytes.size();
  ASSERT_TRUE(WriteFrame(b, 75, sink, FixedClock(1700000001)));
  EXPECT_EQ(sink.bytes[firstSize - 2], 0xFF);
  EXPECT_EQ(sink.bytes[firstSize - 1], 0xD9);
  EXPECT_EQ(sink.bytes[firstSize], 0xFF);
  EXPECT_EQ(sink.bytes[firstSize + 1], 0xD8);
  const auto first = FindNextFrame(sink.bytes.data(), sink.bytes.size());
  ASSERT_TRUE(first);
  EXPECT_EQ(first->end, firstSize);
  const auto second = FindNextFrame(sink.bytes.data(), sink.bytes.size(), first->end);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->end, sink.bytes.size());
  EXPECT_EQ(ReadTimestamp(sink.bytes.data() + second->begin, second->Size()), "1700000001");
}

#if !defined(_WIN32)
// ffmpeg's own demuxer and decoder as the independent reader of a recording.
std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[256];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  pclose(pipe);
  return output;
}

TEST(RecordingTest, FfprobeCountsAndDecodesEveryFrame) {
  MemorySink sink;
  for (int i = 0; i < 7; ++i) {
    Picture picture = i % 2 ? PatternPicture(320, 240) : SmoothPicture(320, 240);
    ASSERT_TRUE(WriteFrame(picture, 60 + i, sink, FixedClock(1700000000 + i)));
  }
  char path[] = "/tmp/vr-recording-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  WriteWholeFile(path, sink.bytes);
  const std::string probe = RunCommand(std::string("ffprobe -v error -f mjpeg -count_frames -select_streams v:0 "
                                                   "-show_entries stream=nb_read_frames,width,height -of csv=p=0 ") +
                                       path + " 2>&1");
  EXPECT_EQ(probe, "320,240,7\n");
  const std::string errors =
      RunCommand(std::string("ffmpeg -nostdin -v error -f mjpeg -i ") + path + " -f null - 2>&1");
  EXPECT_EQ(errors, "");
  std::remove(path);
}
#endif

}  // namespace
