#include "events/mqtt_packet.h"

#include <gtest/gtest.h>

#include "support/hex_bytes.h"

namespace {

std::string Bytes(std::string_view hex) {
  const std::vector<uint8_t> bytes = HexBytes(hex);
  return std::string(bytes.begin(), bytes.end());
}

TEST(MqttEncode, PacketsByteForByte) {
  MqttConnect bare{"c", true, 60, "", "", std::nullopt};
  MqttConnect full{"c", false, 300, "u", "pw", MqttWill{"t/a", "off", 1, true}};
  MqttConnect userOnly{"c", true, 60, "u", "", std::nullopt};
  const std::string x125(125, 'x'), x16381(16381, 'x'), x2097149(2097149, 'x');
  const struct {
    std::string packet, expected;
  } cases[] = {
      {EncodeMqttConnect(bare), Bytes("100d 00044d515454 04 02 003c 000163")},
      {EncodeMqttConnect(full), Bytes("101e 00044d515454 04 ec 012c 000163 0003742f61 00036f6666 000175 00027077")},
      {EncodeMqttConnect(userOnly), Bytes("1010 00044d515454 04 82 003c 000163 000175")},
      {EncodeMqttPublish({"a/b", "ON", 0, false, false, 0}), Bytes("3007 0003612f62 4f4e")},
      {EncodeMqttPublish({"a/b", "ON", 1, true, true, 0x1234}), Bytes("3b09 0003612f62 1234 4f4e")},
      {EncodeMqttPublish({"a", x125, 0, false, false, 0}), Bytes("308001 000161") + x125},
      {EncodeMqttPublish({"a", x16381, 0, false, false, 0}), Bytes("30808001 000161") + x16381},
      {EncodeMqttPublish({"a", x2097149, 0, false, false, 0}), Bytes("3080808001 000161") + x2097149},
      {EncodeMqttPuback(0xabcd), Bytes("4002abcd")},
      {EncodeMqttPingreq(), Bytes("c000")},
      {EncodeMqttDisconnect(), Bytes("e000")},
      // What no packet can carry.
      {EncodeMqttPublish({"", "x", 0, false, false, 0}), ""},
      {EncodeMqttPublish({"a", "x", 1, false, false, 0}), ""},
      {EncodeMqttPublish({std::string(65536, 't'), "x", 0, false, false, 0}), ""},
      {EncodeMqttConnect({"c", true, 60, "u", std::string(65536, 'p'), std::nullopt}), ""},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(c.packet == c.expected) << HexText(c.packet.data(), std::min<size_t>(c.packet.size(), 64));
}

// The packets decoded from `bytes` fed `piece` bytes at a time: "C<code>"
// (with "s" when a session is present), "A<id>", "P", then "!" for a
// malformed stream.
std::string Decoded(const std::string& bytes, size_t piece) {
  MqttDecoder decoder;
  std::string told;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    decoder.Feed(bytes.substr(at, piece));
    MqttIncoming p;
    MqttDecodeResult result;
    while ((result = decoder.Next(p)) == MqttDecodeResult::kPacket) {
      if (p.type == MqttPacketType::kConnack)
        told += "C" + std::to_string(p.returnCode) + (p.sessionPresent ? "s" : "");
      if (p.type == MqttPacketType::kPuback) told += "A" + std::to_string(p.packetId);
      if (p.type == MqttPacketType::kPingresp) told += "P";
    }
    if (result == MqttDecodeResult::kMalformed) return told + "!";
  }
  return told;
}

TEST(MqttDecoder, BrokerAnswersWholeOrInPieces) {
  const struct {
    const char *hex, *told;
  } cases[] = {
      {"20020104 4002beef d000", "C4sA48879P"},
      {"20020000 2002", "C0"},
      {"d000 30020000", "P!"},  // not an answer to a publisher
      {"20030000 00", "!"},     // wrong length
      {"21020000", "!"},        // reserved flags
      {"20020200", "!"},        // reserved acknowledge flags
      {"20020006", "!"},        // unknown return code
      {"40020000", "!"},        // packet id 0
      {"d0ffffffff01", "!"},    // five length bytes
      {"40ffffff7f", "!"},      // oversize
  };
  for (const auto& c : cases) {
    const std::string bytes = Bytes(c.hex);
    EXPECT_EQ(Decoded(bytes, bytes.size()), c.told) << c.hex;
    EXPECT_EQ(Decoded(bytes, 1), c.told) << c.hex;
  }
}

}  // namespace
