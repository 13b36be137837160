#pragma once
// One accepted web connection: reads one request and sends one response, or
// one live stream for as long as the peer stays, then tells its server that
// it is finished, which destroys it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/async_soc_wnd_win.h"
#include "net/tls_config.h"
#include "net/tls_session.h"
#include "web/live_stream.h"
#include "web/web_request.h"

// Posted to the server's window when a connection is finished; wParam is
// the connection's own window handle, lParam its number (windows are reused,
// numbers are not).
inline constexpr UINT WM_WEBCLIENT_CLOSED = WM_USER + 333;

class WebClientSoc;

// What a connection needs of its server.
class WebClientHost {
 public:
  virtual ~WebClientHost() = default;
  virtual HWND Window() const = 0;
  // The context for a request from `peer` (cameras, settings, files, and
  // whether the peer is refused the login unchecked).
  virtual WebRequestContext RequestContext(const sockaddr_in& peer) = 0;
  virtual void LoginFailed(const sockaddr_in& peer) = 0;
  // Makes `client` a viewer of camera `camera` (kGridStream for the grid);
  // false when no more streams may be opened.
  virtual bool StartStream(WebClientSoc& client, int camera) = 0;
  // The newest part of a stream's feed, null before its first picture.
  virtual SharedStreamPart NewestPart(int camera) const = 0;
};

class WebClientSoc : public AsyncSocWnd {
 public:
  explicit WebClientSoc(UINT timeoutMs = kSocketTimeoutMs) : AsyncSocWnd(timeoutMs) {}

  // Filled in by the server when it accepts the connection, at `nowMs`.
  void Bind(WebClientHost* host, uint32_t number, uint64_t nowMs);
  // The connection speaks TLS with `config`: before anything else.
  void UseTls(std::shared_ptr<TlsConfig> config);
  uint32_t Number() const { return number_; }
  sockaddr_in* PeerAddress() { return &peerAddress_; }
  // No whole request has come yet.
  bool AwaitsRequest() const { return !answered_ && !finished_; }

  // Called by the server's sweep: ends a connection whose request is not
  // complete within the timeout of its connection, however slowly it
  // trickles, and a stream whose part has made no progress for as long.
  void CheckDeadlines(uint64_t nowMs);

  // A stream of `camera` begins: the header, then each new part.
  void BeginStream(int camera, SharedStreamPart newest, uint64_t nowMs);
  bool IsStreaming() const { return viewer_.has_value(); }
  int StreamCamera() const { return streamCamera_; }
  const StreamViewer* Viewer() const { return viewer_ ? &*viewer_ : nullptr; }
  // Sends what the stream has for this viewer until the socket is full.
  void PumpStream(uint64_t nowMs);
  // Ends the connection as if the peer had gone (a stream whose camera went).
  void Finish();

  void OnReceive(int error) override;
  void OnSendComplete() override;
  void OnTimeout() override;
  void OnClose(int error) override;
  void OnWritable(int error) override;

 private:
  void Respond(const WebResponse& response);
  // Sends a whole response, encrypted on a TLS connection, then closes.
  void SendResponse(const unsigned char* bytes, size_t size);
  // Reads what the socket has, through TLS when it speaks it, into request_.
  // False when the connection must end.
  bool ReadRequest();
  // Sends what TLS has for the peer as far as the socket takes it; false
  // when the peer is gone.
  bool FlushTls();
  void PumpTlsStream(uint64_t nowMs);

  WebClientHost* host_ = nullptr;
  uint32_t number_ = 0;
  std::string request_;
  bool answered_ = false;
  bool finished_ = false;
  uint64_t acceptedAtMs_ = 0;
  std::optional<StreamViewer> viewer_;
  int streamCamera_ = 0;
  uint64_t lastProgressMs_ = 0;
  std::shared_ptr<TlsConfig> tlsConfig_;
  std::unique_ptr<TlsSession> tls_;
  std::vector<uint8_t> tlsPending_;
  size_t tlsPendingSent_ = 0;
};
