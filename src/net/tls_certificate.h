#pragma once
// A server's own certificate, made when it has none: ECDSA P-256, signed by
// itself, valid for ten years, for the computer's name, localhost and the
// computer's IPv4 addresses.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

struct TlsIdentityPem {
  std::string certificate;
  std::string key;
};

// `names` are host names (the first is also the certificate's subject),
// `addresses` IPv4 addresses in host order. Empty when the names do not fit
// a certificate or no randomness is to be had.
std::optional<TlsIdentityPem> MakeSelfSignedIdentity(const std::vector<std::string>& names,
                                                     const std::vector<uint32_t>& addresses, std::time_t now);
