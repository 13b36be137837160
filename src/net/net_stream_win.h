#pragma once
// A TCP connection for a thread of its own that may wait, as the alert
// channels have: every step is bounded by a time-out and ends at once when
// the owner's stop event is set, and the bytes may go through TLS, from the
// start or after a STARTTLS exchange.

#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/scoped_handle_win.h"
#include "net/tls_config.h"
#include "net/tls_session.h"

enum class StreamWait { kData, kTimeout, kWoken, kClosed, kFailed };

class NetStream {
 public:
  // `stop`, a manual-reset event, ends every wait once set; it must outlive
  // the stream.
  explicit NetStream(HANDLE stop);
  ~NetStream();
  NetStream(const NetStream&) = delete;
  NetStream& operator=(const NetStream&) = delete;

  // Closes any connection, looks the host up and connects within timeoutMs.
  bool Connect(const std::string& host, uint16_t port, int timeoutMs, std::string& error);
  // Runs a TLS handshake over the open connection; the server's certificate
  // must chain to one `config` trusts and name `host`. `config` must
  // outlive the connection.
  bool StartTls(const TlsConfig& config, const std::string& host, int timeoutMs, std::string& error);
  bool Send(std::string_view bytes, int timeoutMs, std::string& error);
  // Appends what arrived (plaintext under TLS) to `into`. Waits at most
  // timeoutMs for something, or until `wake` (an auto-reset event) is set.
  StreamWait Receive(std::string& into, int timeoutMs, std::string& error, HANDLE wake = nullptr);
  // Receives until `into` holds `terminator` or the time is up.
  bool ReceiveUntil(std::string& into, std::string_view terminator, int timeoutMs, std::string& error);
  void Close();
  bool IsOpen() const { return socket_.Get() != INVALID_SOCKET; }

 private:
  // Waits for the socket's events, the stop or the wake event.
  StreamWait WaitEvents(long wanted, int timeoutMs, HANDLE wake, std::string& error);
  bool SendRaw(const uint8_t* data, size_t size, int timeoutMs, std::string& error);
  bool FlushTls(int timeoutMs, std::string& error);

  HANDLE stop_;
  bool winsock_ = false;
  ScopedSocket socket_;
  ScopedKernelHandle event_;
  bool readable_ = false;  // a read event came and has not been read out
  bool closed_ = false;    // the peer closed
  std::unique_ptr<TlsSession> tls_;
  // What came with the end of the handshake: a server that speaks first
  // (SMTP over TLS) may send it in the same packet.
  std::string early_;
};

// A client that trusts the computer's own root certificates and those in
// the PEM file `extraPemPath` (none when empty). Null, with the reason in
// `error`, when the file cannot be read or nothing is trusted.
std::unique_ptr<TlsConfig> MakeClientTlsConfig(const std::string& extraPemPath, std::string& error);
