#include "events/mqtt_outbox.h"

#include <gtest/gtest.h>

namespace {

MqttPublish Message(const std::string& payload, int qos) {
  return {"t", payload, qos, false, false, 0};
}

// What a packet says: its payload, and "+dup" when marked as sent again.
std::string Told(const std::string& packet) {
  if (packet.empty()) return "";
  const bool qos1 = packet[0] & 0x02;
  return packet.substr(2 + 3 + (qos1 ? 2 : 0)) + ((packet[0] & 0x08) ? "+dup" : "");
}

uint16_t PacketId(const std::string& packet) {
  return static_cast<uint16_t>(static_cast<uint8_t>(packet[5]) << 8 | static_cast<uint8_t>(packet[6]));
}

TEST(MqttOutbox, AcknowledgedGoOnceUnacknowledgedAgainAsDuplicatesInOrder) {
  MqttOutbox outbox;
  for (const char* payload : {"a", "b", "c"}) outbox.Add(Message(payload, 1), 2);
  outbox.Add(Message("z", 0), 3);
  const std::string a = outbox.TakeNext(), b = outbox.TakeNext();
  EXPECT_EQ(Told(a) + Told(b), "ab");
  EXPECT_NE(PacketId(a), PacketId(b));
  EXPECT_TRUE(outbox.Acknowledge(PacketId(a)));
  EXPECT_FALSE(outbox.Acknowledge(PacketId(a)));
  outbox.Reconnected();
  std::string told;
  for (std::string packet; !(packet = outbox.TakeNext()).empty();) told += Told(packet) + " ";
  EXPECT_EQ(told, "b+dup c z ");
  EXPECT_EQ(outbox.OldestCamera(), 2);
}

TEST(MqttOutbox, InFlightIsLimitedAndTheOldestDropBeyondTheCap) {
  MqttOutbox outbox(kMqttInFlightLimit + 2);
  for (size_t i = 0; i < kMqttInFlightLimit + 4; ++i) outbox.Add(Message(std::to_string(i), 1), 1);
  EXPECT_EQ(outbox.Dropped(), 2u);
  std::vector<uint16_t> ids;
  for (std::string packet; !(packet = outbox.TakeNext()).empty();) ids.push_back(PacketId(packet));
  ASSERT_EQ(ids.size(), kMqttInFlightLimit);
  EXPECT_TRUE(outbox.Acknowledge(ids[0]));
  EXPECT_EQ(Told(outbox.TakeNext()), std::to_string(kMqttInFlightLimit + 2));
  EXPECT_EQ(outbox.TakeNext(), "");
}

}  // namespace
