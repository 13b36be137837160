#pragma once
// What waits for one alert channel, and how long the channel waits before it
// tries again. Bounded: a channel that cannot deliver for hours keeps the
// newest alerts and drops the oldest, so a camera never waits for it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "events/alert.h"

class Wakeable;

inline constexpr size_t kAlertQueueCapacity = 100;

class AlertQueue {
 public:
  // `wake`, when given, is woken after every Push; it must outlive the queue.
  explicit AlertQueue(Wakeable* wake = nullptr, size_t capacity = kAlertQueueCapacity);

  // From any thread, never waiting for the channel.
  void Push(Alert alert);
  // A copy of the oldest alert, which stays until Pop.
  std::optional<Alert> Front() const;
  void Pop();
  size_t Size() const;
  // Alerts dropped to make room, since the start.
  size_t Dropped() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Alert> alerts_;
  Wakeable* wake_;
  size_t capacity_;
  size_t dropped_ = 0;
};

// The wait after `failures` failed attempts in a row: 5 s after the first,
// doubling, at most 10 minutes.
int64_t RetryDelayMs(int failures);

// What a channel says of its deliveries. Given on the channel's own thread:
// the listener only takes a copy.
struct DeliveryReport {
  std::string channel;  // "Mail", "Web hook", "MQTT"
  int camera = 0;       // the alert's camera
  bool failed = false;  // false: delivered again after a failure
  std::string text;     // why, and when the next attempt is; never a password
};
using DeliveryListener = std::function<void(const DeliveryReport&)>;

// One way of telling: mail, a web hook, MQTT. Each delivers on a thread of
// its own.
class AlertChannel {
 public:
  virtual ~AlertChannel() = default;
  // Queues a copy; never blocks.
  virtual void Send(const Alert& alert) = 0;
};
