#include "net/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Index in the alphabet, or -1 for a character that ends the decoding.
int AlphabetIndex(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

void EncodeInto(std::string_view bytes, char* out) {
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned b0 = static_cast<unsigned char>(bytes[i]);
    unsigned b1 = static_cast<unsigned char>(bytes[i + 1]);
    unsigned b2 = static_cast<unsigned char>(bytes[i + 2]);
    *out++ = kAlphabet[b0 >> 2];
    *out++ = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
    *out++ = kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)];
    *out++ = kAlphabet[b2 & 0x3F];
  }
  size_t rest = bytes.size() - i;
  if (rest == 0) return;
  unsigned b0 = static_cast<unsigned char>(bytes[i]);
  unsigned b1 = rest == 2 ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
  *out++ = kAlphabet[b0 >> 2];
  *out++ = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
  *out++ = rest == 2 ? kAlphabet[(b1 & 0x0F) << 2] : '=';
  *out++ = '=';
}

size_t EncodedLength(size_t byteCount) {
  return (byteCount + 2) / 3 * 4;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string text(EncodedLength(bytes.size()), '\0');
  EncodeInto(bytes, text.data());
  return text;
}

bool Base64EncodeCredentials(std::string_view userName, std::string_view password,
                             char (&output)[kCredentialTextCapacity]) {
  std::string joined;
  joined.reserve(userName.size() + 1 + password.size());
  joined.append(userName).append(1, ':').append(password);
  if (EncodedLength(joined.size()) > kCredentialTextCapacity - 1) return false;
  size_t length = EncodedLength(joined.size());
  EncodeInto(joined, output);
  output[length] = '\0';
  return true;
}

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 2);
  int group[4] = {0, 0, 0, 0};
  int count = 0;
  auto flush = [&](int produce) {
    unsigned char out[3] = {static_cast<unsigned char>((group[0] << 2) + ((group[1] & 0x30) >> 4)),
                            static_cast<unsigned char>(((group[1] & 0x0F) << 4) + ((group[2] & 0x3C) >> 2)),
                            static_cast<unsigned char>(((group[2] & 0x03) << 6) + group[3])};
    bytes.append(reinterpret_cast<const char*>(out), static_cast<size_t>(produce));
  };
  for (char c : text) {
    int index = AlphabetIndex(static_cast<unsigned char>(c));
    if (index < 0) break;  // '=' lands here too
    group[count++] = index;
    if (count == 4) {
      flush(3);
      count = 0;
    }
  }
  if (count > 1) {
    for (int k = count; k < 4; ++k) group[k] = 0;
    flush(count - 1);
  }
  return bytes;
}
