#pragma once
// MQTT 3.1.1 as a client that only publishes speaks it: the packets it
// sends, and a decoder of what a broker answers, fed the bytes as they
// arrive. The decoder reads untrusted bytes: anything out of the protocol
// ends the connection instead of being guessed at.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct MqttWill {
  std::string topic;
  std::string message;
  int qos = 0;
  bool retain = false;
};

struct MqttConnect {
  std::string clientId;
  bool cleanSession = true;
  uint16_t keepAliveSeconds = 60;
  std::string user;      // "" sends none
  std::string password;  // only with a user
  std::optional<MqttWill> will;
};

struct MqttPublish {
  std::string topic;
  std::string payload;
  int qos = 0;  // 0 or 1
  bool retain = false;
  bool dup = false;       // a QoS 1 message sent again after a reconnect
  uint16_t packetId = 0;  // QoS 1 only, never 0
};

// The largest packet the encoder writes: the protocol's own limit.
inline constexpr size_t kMqttMaxRemainingLength = 268435455;

// "" when a text is longer than a field holds or the packet than the
// protocol allows.
std::string EncodeMqttConnect(const MqttConnect& connect);
std::string EncodeMqttPublish(const MqttPublish& publish);
std::string EncodeMqttPuback(uint16_t packetId);
std::string EncodeMqttPingreq();
std::string EncodeMqttDisconnect();

enum class MqttPacketType : uint8_t { kConnack = 2, kPuback = 4, kPingresp = 13 };

struct MqttIncoming {
  MqttPacketType type = MqttPacketType::kPingresp;
  uint8_t returnCode = 0;  // CONNACK: 0 accepted
  uint16_t packetId = 0;   // PUBACK
};

// Why a broker refused a connection, from its CONNACK return code.
std::string MqttConnackText(uint8_t returnCode);

enum class MqttDecodeResult { kPacket, kNeedMore, kMalformed };

class MqttDecoder {
 public:
  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole packet, if one has arrived. After kMalformed the stream
  // is lost: the connection must be closed, and Reset before the next.
  MqttDecodeResult Next(MqttIncoming& packet);
  // What was wrong, after kMalformed.
  const std::string& Error() const { return error_; }
  void Reset();

 private:
  MqttDecodeResult Fail(std::string why);

  std::string buffer_;
  std::string error_;
};
