#pragma once
// What an object's hooks were called with, in order, to compare whole
// sequences rather than single calls.

#include <windows.h>

#include <string>
#include <vector>

struct Call {
  std::string hook;
  UINT msg = 0;
  bool operator==(const Call&) const = default;
};

inline std::string Describe(const std::vector<Call>& calls) {
  std::string text;
  for (const Call& call : calls) text += call.hook + "(" + std::to_string(call.msg) + ") ";
  return text;
}

// Only the calls for the given messages (and the hooks without one).
inline std::vector<Call> Only(const std::vector<Call>& calls, std::vector<UINT> messages) {
  std::vector<Call> kept;
  for (const Call& call : calls)
    for (UINT msg : messages)
      if (call.msg == msg) kept.push_back(call);
  return kept;
}
