#include "sources/receive_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/jpeg_codec.h"
#include "support/test_pictures.h"

namespace {

std::vector<uint8_t> Jpeg(int width, int height) {
  Picture picture = SmoothPicture(width, height);
  std::vector<uint8_t> jpeg;
  EXPECT_TRUE(EncodeJpeg(picture, 80, jpeg));
  return jpeg;
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Feeds bytes the way the client reads them: chunks of at most 4096.
void Feed(ReceiveBuffer& buffer, const std::vector<uint8_t>& bytes, size_t chunk = kReceiveChunk) {
  ASSERT_TRUE(buffer.Prepare());
  for (size_t at = 0; at < bytes.size(); at += chunk) {
    size_t n = std::min(chunk, bytes.size() - at);
    std::memcpy(buffer.ReadSpace(), bytes.data() + at, n);
    ASSERT_EQ(buffer.Commit(n), ReceiveBuffer::Room::kReady);
  }
}

TEST(ReceiveBuffer, GrowsInStepsAndAlwaysLeavesRoomForOneRead) {
  ReceiveBuffer buffer;
  EXPECT_EQ(buffer.Data(), nullptr);
  ASSERT_TRUE(buffer.Prepare());
  EXPECT_EQ(buffer.Capacity(), 40960u);
  std::vector<uint8_t> chunk(4096, 0x11);
  size_t total = 0;
  size_t growths = 0;
  for (int i = 0; i < 2000; ++i) {
    size_t before = buffer.Capacity();
    std::memcpy(buffer.ReadSpace(), chunk.data(), chunk.size());
    ASSERT_EQ(buffer.Commit(chunk.size()), ReceiveBuffer::Room::kReady);
    total += chunk.size();
    EXPECT_GE(buffer.Capacity() - buffer.Length(), kReceiveChunk);
    EXPECT_EQ(buffer.Capacity() % kReceiveGrowStep, 0u);
    growths += buffer.Capacity() != before;
    // Half as much again as needed at most, so a long stream moves the
    // block only a few times.
    EXPECT_LE(buffer.Capacity(), (total + kReceiveChunk) * 3 / 2 + kReceiveGrowStep);
  }
  EXPECT_EQ(buffer.Length(), total);
  EXPECT_EQ(buffer.Data()[total - 1], 0x11);
  EXPECT_LE(growths, 14u);  // 8 MB in 2000 reads
  buffer.Clear();
  EXPECT_EQ(buffer.Data(), nullptr);
  EXPECT_EQ(buffer.Length(), 0u);
}

// The camera's 25 MB cap is reached by the system test; here a cap of a
// few growth steps shows the arithmetic.
TEST(ReceiveBuffer, StopsWhenTheNextReadWouldPassTheCap) {
  constexpr size_t kLimit = 5 * kReceiveGrowStep;
  ReceiveBuffer buffer(kLimit);
  ASSERT_TRUE(buffer.Prepare());
  size_t reads = 0;
  ReceiveBuffer::Room room = ReceiveBuffer::Room::kReady;
  while (room == ReceiveBuffer::Room::kReady) {
    std::memset(buffer.ReadSpace(), 0, kReceiveChunk);
    room = buffer.Commit(kReceiveChunk);
    ++reads;
    ASSERT_LE(buffer.Capacity(), kLimit);
  }
  EXPECT_EQ(room, ReceiveBuffer::Room::kLimitReached);
  // Every read had its 4096 bytes; the one that leaves no room for another
  // stops the client, with the buffer exactly full.
  EXPECT_EQ(reads, kLimit / kReceiveChunk);
  EXPECT_EQ(buffer.Length(), kLimit);
  EXPECT_EQ(buffer.Capacity(), kLimit);
}

TEST(ReceiveBuffer, CameraCapIsTwentyFiveMegabytes) {
  ReceiveBuffer buffer;
  ASSERT_TRUE(buffer.Prepare());
  size_t reads = 0;
  for (;;) {
    buffer.ReadSpace()[kReceiveChunk - 1] = 0x5A;  // the whole read fits
    ++reads;
    if (buffer.Commit(kReceiveChunk) != ReceiveBuffer::Room::kReady) break;
  }
  EXPECT_EQ(reads, 6400u);
  EXPECT_EQ(buffer.Length(), 26214400u);
  EXPECT_EQ(buffer.Capacity(), 26214400u);
}

void* FirstBlockOnly(void* block, size_t size) {
  return block ? nullptr : std::realloc(block, size);
}
void* NoMemory(void*, size_t) {
  return nullptr;
}

TEST(ReceiveBuffer, FailedGrowthKeepsWhatWasReceived) {
  ReceiveBuffer buffer(kReceiveLimit, &FirstBlockOnly);
  ASSERT_TRUE(buffer.Prepare());
  ReceiveBuffer::Room room = ReceiveBuffer::Room::kReady;
  size_t reads = 0;
  while (room == ReceiveBuffer::Room::kReady) {
    std::memset(buffer.ReadSpace(), static_cast<int>(reads), kReceiveChunk);
    room = buffer.Commit(kReceiveChunk);
    ++reads;
  }
  EXPECT_EQ(room, ReceiveBuffer::Room::kExpansionFailed);
  EXPECT_EQ(reads, 10u);  // the tenth read fills the first block
  EXPECT_EQ(buffer.Capacity(), kReceiveGrowStep);
  EXPECT_EQ(buffer.Data()[9 * kReceiveChunk], 9);

  ReceiveBuffer none(kReceiveLimit, &NoMemory);
  EXPECT_FALSE(none.Prepare());
  EXPECT_EQ(none.Data(), nullptr);
}

TEST(ReceiveBuffer, FramesBetweenMarkersWithWhatPrecedesThemDiscarded) {
  std::vector<uint8_t> a = Jpeg(64, 48), b = Jpeg(32, 24);
  std::string part = "--myboundary\r\nContent-Type: image/jpeg\r\nContent-Length: 100\r\n\r\n";
  ReceiveBuffer buffer;
  Feed(buffer, Join({Bytes("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace\r\n\r\n" + part), a,
                     Bytes("\r\n" + part), b, Bytes("\r\n" + part)}));
  ReceiveBuffer::Frame frame{};
  ASSERT_TRUE(buffer.FindFrame(frame));
  EXPECT_EQ(std::vector<uint8_t>(buffer.Data() + frame.start, buffer.Data() + frame.start + frame.length), a);
  buffer.Consume(frame.start + frame.length);
  ASSERT_TRUE(buffer.FindFrame(frame));
  EXPECT_EQ(std::vector<uint8_t>(buffer.Data() + frame.start, buffer.Data() + frame.start + frame.length), b);
  buffer.Consume(frame.start + frame.length);
  EXPECT_FALSE(buffer.FindFrame(frame));
  EXPECT_EQ(buffer.Length(), 2 + part.size());  // the next part header waits for its frame
}

TEST(ReceiveBuffer, FrameArrivingByteByByteIsFoundOnceComplete) {
  std::vector<uint8_t> a = Jpeg(64, 48);
  std::vector<uint8_t> stream = Join({Bytes("xx\xff"), a, Bytes("tail")});
  ReceiveBuffer buffer;
  ASSERT_TRUE(buffer.Prepare());
  ReceiveBuffer::Frame frame{};
  size_t completeAt = 3 + a.size();  // the byte after FF D9
  for (size_t i = 0; i < stream.size(); ++i) {
    buffer.ReadSpace()[0] = stream[i];
    ASSERT_EQ(buffer.Commit(1), ReceiveBuffer::Room::kReady);
    bool found = buffer.FindFrame(frame);
    ASSERT_EQ(found, i + 1 >= completeAt) << i;
    if (found) {
      EXPECT_EQ(frame.start, 3u);
      EXPECT_EQ(frame.length, a.size());
    }
  }
}

TEST(ReceiveBuffer, EmbeddedThumbnailEndsTheFrameAtTheFirstEndMarker) {
  std::vector<uint8_t> bytes = Bytes(
      "\xff\xd8"
      "APP1 \xff\xd8 thumb \xff\xd9 rest \xff\xd9 \xff\xd8 next \xff\xd9");
  ReceiveBuffer buffer;
  Feed(buffer, bytes);
  ReceiveBuffer::Frame frame{};
  ASSERT_TRUE(buffer.FindFrame(frame));
  EXPECT_EQ(frame.start, 0u);
  EXPECT_EQ(std::string(buffer.Data(), buffer.Data() + frame.length),
            "\xff\xd8"
            "APP1 \xff\xd8 thumb \xff\xd9");
  buffer.Consume(frame.length);
  ASSERT_TRUE(buffer.FindFrame(frame));
  // The rest of the real picture is discarded in front of the next frame.
  EXPECT_EQ(std::string(buffer.Data() + frame.start, buffer.Data() + frame.start + frame.length),
            "\xff\xd8 next \xff\xd9");
}

TEST(ReceiveBuffer, EndMarkerBeforeTheStartDoesNotCount) {
  ReceiveBuffer buffer;
  Feed(buffer, Bytes("\xff\xd9 junk \xff\xd8 body"));
  ReceiveBuffer::Frame frame{};
  EXPECT_FALSE(buffer.FindFrame(frame));
  Feed(buffer, Bytes(" \xff\xd9"));
  ASSERT_TRUE(buffer.FindFrame(frame));
  EXPECT_EQ(frame.start, 8u);
  EXPECT_EQ(frame.length, 10u);
}

TEST(Snapshot, BodyNeedsAHeaderEndWithAtLeastOneByteBehindIt) {
  size_t body = 0;
  std::vector<uint8_t> r = Bytes("HTTP/1.0 200 OK\r\n\r\nX");
  EXPECT_TRUE(FindSnapshotBody(r.data(), r.size(), body));
  EXPECT_EQ(body, r.size() - 1);
  r = Bytes("HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_FALSE(FindSnapshotBody(r.data(), r.size(), body));
  r = Bytes("\r\n\r\nX");  // a header end at the very start
  EXPECT_TRUE(FindSnapshotBody(r.data(), r.size(), body));
  EXPECT_EQ(body, 4u);
  r = Bytes("HTTP/1.0 200 OK\r\n\nbody\n\n");
  EXPECT_FALSE(FindSnapshotBody(r.data(), r.size(), body));
}

TEST(Snapshot, Outcomes) {
  std::vector<uint8_t> jpeg = Jpeg(64, 48);
  Picture picture = SmoothPicture(8, 8);
  std::vector<uint8_t> ok = Join({Bytes("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), jpeg});
  ASSERT_EQ(DecodeSnapshot(ok.data(), ok.size(), picture), SnapshotResult::kPicture);
  EXPECT_EQ(picture.Width(), 64);
  EXPECT_EQ(picture.Height(), 48);
  EXPECT_EQ(picture.BitCount(), 24);
  EXPECT_LE(MaxChannelDifference(picture, SmoothPicture(64, 48)), 40);

  // The status line is never looked at: an error page is just a body that
  // does not decode.
  std::vector<uint8_t> page = Bytes("HTTP/1.0 401 Unauthorized\r\n\r\n<html>no</html>");
  EXPECT_EQ(DecodeSnapshot(page.data(), page.size(), picture), SnapshotResult::kNotJpeg);
  EXPECT_FALSE(picture.HasPixels());
  std::vector<uint8_t> notFound = Join({Bytes("HTTP/1.0 404 Not Found\r\n\r\n"), jpeg});
  EXPECT_EQ(DecodeSnapshot(notFound.data(), notFound.size(), picture), SnapshotResult::kPicture);

  std::vector<uint8_t> headerOnly = Bytes("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(DecodeSnapshot(headerOnly.data(), headerOnly.size(), picture), SnapshotResult::kNoValidData);
  std::vector<uint8_t> tiny = Bytes("\r\n\r");
  EXPECT_EQ(DecodeSnapshot(tiny.data(), tiny.size(), picture), SnapshotResult::kNoValidData);
  EXPECT_EQ(DecodeSnapshot(nullptr, 0, picture), SnapshotResult::kNoValidData);
  std::vector<uint8_t> truncated =
      Join({Bytes("HTTP/1.0 200 OK\r\n\r\n"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 20)});
  EXPECT_EQ(DecodeSnapshot(truncated.data(), truncated.size(), picture), SnapshotResult::kNotJpeg);
  // Cut inside the scan: the library would decode it with a grey lower part.
  std::vector<uint8_t> cutShort =
      Join({Bytes("HTTP/1.0 200 OK\r\n\r\n"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3)});
  EXPECT_EQ(DecodeSnapshot(cutShort.data(), cutShort.size(), picture), SnapshotResult::kNotJpeg);
  EXPECT_FALSE(picture.HasPixels());
}

}  // namespace
