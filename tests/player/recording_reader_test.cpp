#include "player/recording_reader.h"

#include <gtest/gtest.h>

#include "player/fake_reader_host.h"
#include "player/recording_bytes.h"

namespace {

constexpr size_t kFrame = 100;

class ReaderTest : public ::testing::Test {
 protected:
  std::shared_ptr<MemoryRecordingFile> Add(std::vector<uint8_t> bytes, const std::string& path = "C:\\rec\\cam.mjpg") {
    return host.Add(path, std::move(bytes));
  }
  int TagOf(const std::optional<RecordingFrame>& frame) { return frame ? FrameTag(frame->data, frame->size) : -1; }

  FakeReaderHost host;
  RecordingReader reader{host};
};

TEST_F(ReaderTest, OpensAndStepsForwardInOrderToTheEnd) {
  Add(EqualFrames(5, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  EXPECT_EQ(host.titles.back(), "Framedeck - cam.mjpg");
  EXPECT_EQ(reader.Position(), 0);
  for (int i = 1; i <= 5; ++i) {
    auto frame = reader.ReadNext();
    // Every forward read asks for one window: 15 times the first frame.
    EXPECT_EQ(host.readCounts.back(), 1500u) << i;
    ASSERT_TRUE(frame) << i;
    EXPECT_EQ(TagOf(frame), i);
    EXPECT_EQ(frame->size, kFrame);
    EXPECT_EQ(frame->data[0], 0xFF);
    EXPECT_EQ(frame->data[1], 0xD8);
    EXPECT_EQ(reader.Position(), static_cast<int64_t>(i * kFrame));
    EXPECT_EQ(reader.PositionFraction(true), (i - 1) / 5.0L);
  }
  EXPECT_FALSE(reader.ReadNext());
  EXPECT_EQ(reader.Position(), reader.FileSize());
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(ReaderTest, StepsBackwardAndStopsAtTheFirstFrame) {
  Add(EqualFrames(4, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  for (int i = 0; i < 4; ++i) reader.ReadNext();
  EXPECT_EQ(TagOf(reader.ReadPrevious()), 3);
  EXPECT_EQ(reader.Position(), 300);
  EXPECT_EQ(TagOf(reader.ReadPrevious()), 2);
  EXPECT_EQ(TagOf(reader.ReadPrevious()), 1);
  EXPECT_EQ(reader.Position(), 100);
  // On the first frame: none, and the first frame stays current.
  EXPECT_FALSE(reader.ReadPrevious());
  EXPECT_EQ(reader.Position(), 100);
  EXPECT_EQ(reader.FrameSize(), 100);
  EXPECT_EQ(TagOf(reader.ReadNext()), 2);
}

TEST_F(ReaderTest, SeeksToFractionsOfAHundredEqualFrames) {
  Add(EqualFrames(100, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  EXPECT_EQ(TagOf(reader.SeekFraction(0.5)), 50);
  EXPECT_EQ(reader.Position(), 5000);
  // With a current frame the half frame added still lands on frame 50.
  EXPECT_EQ(TagOf(reader.SeekFraction(0.5)), 50);
  EXPECT_EQ(TagOf(reader.SeekFraction(1.0)), 100);
  EXPECT_EQ(reader.Position(), 10000);
  EXPECT_EQ(TagOf(reader.SeekFraction(0.0)), 1);
  EXPECT_EQ(reader.Position(), 100);
  EXPECT_EQ(TagOf(reader.SeekFraction(0.255)), 26);
  EXPECT_EQ(reader.PositionFraction(false), 0.26L);
  // Out-of-range values are clamped rather than read outside the file.
  EXPECT_EQ(TagOf(reader.SeekFraction(7.0)), 100);
  EXPECT_EQ(TagOf(reader.SeekFraction(-3.0)), 1);
}

TEST_F(ReaderTest, OperationInProgressBlocksBackwardMovesButNotForward) {
  Add(EqualFrames(10, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  reader.ReadNext();
  reader.ReadNext();
  reader.SetOpState(kRunning);
  EXPECT_TRUE(reader.IsBusy());
  EXPECT_FALSE(reader.ReadPrevious());
  EXPECT_FALSE(reader.SeekFraction(0.9));
  EXPECT_EQ(reader.Position(), 200);
  EXPECT_EQ(TagOf(reader.ReadNext()), 3);
  reader.RequestAbort();
  EXPECT_EQ(reader.GetOpState(), kStopRequested);
}

TEST_F(ReaderTest, SkipsGarbageAndACutOffFrameBeforeTheFirstFrame) {
  std::vector<uint8_t> bytes = {0x12, 0xFF, 0xD9, 0x00, 0x41};
  std::vector<uint8_t> cut = SyntheticFrame(200, 9);
  bytes.insert(bytes.end(), cut.begin(), cut.begin() + 120);  // start marker, no end
  const size_t firstAt = bytes.size();
  std::vector<uint8_t> frames = EqualFrames(3, kFrame);
  bytes.insert(bytes.end(), frames.begin(), frames.end());
  Add(bytes);
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  auto frame = reader.ReadNext();
  EXPECT_EQ(host.readCounts.back(), 15 * kFrame);  // the window follows the first complete frame
  EXPECT_EQ(TagOf(frame), 1);
  EXPECT_EQ(reader.Position(), static_cast<int64_t>(firstAt + kFrame));
}

TEST_F(ReaderTest, FindsAFirstFrameWhoseMarkersStraddleScanPieces) {
  // 4095-byte pieces: put the start marker across the first boundary and
  // the end marker across a later one.
  std::vector<uint8_t> bytes(4094, 0x20);
  std::vector<uint8_t> frame = SyntheticFrame(4097, 5);
  bytes.insert(bytes.end(), frame.begin(), frame.end());
  ASSERT_EQ(bytes[4094], 0xFF);
  ASSERT_EQ(bytes.size(), 8191u);  // end marker at 8189..8190 straddles 8190
  Add(bytes);
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  auto found = reader.ReadNext();
  EXPECT_EQ(host.readCounts.back(), 15u * 4097);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->size, 4097u);
}

TEST_F(ReaderTest, RefusesEmptyFilesAndFilesWithoutAFrameInTheirFirstTenMebibytes) {
  Add({}, "empty.mjpg");
  EXPECT_FALSE(reader.Open("empty.mjpg"));
  EXPECT_EQ(host.errors, std::vector<std::string>{"Unable to open mjpg file"});
  EXPECT_EQ(host.titles.back(), "Framedeck");
  EXPECT_FALSE(reader.IsOpen());

  // A frame that starts inside the limit but ends just after it.
  std::vector<uint8_t> late(kFirstFrameScanLimit - 50, 0x33);
  std::vector<uint8_t> frame = SyntheticFrame(100, 4);
  late.insert(late.end(), frame.begin(), frame.end());
  Add(late, "late.mjpg");
  EXPECT_FALSE(reader.Open("late.mjpg"));
  EXPECT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors.back(), "Unable to open mjpg file");
  EXPECT_FALSE(reader.IsOpen());

  // The same frame ending exactly at the limit is found.
  std::vector<uint8_t> justInside(kFirstFrameScanLimit - 100, 0x33);
  justInside.insert(justInside.end(), frame.begin(), frame.end());
  Add(justInside, "inside.mjpg");
  EXPECT_TRUE(reader.Open("inside.mjpg"));
}

TEST_F(ReaderTest, UnopenableFileAndCancelledChooser) {
  Add(EqualFrames(3, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  reader.ReadNext();
  // Cancelled chooser: the open recording stays as it was.
  EXPECT_FALSE(reader.Open());
  ASSERT_EQ(host.openCalls.size(), 1u);
  EXPECT_EQ(host.openCalls[0].defaultName, "");
  static const char kExpected[] = "Mjpg (*.mjpg)\0*.mjpg\0Mjpeg (*.mjpeg)\0*.mjpeg\0All Files (*.*)\0*.*\0";
  EXPECT_EQ(host.openCalls[0].filter, std::string(kExpected, sizeof kExpected));
  EXPECT_EQ(host.openCalls[0].extension, ".mjpg");
  EXPECT_TRUE(reader.IsOpen());
  EXPECT_EQ(reader.Position(), 100);

  EXPECT_FALSE(reader.Open("C:\\missing.mjpg"));
  EXPECT_EQ(host.errors, std::vector<std::string>{"Could not open file"});
  EXPECT_EQ(host.titles.back(), "Framedeck");
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Position(), 0);

  // A chooser answer is opened like a given path.
  Add(EqualFrames(2, kFrame), "plain.mjpg");
  host.openAnswers.push_back("plain.mjpg");
  EXPECT_TRUE(reader.Open());
  EXPECT_EQ(host.titles.back(), "Framedeck - plain.mjpg");
}

TEST(DisplayNameTest, TakesTheTextAfterTheLastBackslash) {
  EXPECT_EQ(DisplayName("C:\\a\\b\\rec.mjpg"), "rec.mjpg");
  EXPECT_EQ(DisplayName("rec.mjpg"), "rec.mjpg");
  EXPECT_EQ(DisplayName("C:\\a\\"), "C:\\a\\");
}

TEST_F(ReaderTest, FramesFarLargerThanASmallFirstFrameAreAllReached) {
  // A dark 225-byte first frame, then 200 KB pictures.
  std::vector<uint8_t> bytes = SyntheticFrame(225, 1);
  for (uint8_t tag = 2; tag <= 4; ++tag) {
    const std::vector<uint8_t> large = SyntheticFrame(200 * 1024, tag);
    bytes.insert(bytes.end(), large.begin(), large.end());
  }
  Add(bytes);
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  for (int tag = 1; tag <= 4; ++tag) EXPECT_EQ(TagOf(reader.ReadNext()), tag);
  EXPECT_EQ(reader.Position(), reader.FileSize());
  EXPECT_EQ(TagOf(reader.ReadPrevious()), 3);
  EXPECT_EQ(TagOf(reader.SeekFraction(1.0)), 4);
  // Seeking there first, on a fresh open, reaches it too.
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  EXPECT_EQ(TagOf(reader.SeekFraction(1.0)), 4);
}

TEST_F(ReaderTest, CutOffLastFrameIsNeverReturned) {
  std::vector<uint8_t> bytes = EqualFrames(3, kFrame);
  const std::vector<uint8_t> partial = SyntheticFrame(kFrame, 50);
  bytes.insert(bytes.end(), partial.begin(), partial.begin() + 60);
  Add(bytes);
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(reader.ReadNext());
  EXPECT_FALSE(reader.ReadNext());
  EXPECT_EQ(TagOf(reader.SeekFraction(1.0)), 3);
}

TEST_F(ReaderTest, FollowsARecordingThatGrowsWhileOpen) {
  auto file = Add(EqualFrames(2, kFrame));
  const std::vector<uint8_t> third = SyntheticFrame(kFrame, 3);
  // The camera has written part of the third frame so far.
  file->Append(std::vector<uint8_t>(third.begin(), third.begin() + 40));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  EXPECT_EQ(reader.FileSize(), 240);
  ASSERT_EQ(TagOf(reader.ReadNext()), 1);
  ASSERT_EQ(TagOf(reader.ReadNext()), 2);
  // The rest of it and one more frame arrive.
  file->Append(std::vector<uint8_t>(third.begin() + 40, third.end()));
  file->Append(SyntheticFrame(kFrame, 4));
  EXPECT_EQ(TagOf(reader.ReadNext()), 3);
  EXPECT_EQ(reader.FileSize(), 400);
  EXPECT_EQ(TagOf(reader.ReadNext()), 4);
  EXPECT_FALSE(reader.ReadNext());
  EXPECT_EQ(reader.Position(), 400);
  file->Append(SyntheticFrame(kFrame, 5));
  EXPECT_EQ(TagOf(reader.SeekFraction(1.0)), 4);  // size is refreshed only by forward reads
  reader.SetPosition(400);
  EXPECT_EQ(TagOf(reader.ReadNext()), 5);
}

TEST_F(ReaderTest, SelectionMarksFollowTheCurrentFrame) {
  Add(EqualFrames(6, kFrame));
  ASSERT_TRUE(reader.Open("C:\\rec\\cam.mjpg"));
  EXPECT_FALSE(reader.HasSelection());
  reader.ReadNext();
  reader.ReadNext();
  reader.SetSelectionStart();
  reader.ReadNext();
  reader.ReadNext();
  reader.SetSelectionEnd();
  EXPECT_EQ(reader.SelectionStart(), 100);
  EXPECT_EQ(reader.SelectionEnd(), 400);
  EXPECT_TRUE(reader.HasSelection());
  // End before start is no selection.
  reader.SeekFraction(0.0);
  reader.SetSelectionEnd();
  EXPECT_FALSE(reader.HasSelection());
  reader.ClearSelection();
  EXPECT_EQ(reader.SelectionStart(), 0);
  EXPECT_EQ(reader.SelectionEnd(), 0);
  // Close keeps the frame sizes, clears position and marks.
  reader.SetSelectionEnd();
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.SelectionEnd(), 0);
  EXPECT_EQ(reader.FrameSize(), 100);
  EXPECT_FALSE(reader.ReadNext());
  EXPECT_EQ(reader.PositionFraction(false), 0.0L);
}

}  // namespace
