#include "events/mqtt_packet.h"

#include <gtest/gtest.h>

#include "support/hex_bytes.h"

namespace {

std::string Hex(const std::string& bytes) {
  return HexText(bytes.data(), bytes.size());
}

std::string Bytes(std::string_view hex) {
  const std::vector<uint8_t> bytes = HexBytes(hex);
  return std::string(bytes.begin(), bytes.end());
}

TEST(MqttEncode, PacketsByteForByte) {
  MqttConnect bare;
  bare.clientId = "c";
  MqttConnect full = bare;
  full.cleanSession = false;
  full.keepAliveSeconds = 300;
  full.user = "u";
  full.password = "pw";
  full.will = MqttWill{"t/a", "off", 1, true};
  MqttConnect userOnly = bare;
  userOnly.user = "u";
  MqttPublish plain{"a/b", "ON", 0, false, false, 0};
  MqttPublish again{"a/b", "ON", 1, true, true, 0x1234};
  const struct {
    std::string packet;
    const char* hex;
  } cases[] = {
      {EncodeMqttConnect(bare), "100d 00044d515454 04 02 003c 000163"},
      {EncodeMqttConnect(full), "101e 00044d515454 04 ec 012c 000163 0003742f61 00036f6666 000175 00027077"},
      {EncodeMqttConnect(userOnly), "1010 00044d515454 04 82 003c 000163 000175"},
      {EncodeMqttPublish(plain), "3007 0003612f62 4f4e"},
      {EncodeMqttPublish(again), "3b09 0003612f62 1234 4f4e"},
      {EncodeMqttPuback(0xabcd), "4002abcd"},
      {EncodeMqttPingreq(), "c000"},
      {EncodeMqttDisconnect(), "e000"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(c.packet), Hex(Bytes(c.hex)));
}

TEST(MqttEncode, RemainingLengthAtEachByteBoundary) {
  const struct {
    size_t payload;
    const char* header;
  } cases[] = {{124, "307f"},
               {125, "308001"},
               {16380, "30ff7f"},
               {16381, "30808001"},
               {2097149,
                "3080808001"}};
  for (const auto& c : cases) {
    const std::string packet = EncodeMqttPublish({"a", std::string(c.payload, 'x'), 0, false, false, 0});
    const std::string header = Bytes(c.header);
    EXPECT_EQ(Hex(packet.substr(0, header.size())), Hex(header)) << c.payload;
    EXPECT_EQ(packet.size(), header.size() + 3 + c.payload);
  }
}

TEST(MqttEncode, RefusesWhatNoPacketCarries) {
  EXPECT_EQ(EncodeMqttPublish({"", "x", 0, false, false, 0}), "");
  EXPECT_EQ(EncodeMqttPublish({"a", "x", 1, false, false, 0}), "");
  EXPECT_EQ(EncodeMqttPublish({std::string(65536, 't'), "x", 0, false, false, 0}), "");
  MqttConnect connect;
  connect.password = std::string(65536, 'p');
  EXPECT_EQ(EncodeMqttConnect(connect), "");
}

TEST(MqttDecoder, WholeOrBytewiseGivesTheSameAnswers) {
  const struct {
    const char* hex;
    MqttDecodeResult last;
    int packets;
  } cases[] = {
      {"20020001 40020007 d000", MqttDecodeResult::kNeedMore, 3},
      {"200201", MqttDecodeResult::kNeedMore, 0},
      {"30020000", MqttDecodeResult::kMalformed, 0},      // not a broker's answer to a publisher
      {"20030000 00", MqttDecodeResult::kMalformed, 0},   // wrong length
      {"21020000", MqttDecodeResult::kMalformed, 0},      // reserved flags
      {"20020200", MqttDecodeResult::kMalformed, 0},      // reserved acknowledge flags
      {"20020006", MqttDecodeResult::kMalformed, 0},      // unknown return code
      {"40020000", MqttDecodeResult::kMalformed, 0},      // packet id 0
      {"d0ffffffff01", MqttDecodeResult::kMalformed, 0},  // five length bytes
      {"40ffffff7f", MqttDecodeResult::kMalformed, 0},    // oversize
      {"d000 20", MqttDecodeResult::kNeedMore, 1},
  };
  for (const auto& c : cases) {
    const std::string bytes = Bytes(c.hex);
    for (size_t piece : {bytes.size(), size_t{1}}) {
      MqttDecoder decoder;
      MqttIncoming packet;
      int packets = 0;
      MqttDecodeResult result = MqttDecodeResult::kNeedMore;
      for (size_t at = 0; at < bytes.size() && result != MqttDecodeResult::kMalformed; at += piece) {
        decoder.Feed(bytes.substr(at, piece));
        while ((result = decoder.Next(packet)) == MqttDecodeResult::kPacket) ++packets;
      }
      EXPECT_EQ(result, c.last) << c.hex << " in pieces of " << piece;
      EXPECT_EQ(packets, c.packets) << c.hex << " in pieces of " << piece;
    }
  }
}

TEST(MqttDecoder, ReadsTheFields) {
  MqttDecoder decoder;
  decoder.Feed(Bytes("20010104 4002beef"));
  MqttIncoming packet;
  ASSERT_EQ(decoder.Next(packet), MqttDecodeResult::kMalformed);
  decoder.Reset();
  decoder.Feed(Bytes("20020104 4002beef"));
  ASSERT_EQ(decoder.Next(packet), MqttDecodeResult::kPacket);
  EXPECT_EQ(packet.type, MqttPacketType::kConnack);
  EXPECT_TRUE(packet.sessionPresent);
  EXPECT_EQ(packet.returnCode, 4);
  ASSERT_EQ(decoder.Next(packet), MqttDecodeResult::kPacket);
  EXPECT_EQ(packet.type, MqttPacketType::kPuback);
  EXPECT_EQ(packet.packetId, 0xbeef);
}

}  // namespace
