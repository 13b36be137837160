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
  const std::string x125(125, 'x'), x16381(16381, 'x'), x2097149(2097149, 'x');
  const struct {
    std::string packet, expected;
  } cases[] = {
      {EncodeMqttConnect(bare), Bytes("100d 00044d515454 04 02 003c 000163")},
      {EncodeMqttConnect(full), Bytes("101e 00044d515454 04 ec 012c 000163 0003742f61 00036f6666 000175 00027077")},
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

// The packets decoded from `bytes`, each as its type and its return code
// or id, then "!" for a malformed stream. The fuzz target checks that bytes
// in pieces give the same.
std::string Decoded(const std::string& bytes) {
  MqttDecoder decoder;
  decoder.Feed(bytes);
  std::string told;
  MqttIncoming p;
  MqttDecodeResult result;
  while ((result = decoder.Next(p)) == MqttDecodeResult::kPacket)
    told += std::to_string(static_cast<int>(p.type)) + "." + std::to_string(p.returnCode + p.packetId) + " ";
  return result == MqttDecodeResult::kMalformed ? told + "!" : told;
}

TEST(MqttDecoder, BrokerAnswers) {
  const struct {
    const char *hex, *told;
  } cases[] = {
      {"20020104 4002beef d000", "2.4 4.48879 13.0 "},
      {"20020000 2002", "2.0 "},
      {"d000 30020000", "13.0 !"},  // not an answer to a publisher
      {"20030000 00", "!"},         // wrong length
      {"21020000", "!"},            // reserved flags
      {"20020200", "!"},            // reserved acknowledge flags
      {"20020006", "!"},            // unknown return code
      {"40020000", "!"},            // packet id 0
      {"d0ffffffff01", "!"},        // five length bytes
      {"40ffffff7f", "!"},          // oversize
  };
  for (const auto& c : cases) EXPECT_EQ(Decoded(Bytes(c.hex)), c.told) << c.hex;
}

}  // namespace
