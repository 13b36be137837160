// Arbitrary bytes from a broker: the decoder must never crash and must
// answer the same whether they come whole or in pieces.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "events/mqtt_packet.h"

static std::string Decoded(std::string_view bytes, size_t piece) {
  MqttDecoder decoder;
  std::string told;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    decoder.Feed(bytes.substr(at, piece));
    MqttIncoming p;
    MqttDecodeResult result;
    while ((result = decoder.Next(p)) == MqttDecodeResult::kPacket)
      told += std::to_string(static_cast<int>(p.type)) + "." + std::to_string(p.returnCode + p.packetId) + " ";
    if (result == MqttDecodeResult::kMalformed) return told + "!";
  }
  return told;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (Decoded(bytes, 1 + data[0] % 7) != Decoded(bytes, size)) std::abort();
  return 0;
}
