// Arbitrary bytes from a peer into a server's TLS session, in the pieces a
// socket might deliver them: it must never crash, never hold more than it
// may, and never hand out plaintext before a handshake completed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/tls_certificate.h"
#include "net/tls_config.h"
#include "net/tls_session.h"

namespace {

const TlsConfig& Server() {
  static const std::unique_ptr<TlsConfig> config = [] {
    const TlsIdentityPem identity = *MakeSelfSignedIdentity({"localhost"}, {0x7F000001}, 1'700'000'000);
    std::string error;
    return TlsConfig::Server(identity.certificate, identity.key, error);
  }();
  return *config;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TlsSession session(Server());
  std::string plain;
  // The first byte chooses the size of the pieces.
  const size_t piece = size ? 1 + data[0] * 64 : 1;
  for (size_t at = size ? 1 : 0; at < size; at += piece) {
    const size_t length = size - at < piece ? size - at : piece;
    const TlsState state = session.Receive(data + at, length, plain);
    if (state != TlsState::kOpen && !plain.empty()) std::abort();
    session.TakeOutgoing();
  }
  return 0;
}
