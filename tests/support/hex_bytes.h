#pragma once
// Bytes written as hex in test tables; spaces are for reading only.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline std::vector<uint8_t> HexBytes(std::string_view hex) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : hex)
    if (c != ' ' && (digits += c).size() == 2)
      bytes.push_back(static_cast<uint8_t>(std::stoi(std::exchange(digits, ""), nullptr, 16)));
  return bytes;
}

inline std::string HexText(const void* data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const auto* b = static_cast<const uint8_t*>(data); size-- > 0; ++b)
    hex.append({kDigits[*b >> 4], kDigits[*b & 15]});
  return hex;
}
