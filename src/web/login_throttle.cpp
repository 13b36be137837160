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
  for (auto it = records_.begin(); it != records_.end();) {
    it = Stale(it->second, nowMs) ? records_.erase(it) : std::next(it);
  }
  if (records_.size() < kMaxThrottledAddresses) return;
  // Every record is live: drop the one counting the fewest failures, so a
  // blocked address is the last to be forgotten.
  auto weakest = records_.begin();
  for (auto it = records_.begin(); it != records_.end(); ++it) {
    bool blocked = it->second.blockedUntilMs != 0, weakestBlocked = weakest->second.blockedUntilMs != 0;
    if (blocked != weakestBlocked ? !blocked : it->second.failures < weakest->second.failures) weakest = it;
  }
  records_.erase(weakest);
}
