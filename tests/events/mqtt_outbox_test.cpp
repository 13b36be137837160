#include "events/mqtt_outbox.h"

#include <gtest/gtest.h>

namespace {

std::string Packet(const std::string& payload, int qos, bool dup, uint16_t id) {
  return EncodeMqttPublish({"t", payload, qos, qos > 0, dup, id});
}

TEST(MqttOutbox, OnlyUnacknowledgedGoAgainFirstAsDuplicates) {
  MqttOutbox outbox;
  for (const char* payload : {"a", "b", "c"}) outbox.Add({"t", payload, 1, true, false, 0}, 2);
  outbox.Add({"t", "z", 0, false, false, 0}, 3);
  EXPECT_EQ(outbox.TakeNext(), Packet("a", 1, false, 1));
  EXPECT_EQ(outbox.TakeNext(), Packet("b", 1, false, 2));
  outbox.Acknowledge(1);
  outbox.Acknowledge(1);
  outbox.Reconnected();
  for (const std::string& expected : {Packet("b", 1, true, 2), Packet("c", 1, false, 3), Packet("z", 0, false, 0)})
    EXPECT_EQ(outbox.TakeNext(), expected);
  EXPECT_EQ(outbox.TakeNext(), "");
  EXPECT_EQ(outbox.OldestCamera(), 2);
}

TEST(MqttOutbox, BoundedInBytesInCountAndInFlight) {
  MqttOutbox bytes(10, 8);
  for (const char* payload : {"aaa", "bbb", "ccc", "dddddddddd"}) bytes.Add({"t", payload, 0, false, false, 0}, 1);
  EXPECT_EQ(bytes.Dropped(), 3u);
  EXPECT_EQ(bytes.TakeNext(), Packet("dddddddddd", 0, false, 0));

  MqttOutbox outbox(kMqttInFlightLimit + 2);
  for (uint16_t i = 1; i <= kMqttInFlightLimit + 4; ++i) outbox.Add({"t", std::to_string(i), 1, true, false, 0}, 1);
  EXPECT_EQ(outbox.Dropped(), 2u);
  size_t taken = 0;
  while (!outbox.TakeNext().empty()) ++taken;
  EXPECT_EQ(taken, kMqttInFlightLimit);
  outbox.Acknowledge(3);
  const uint16_t last = kMqttInFlightLimit + 3;
  EXPECT_EQ(outbox.TakeNext(), Packet(std::to_string(last), 1, false, last));
}

}  // namespace
