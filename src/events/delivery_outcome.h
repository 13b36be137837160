#pragma once
// What became of one attempt to deliver an alert, as a channel's protocol
// part judges it; the channel's thread acts on it.

#include <cstdint>
#include <string>

enum class DeliveryOutcome {
  kDelivered,
  kRetry,  // the peer or the way to it may recover: try again later
  kDrop,   // the peer refused this alert for good: retrying would not help
};

struct DeliveryResult {
  DeliveryOutcome outcome = DeliveryOutcome::kDelivered;
  std::string error;         // why, for a report, when not delivered
  int64_t retryAfterMs = 0;  // the least wait the peer asked for, if any
};
