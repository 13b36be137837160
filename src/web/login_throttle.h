#pragma once
// Slows login guessing: an address that fails the login kMaxLoginFailures
// times within kLoginWindowMs is refused without a check for the next
// kLoginWindowMs. Bounded memory however many addresses try.

#include <cstddef>
#include <cstdint>
#include <unordered_map>

inline constexpr int kMaxLoginFailures = 10;
inline constexpr uint64_t kLoginWindowMs = 60000;
// Addresses remembered at most; beyond it counts short of a block give way.
inline constexpr size_t kMaxThrottledAddresses = 4096;

class LoginThrottle {
 public:
  // True while `address` is refused without a check.
  bool IsBlocked(uint32_t address, uint64_t nowMs);
  // A request from `address` carried credentials that did not match.
  void RecordFailure(uint32_t address, uint64_t nowMs);

 private:
  struct Record {
    uint64_t firstFailureMs = 0;  // start of the current counting window
    int failures = 0;
    uint64_t blockedUntilMs = 0;  // 0 when not blocked
  };
  bool Stale(const Record& record, uint64_t nowMs) const;
  void MakeRoom(uint64_t nowMs);

  std::unordered_map<uint32_t, Record> records_;
};
