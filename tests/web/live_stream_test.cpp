#include "web/live_stream.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(std::span<const unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<unsigned char> Jpeg(const std::string& body) {
  std::string jpeg = "\xFF\xD8" + body + "\xFF\xD9";
  return std::vector<unsigned char>(jpeg.begin(), jpeg.end());
}

// Takes everything the viewer has to send now, in pieces of `piece` bytes.
std::string Drain(StreamViewer& viewer, const SharedStreamPart& newest, size_t piece = 1 << 20) {
  std::string out;
  for (auto bytes = viewer.Pending(newest); !bytes.empty(); bytes = viewer.Pending(newest)) {
    size_t n = std::min(piece, bytes.size());
    out += Text(bytes.first(n));
    viewer.Sent(n);
  }
  return out;
}

}  // namespace

TEST(LiveStream, HeaderAndPartsAreFramedExactly) {
  EXPECT_EQ(Text(StreamHeaderPart()->bytes),
            "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\n"
            "Content-Type: multipart/x-mixed-replace; boundary=vorrandale-live-5f3c1a\r\n\r\n");
  auto part = FrameStreamPart(7, Jpeg(std::string("a\0b", 3)));
  EXPECT_EQ(part->number, 7u);
  EXPECT_EQ(Text(part->bytes), "--vorrandale-live-5f3c1a\r\nContent-Type: image/jpeg\r\nContent-Length: 7\r\n\r\n" +
                                   std::string("\xFF\xD8"
                                               "a\0b\xFF\xD9\r\n",
                                               9));
}

TEST(LiveStream, ViewerGetsTheHeaderThenOnlyNewPartsInPieces) {
  auto first = FrameStreamPart(3, Jpeg("three"));
  StreamViewer viewer(3);  // joins while part 3 is the newest
  EXPECT_EQ(Drain(viewer, first, 5), Text(StreamHeaderPart()->bytes));
  EXPECT_TRUE(viewer.Pending(first).empty()) << "what it joined after is not sent";
  auto fourth = FrameStreamPart(4, Jpeg("four"));
  EXPECT_EQ(Drain(viewer, fourth, 3), Text(fourth->bytes));
  EXPECT_TRUE(viewer.Pending(fourth).empty()) << "each part once";
  EXPECT_EQ(viewer.PartsStarted(), 1u);
  EXPECT_EQ(viewer.PartsSkipped(), 0u);
  EXPECT_EQ(viewer.HeldBytes(), 0u);

  StreamViewer early(0);  // before the feed's first picture
  EXPECT_EQ(Drain(early, nullptr), Text(StreamHeaderPart()->bytes));
  EXPECT_TRUE(early.Pending(nullptr).empty());
}

TEST(LiveStream, SlowViewerFinishesItsPartThenSkipsToTheNewestHoldingOnlyOne) {
  StreamViewer slow(0);
  Drain(slow, nullptr);
  auto one = FrameStreamPart(1, Jpeg(std::string(1000, 'a')));
  auto bytes = slow.Pending(one);
  ASSERT_EQ(bytes.size(), one->bytes.size());
  slow.Sent(10);  // the socket took only a little
  std::weak_ptr<const StreamPart> oneAlive = one;
  SharedStreamPart newest = one;
  for (uint64_t n = 2; n <= 50; ++n) newest = FrameStreamPart(n, Jpeg(std::string(1000, 'x')));
  one.reset();
  // The part under way is finished, whole, before anything newer.
  EXPECT_FALSE(oneAlive.expired());
  EXPECT_EQ(slow.HeldBytes(), oneAlive.lock()->bytes.size());
  std::string rest = Text(slow.Pending(newest));
  EXPECT_EQ(rest.size(), oneAlive.lock()->bytes.size() - 10);
  slow.Sent(rest.size());
  // Then straight to the newest: 48 skipped, the old part let go.
  EXPECT_EQ(Drain(slow, newest), Text(newest->bytes));
  EXPECT_TRUE(oneAlive.expired());
  EXPECT_EQ(slow.PartsStarted(), 2u);
  EXPECT_EQ(slow.PartsSkipped(), 48u);
}
