#pragma once
// One TLS connection over bytes the caller carries: what comes from the peer
// goes in through Receive, what must go to it comes out of TakeOutgoing.
// Nothing here touches a socket, so it fits any event loop and is tested
// with both ends in memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mbedtls/ssl.h"

class TlsConfig;

enum class TlsState { kHandshaking, kOpen, kClosed, kFailed };

class TlsSession {
 public:
  // `config` must outlive the session. A client names the host it expects
  // in the server's certificate.
  explicit TlsSession(const TlsConfig& config, const char* serverName = nullptr);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Takes what the peer sent (nothing, to start a client's handshake),
  // advances the handshake and appends any plaintext that arrived to `plain`.
  TlsState Receive(const uint8_t* data, size_t size, std::string& plain);
  // Encrypts `size` bytes for the peer; false once the session is not open.
  bool Send(const uint8_t* data, size_t size);
  // Tells the peer that nothing more follows.
  void Close();
  // The bytes to send to the peer, handed out once.
  std::vector<uint8_t> TakeOutgoing();
  bool HasOutgoing() const { return !outgoing_.empty(); }
  TlsState State() const { return state_; }
  // Why the session failed, in mbedTLS's words.
  const std::string& FailureText() const { return failure_; }

 private:
  static int Push(void* self, const unsigned char* data, size_t size);
  static int Pull(void* self, unsigned char* data, size_t size);
  // Runs the handshake, then reads what plaintext the bytes held complete.
  void Advance(std::string& plain);
  void Fail(int code);

  mbedtls_ssl_context ssl_;
  std::vector<uint8_t> incoming_;
  size_t incomingRead_ = 0;
  std::vector<uint8_t> outgoing_;
  TlsState state_ = TlsState::kHandshaking;
  std::string failure_;
};
