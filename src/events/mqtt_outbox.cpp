#include "events/mqtt_outbox.h"

#include <algorithm>

MqttOutbox::MqttOutbox(size_t capacity, size_t bytes)
    : capacity_(std::max<size_t>(capacity, 1)), byteCapacity_(bytes) {}

void MqttOutbox::DropOldest() {
  if (messages_.front().sent) --inFlight_;
  bytes_ -= messages_.front().message.payload.size();
  messages_.pop_front();
  ++dropped_;
}

void MqttOutbox::Add(MqttPublish message, int camera) {
  while (!messages_.empty() && (messages_.size() == capacity_ || bytes_ + message.payload.size() > byteCapacity_))
    DropOldest();
  bytes_ += message.payload.size();
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
    bytes_ -= next->message.payload.size();
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

void MqttOutbox::Acknowledge(uint16_t packetId) {
  const auto acked = std::find_if(messages_.begin(), messages_.end(), [&](const Entry& e) {
    return e.sent && e.message.qos > 0 && e.message.packetId == packetId;
  });
  if (acked == messages_.end()) return;
  bytes_ -= acked->message.payload.size();
  messages_.erase(acked);
  --inFlight_;
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
