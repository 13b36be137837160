#include "events/mqtt_packet.h"

namespace {

constexpr size_t kMaxFieldLength = 65535;

void AppendUint16(std::string& out, size_t value) {
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
  out.push_back(static_cast<char>(value & 0xFF));
}

void AppendField(std::string& out, std::string_view text) {
  AppendUint16(out, text.size());
  out.append(text);
}

// The fixed header before `body`: the type and flags byte, then the
// remaining length, seven bits a byte, least significant first.
std::string Packet(uint8_t first, std::string_view body) {
  if (body.size() > kMqttMaxRemainingLength) return {};
  std::string out(1, static_cast<char>(first));
  size_t length = body.size();
  do {
    uint8_t digit = length % 128;
    length /= 128;
    if (length > 0) digit |= 0x80;
    out.push_back(static_cast<char>(digit));
  } while (length > 0);
  out.append(body);
  return out;
}

bool FitsField(std::string_view text) {
  return text.size() <= kMaxFieldLength;
}

}  // namespace

std::string EncodeMqttConnect(const MqttConnect& connect) {
  const bool withUser = !connect.user.empty();
  if (!FitsField(connect.clientId) || !FitsField(connect.user) || !FitsField(connect.password)) return {};
  if (connect.will && (!FitsField(connect.will->topic) || !FitsField(connect.will->message))) return {};
  uint8_t flags = connect.cleanSession ? 0x02 : 0;
  if (connect.will) {
    flags |= 0x04 | static_cast<uint8_t>((connect.will->qos & 3) << 3);
    if (connect.will->retain) flags |= 0x20;
  }
  if (withUser) flags |= 0x80 | (connect.password.empty() ? 0 : 0x40);
  std::string body;
  AppendField(body, "MQTT");
  body.push_back(4);  // protocol level 3.1.1
  body.push_back(static_cast<char>(flags));
  AppendUint16(body, connect.keepAliveSeconds);
  AppendField(body, connect.clientId);
  if (connect.will) {
    AppendField(body, connect.will->topic);
    AppendField(body, connect.will->message);
  }
  if (withUser) {
    AppendField(body, connect.user);
    if (!connect.password.empty()) AppendField(body, connect.password);
  }
  return Packet(0x10, body);
}

std::string EncodeMqttPublish(const MqttPublish& publish) {
  if (publish.topic.empty() || !FitsField(publish.topic)) return {};
  if (publish.qos == 1 && publish.packetId == 0) return {};
  uint8_t first = 0x30 | static_cast<uint8_t>((publish.qos & 3) << 1);
  if (publish.retain) first |= 0x01;
  if (publish.dup && publish.qos > 0) first |= 0x08;
  std::string body;
  AppendField(body, publish.topic);
  if (publish.qos > 0) AppendUint16(body, publish.packetId);
  body.append(publish.payload);
  return Packet(first, body);
}

std::string EncodeMqttPuback(uint16_t packetId) {
  std::string body;
  AppendUint16(body, packetId);
  return Packet(0x40, body);
}

std::string EncodeMqttPingreq() {
  return Packet(0xC0, {});
}

std::string EncodeMqttDisconnect() {
  return Packet(0xE0, {});
}

std::string MqttConnackText(uint8_t returnCode) {
  switch (returnCode) {
    case 0:
      return "accepted";
    case 1:
      return "the broker does not speak MQTT 3.1.1";
    case 2:
      return "the broker refused the client identifier";
    case 3:
      return "the broker is unavailable";
    case 4:
      return "the broker refused the user name or password";
    case 5:
      return "the broker refused this client";
    default:
      return "the broker refused the connection (" + std::to_string(returnCode) + ")";
  }
}

MqttDecodeResult MqttDecoder::Fail(std::string why) {
  error_ = std::move(why);
  buffer_.clear();
  return MqttDecodeResult::kMalformed;
}

void MqttDecoder::Reset() {
  buffer_.clear();
  error_.clear();
}

MqttDecodeResult MqttDecoder::Next(MqttIncoming& packet) {
  if (!error_.empty()) return MqttDecodeResult::kMalformed;
  if (buffer_.size() < 2) return MqttDecodeResult::kNeedMore;
  size_t length = 0;
  size_t header = 1;
  for (int shift = 0;; shift += 7) {
    if (header == 5) return Fail("a packet length longer than four bytes");
    if (header >= buffer_.size()) return MqttDecodeResult::kNeedMore;
    const uint8_t digit = static_cast<uint8_t>(buffer_[header++]);
    length |= static_cast<size_t>(digit & 0x7F) << shift;
    if (!(digit & 0x80)) break;
  }
  const uint8_t first = static_cast<uint8_t>(buffer_[0]);
  const uint8_t type = first >> 4;
  size_t expected = 0;
  if (type == static_cast<uint8_t>(MqttPacketType::kConnack) || type == static_cast<uint8_t>(MqttPacketType::kPuback)) {
    expected = 2;
  } else if (type != static_cast<uint8_t>(MqttPacketType::kPingresp)) {
    return Fail("an unexpected packet of type " + std::to_string(type));
  }
  if ((first & 0x0F) != 0 || length != expected)
    return Fail("a malformed packet of type " + std::to_string(type) + " (" + std::to_string(length) + " bytes)");
  if (buffer_.size() < header + length) return MqttDecodeResult::kNeedMore;
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(buffer_[header + i]); };
  packet = MqttIncoming{};
  packet.type = static_cast<MqttPacketType>(type);
  if (packet.type == MqttPacketType::kConnack) {
    if (byte(0) > 1 || byte(1) > 5) return Fail("a malformed connection answer");
    packet.returnCode = byte(1);
  } else if (packet.type == MqttPacketType::kPuback) {
    packet.packetId = static_cast<uint16_t>(byte(0) << 8 | byte(1));
    if (packet.packetId == 0) return Fail("an acknowledgement of packet 0");
  }
  buffer_.erase(0, header + length);
  return MqttDecodeResult::kPacket;
}
