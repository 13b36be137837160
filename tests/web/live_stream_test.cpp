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
  EXPECT_EQ(viewer.HeldBytes(), 0u);
  // A viewer that keeps up skips nothing.
  for (uint64_t n = 5; n <= 7; ++n) {
    auto next = FrameStreamPart(n, Jpeg("part " + std::to_string(n)));
    EXPECT_EQ(Drain(viewer, next, 4), Text(next->bytes)) << n;
  }

  StreamViewer early(0);  // before the feed's first picture
  EXPECT_EQ(Drain(early, nullptr), Text(StreamHeaderPart()->bytes));
  EXPECT_TRUE(early.Pending(nullptr).empty());
}

TEST(LiveStream, SlowViewerFinishesItsPartThenSkipsToTheNewestHoldingOnlyOne) {
  StreamViewer slow(0);
  std::string sent = Drain(slow, nullptr);
  auto one = FrameStreamPart(1, Jpeg(std::string(1000, 'a')));
  const std::string oneText = Text(one->bytes);
  auto bytes = slow.Pending(one);
  ASSERT_EQ(bytes.size(), one->bytes.size());
  sent += Text(bytes.first(10));
  slow.Sent(10);  // the socket took only a little
  std::weak_ptr<const StreamPart> oneAlive = one;
  SharedStreamPart newest = one;
  // Parts 2 to 50 come while the socket takes nothing more: each is offered
  // as the newest, and the part under way is what stays pending.
  for (uint64_t n = 2; n <= 50; ++n) {
    newest = FrameStreamPart(n, Jpeg("part " + std::to_string(n) + std::string(1000, 'x')));
    EXPECT_EQ(Text(slow.Pending(newest)), oneText.substr(10)) << n;
  }
  one.reset();
  // The part under way is finished, whole, before anything newer.
  EXPECT_FALSE(oneAlive.expired());
  EXPECT_EQ(slow.HeldBytes(), oneText.size());
  std::string rest = Text(slow.Pending(newest));
  EXPECT_EQ(rest.size(), oneText.size() - 10);
  slow.Sent(rest.size());
  sent += rest;
  // Then straight to the newest, the old part let go.
  sent += Drain(slow, newest);
  EXPECT_TRUE(oneAlive.expired());
  // Two parts went out whole and the 48 between them were skipped.
  EXPECT_EQ(sent, Text(StreamHeaderPart()->bytes) + oneText + Text(newest->bytes));
  auto skipped = FrameStreamPart(49, Jpeg("part 49"));
  EXPECT_TRUE(slow.Pending(skipped).empty()) << "a skipped part is never sent later";
  auto next = FrameStreamPart(51, Jpeg("part 51"));
  EXPECT_EQ(Drain(slow, next), Text(next->bytes));
}
