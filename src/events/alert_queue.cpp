#include "events/alert_queue.h"

#include <algorithm>

#include "engine/frame_slot.h"

AlertQueue::AlertQueue(Wakeable* wake, size_t capacity) : wake_(wake), capacity_(std::max<size_t>(capacity, 1)) {}

void AlertQueue::Push(Alert alert) {
  std::lock_guard lock(mutex_);
  if (alerts_.size() == capacity_) {
    alerts_.pop_front();
    ++dropped_;
  }
  alerts_.push_back(std::move(alert));
  if (wake_) wake_->Wake();
}

std::optional<Alert> AlertQueue::Front() const {
  std::lock_guard lock(mutex_);
  if (alerts_.empty()) return std::nullopt;
  return alerts_.front();
}

void AlertQueue::Pop() {
  std::lock_guard lock(mutex_);
  if (!alerts_.empty()) alerts_.pop_front();
}

size_t AlertQueue::Size() const {
  std::lock_guard lock(mutex_);
  return alerts_.size();
}

size_t AlertQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

int64_t RetryDelayMs(int failures) {
  constexpr int64_t kFirst = 5000, kLongest = 600000;
  if (failures <= 1) return kFirst;
  return std::min(kFirst << std::min(failures - 1, 10), kLongest);
}
