#include "sources/rtsp_stream_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Frame(uint8_t channel, const std::string& payload) {
  return std::string("$") + static_cast<char>(channel) + static_cast<char>(payload.size() >> 8) +
         static_cast<char>(payload.size() & 0xFF) + payload;
}

// Feeds the stream in reads of `chunk` bytes and lists what comes out:
// "M:" and the message, "F<channel>:" and the payload, and the bytes
// skipped; or the stop (how much it skipped depends on where reads ended).
std::vector<std::string> Split(const std::string& stream, size_t chunk) {
  RtspStreamSplitter splitter;
  std::vector<std::string> pieces;
  for (size_t at = 0; at < stream.size(); at += chunk) {
    splitter.Append(reinterpret_cast<const uint8_t*>(stream.data() + at), std::min(chunk, stream.size() - at));
    for (;;) {
      const auto piece = splitter.Next();
      if (piece == RtspStreamSplitter::Piece::kNeedMore) break;
      if (piece == RtspStreamSplitter::Piece::kMessage) {
        pieces.push_back("M:" + std::string(splitter.Message()));
      } else if (piece == RtspStreamSplitter::Piece::kFrame) {
        pieces.push_back("F" + std::to_string(splitter.Channel()) + ":" +
                         std::string(reinterpret_cast<const char*>(splitter.Payload()), splitter.PayloadSize()));
      } else {
        pieces.push_back(piece == RtspStreamSplitter::Piece::kBadMessage ? "bad" : "unsynchronised");
        return pieces;
      }
    }
  }
  pieces.push_back("skipped " + std::to_string(splitter.SkippedBytes()));
  return pieces;
}

TEST(RtspStreamSplitter, CutsMessagesAndFramesOutOfReadsEndingAnywhere) {
  const std::string response = "RTSP/1.0 200 OK\r\nCSeq: 2\r\ncontent-length: 9\r\n\r\nv=0\r\n$ab\n";
  const std::string request = "GET_PARAMETER rtsp://cam/ RTSP/1.0\r\nCSeq: 1\r\n\r\n";
  const std::string bare = "RTSP/1.0 200 OK\nCSeq: 3\n\n";
  const std::string big(65535, 'x');
  const struct {
    std::string stream;
    std::vector<std::string> pieces;
  } cases[] = {
      {response + Frame(0, "rtp") + Frame(1, "") + request + bare + Frame(7, big),
       {"M:" + response, "F0:rtp", "F1:", "M:" + request, "M:" + bare, "F7:" + big, "skipped 0"}},
      // Garbage, and texts that only look like a message's start, are skipped.
      {"\x01junk RTSP/1.0\r\nRTSP/1.0 20x\r\nABC def\r\n" + Frame(0, "a"), {"F0:a", "skipped 39"}},
      {std::string(1, '\0') + response, {"M:" + response, "skipped 1"}},
      {"RTSP/1.0 200 OK\r\nContent-Length: 12x\r\n\r\n", {"bad"}},
      {"RTSP/1.0 200 OK\r\nX: " + std::string(70000, 'y'), {"bad"}},
      {"RTSP/1.0 200 OK\r\nContent-Length: 70000\r\n\r\n", {"bad"}},
      {std::string(70000, '\x80'), {"unsynchronised"}},
  };
  for (const auto& c : cases)
    for (size_t chunk : {size_t{1}, size_t{5}, size_t{4096}, size_t{65536}})
      EXPECT_EQ(Split(c.stream, chunk), c.pieces) << c.stream.substr(0, 40) << " in reads of " << chunk;
}

}  // namespace
