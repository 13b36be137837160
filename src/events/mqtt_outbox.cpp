#include "events/mqtt_outbox.h"

#include <algorithm>

MqttOutbox::MqttOutbox(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

void MqttOutbox::Add(MqttPublish message, int camera) {
  if (messages_.size() == capacity_) {
    if (messages_.front().sent) --inFlight_;
    messages_.pop_front();
    ++dropped_;
  }
  if (message.qos > 0) {
    if (++lastId_ == 0) lastId_ = 1;
    message.packetId = lastId_;
  }
  messages_.push_back(Entry{std::move(message), camera, false});
}

std::string MqttOutbox::TakeNext() {
  const auto next = std::find_if(messages_.begin(), messages_.end(), [](const Entry& e) { return !e.sent; });
  if (next == messages_.end()) return {};
  if (next->message.qos > 0 && inFlight_ >= kMqttInFlightLimit) return {};
  std::string packet = EncodeMqttPublish(next->message);
  if (next->message.qos == 0 || packet.empty()) {
    messages_.erase(next);
    // A message no packet can carry is dropped, not retried for ever.
    if (packet.empty()) {
      ++dropped_;
      return TakeNext();
    }
    return packet;
  }
  next->sent = true;
  ++inFlight_;
  return packet;
}

bool MqttOutbox::Acknowledge(uint16_t packetId) {
  const auto acked = std::find_if(messages_.begin(), messages_.end(), [&](const Entry& e) {
    return e.sent && e.message.qos > 0 && e.message.packetId == packetId;
  });
  if (acked == messages_.end()) return false;
  messages_.erase(acked);
  --inFlight_;
  return true;
}

void MqttOutbox::Reconnected() {
  for (Entry& entry : messages_) {
    if (!entry.sent) continue;
    entry.sent = false;
    entry.message.dup = true;
  }
  inFlight_ = 0;
}

int MqttOutbox::OldestCamera() const {
  return messages_.empty() ? 0 : messages_.front().camera;
}
