#pragma once
// The messages waiting for the broker, in order. QoS 1 messages stay until
// the broker acknowledges them: after a reconnect the unacknowledged ones
// go first again, marked as duplicates (MQTT's at-least-once promise), and
// nothing else is repeated. Bounded in count and in bytes (snapshots are
// large): beyond either cap the oldest go, counted.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "events/mqtt_packet.h"

inline constexpr size_t kMqttOutboxCapacity = 500;
inline constexpr size_t kMqttOutboxBytes = 64 << 20;
// QoS 1 messages sent and not yet acknowledged at any one time.
inline constexpr size_t kMqttInFlightLimit = 16;

class MqttOutbox {
 public:
  explicit MqttOutbox(size_t capacity = kMqttOutboxCapacity, size_t bytes = kMqttOutboxBytes);

  // `camera` is whose alert the message tells, for failure reports.
  void Add(MqttPublish message, int camera);
  // The next packet to send, "" when none may go now. A QoS 0 message is
  // gone once taken; a QoS 1 one waits for Acknowledge.
  std::string TakeNext();
  // An id no sent message has (one dropped meanwhile) is ignored.
  void Acknowledge(uint16_t packetId);
  // A new connection: what was sent and not acknowledged goes again.
  void Reconnected();

  bool Empty() const { return messages_.empty(); }
  // The camera of the oldest waiting message, 0 when none waits.
  int OldestCamera() const;
  // Messages dropped to make room, since the start.
  size_t Dropped() const { return dropped_; }

 private:
  struct Entry {
    MqttPublish message;
    int camera = 0;
    bool sent = false;
  };

  void DropOldest();

  std::deque<Entry> messages_;
  size_t capacity_;
  size_t byteCapacity_;
  size_t bytes_ = 0;  // of the payloads waiting
  size_t dropped_ = 0;
  size_t inFlight_ = 0;
  uint16_t lastId_ = 0;
};
