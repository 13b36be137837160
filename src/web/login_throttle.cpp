#include "web/login_throttle.h"

#include <iterator>

bool LoginThrottle::IsBlocked(uint32_t address, uint64_t nowMs) {
  auto found = records_.find(address);
  if (found == records_.end()) return false;
  if (found->second.blockedUntilMs == 0) return false;
  if (nowMs < found->second.blockedUntilMs) return true;
  records_.erase(found);  // the minute is over: a fresh start
  return false;
}

void LoginThrottle::RecordFailure(uint32_t address, uint64_t nowMs) {
  auto found = records_.find(address);
  if (found == records_.end()) {
    if (records_.size() >= kMaxThrottledAddresses) MakeRoom(nowMs);
    found = records_.emplace(address, Record{nowMs, 0, 0}).first;
  }
  Record& record = found->second;
  if (record.blockedUntilMs != 0) return;
  if (nowMs - record.firstFailureMs >= kLoginWindowMs) record = Record{nowMs, 0, 0};
  if (++record.failures >= kMaxLoginFailures) record.blockedUntilMs = nowMs + kLoginWindowMs;
}

bool LoginThrottle::Stale(const Record& record, uint64_t nowMs) const {
  if (record.blockedUntilMs != 0) return nowMs >= record.blockedUntilMs;
  return nowMs - record.firstFailureMs >= kLoginWindowMs;
}

void LoginThrottle::MakeRoom(uint64_t nowMs) {
  // One pass that frees much room, so a flood of addresses costs a scan per
  // thousands of failures, not per failure: stale records go, and if that is
  // not enough, every count short of a block. Blocked addresses stay.
  for (auto it = records_.begin(); it != records_.end();) {
    it = Stale(it->second, nowMs) ? records_.erase(it) : std::next(it);
  }
  if (records_.size() < kMaxThrottledAddresses) return;
  for (auto it = records_.begin(); it != records_.end();) {
    it = it->second.blockedUntilMs == 0 ? records_.erase(it) : std::next(it);
  }
}
