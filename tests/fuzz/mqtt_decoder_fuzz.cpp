// Arbitrary bytes from a broker, fed in pieces: the decoder must never
// crash, never hold more than the packet it waits for, and must answer the
// same whatever the pieces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "events/mqtt_packet.h"

namespace {

// The answers in order: 'C' with its code, 'A' with its id, 'P', then '!'
// for a malformed stream.
std::string Decode(const uint8_t* data, size_t size, size_t piece) {
  MqttDecoder decoder;
  std::string answers;
  for (size_t at = 0; at < size; at += piece) {
    decoder.Feed(std::string_view(reinterpret_cast<const char*>(data + at), std::min(piece, size - at)));
    MqttIncoming packet;
    MqttDecodeResult result;
    while ((result = decoder.Next(packet)) == MqttDecodeResult::kPacket) {
      if (packet.type == MqttPacketType::kConnack) answers += "C" + std::to_string(packet.returnCode);
      if (packet.type == MqttPacketType::kPuback) answers += "A" + std::to_string(packet.packetId);
      if (packet.type == MqttPacketType::kPingresp) answers += "P";
      if (packet.type == MqttPacketType::kPuback && packet.packetId == 0) std::abort();
    }
    if (result == MqttDecodeResult::kMalformed) return answers + "!";
  }
  return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 7;
  if (Decode(data + 1, size - 1, piece) != Decode(data + 1, size - 1, size)) std::abort();
  return 0;
}
