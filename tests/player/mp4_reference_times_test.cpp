#include "player/mp4_reference_times.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void PutBig(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> Box(const std::string& type, size_t payload) {
  std::vector<uint8_t> box;
  PutBig(box, 8 + payload, 4);
  box.insert(box.end(), type.begin(), type.end());
  box.resize(8 + payload, 0xAB);
  return box;
}

// A prft box: version 1 has a 64-bit media time, version 0 a 32-bit one.
std::vector<uint8_t> Prft(int version, uint64_t ntpSeconds, uint64_t mediaTime) {
  std::vector<uint8_t> box;
  PutBig(box, version == 1 ? 32 : 28, 4);
  box.insert(box.end(), {'p', 'r', 'f', 't', static_cast<uint8_t>(version), 0, 0, 24});
  PutBig(box, 1, 4);
  PutBig(box, (ntpSeconds << 32) | 0x80000000u, 8);  // and half a second
  PutBig(box, mediaTime, version == 1 ? 8 : 4);
  return box;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

constexpr uint64_t kNtp2026 = 2208988800u + 1796000000u;

TEST(Mp4ReferenceTimes, ReadsEachPrftBetweenTheOtherBoxesAndStopsAtADamagedSize) {
  std::vector<uint8_t> large;
  PutBig(large, 1, 4);
  large.insert(large.end(), {'m', 'd', 'a', 't'});
  PutBig(large, 24, 8);
  large.resize(24, 0);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<int64_t> mediaTimes;
  } cases[] = {
      {"fragments",
       Join({Box("ftyp", 16), Box("moov", 100), Prft(1, kNtp2026, 0), Box("moof", 40), Box("mdat", 500),
             Prft(0, kNtp2026 + 2, 180000), Box("moof", 40), Box("mdat", 10)}),
       {0, 180000}},
      {"64-bit size", Join({large, Prft(1, kNtp2026, 7)}), {7}},
      {"too small a size",
       Join({Prft(1, kNtp2026, 1), Box("free", 0), std::vector<uint8_t>{0, 0, 0, 4}, Prft(1, 0, 2)}),
       {1}},
      {"beyond the end",
       [] {
         auto cut = Join({Prft(1, kNtp2026, 1), Box("mdat", 100), Prft(1, kNtp2026, 2)});
         cut.resize(cut.size() - 50);
         return cut;
       }(),
       {1}},
      {"cut prft",
       [] {
         auto cut = Prft(1, kNtp2026, 3);
         cut.resize(20);
         return cut;
       }(),
       {}},
  };
  for (Case& c : cases) {
    MemoryRecordingFile file(c.file);
    const std::vector<ReferenceTime> references = ReadReferenceTimes(file);
    ASSERT_EQ(references.size(), c.mediaTimes.size()) << c.name;
    for (size_t i = 0; i < references.size(); ++i) EXPECT_EQ(references[i].mediaTime, c.mediaTimes[i]) << c.name;
  }
}

TEST(Mp4ReferenceTimes, AFrameIsDatedFromTheLastReferenceBeforeIt) {
  const std::vector<ReferenceTime> references = {{0, 1000.5}, {90000, 1001.5}, {180000, 1010.0}};
  struct Case {
    int64_t time;
    double expected;
  } cases[] = {{0, 1000.5}, {45000, 1001.0}, {90000, 1001.5}, {270000, 1011.0}, {-90000, 999.5}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(*WallClockAt(references, c.time, 90000), c.expected) << c.time;
  EXPECT_FALSE(WallClockAt({}, 0, 90000));
  EXPECT_FALSE(WallClockAt(references, 0, 0));
  MemoryRecordingFile file(Prft(1, kNtp2026, 0));
  EXPECT_DOUBLE_EQ(ReadReferenceTimes(file).at(0).unixSeconds, 1796000000.5);
}

}  // namespace
