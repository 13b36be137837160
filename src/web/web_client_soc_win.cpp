#include "web/web_client_soc_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {
// One send() call offers at most this much; the socket takes what fits.
constexpr size_t kStreamSendBytes = 256 * 1024;
// A stream's part is encrypted this much at a time, so what waits for the
// socket stays small.
constexpr size_t kTlsStreamBytes = 64 * 1024;

// The address `socket` was reached at, as text; empty when unknown.
std::string LocalAddressText(SOCKET socket) {
  sockaddr_in local{};
  int size = sizeof local;
  char text[INET_ADDRSTRLEN] = {};
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0 ||
      !inet_ntop(AF_INET, &local.sin_addr, text, sizeof text))
    return {};
  return text;
}
}  // namespace

void WebClientSoc::UseTls(std::shared_ptr<TlsConfig> config) {
  tlsConfig_ = std::move(config);
  tls_ = std::make_unique<TlsSession>(*tlsConfig_);
}

void WebClientSoc::Bind(WebClientHost* host, uint32_t number, uint64_t nowMs) {
  host_ = host;
  number_ = number;
  acceptedAtMs_ = nowMs;
}

void WebClientSoc::CheckDeadlines(uint64_t nowMs) {
  if (finished_) return;
  if (!answered_ && nowMs - acceptedAtMs_ >= timeoutMs_) {
    Finish();
    return;
  }
  const bool held = (viewer_ && viewer_->HeldBytes() > 0) || tlsPendingSent_ < tlsPending_.size();
  if (viewer_ && held && nowMs - lastProgressMs_ >= timeoutMs_) Finish();
}

bool WebClientSoc::ReadRequest() {
  char chunk[kReceiveChunkBytes + 1];
  std::string plain;
  while (request_.size() < kMaxRequestBytes) {
    std::memset(chunk, 0, sizeof chunk);
    int received = recv(socket_.Get(), chunk, static_cast<int>(kReceiveChunkBytes), 0);
    if (received < 1) break;
    if (tls_) {
      plain.clear();
      tls_->Receive(reinterpret_cast<const uint8_t*>(chunk), static_cast<size_t>(received), plain);
      AppendRequestText(request_, plain.data(), plain.size());
    } else {
      AppendRequestText(request_, chunk, static_cast<size_t>(received));
    }
    // A short read emptied the socket; asking again would only hear so (a
    // round trip to the wineserver under Wine). Bytes that come later bring
    // a new FD_READ.
    if (received < static_cast<int>(kReceiveChunkBytes)) break;
  }
  if (!tls_) return true;
  // A failed handshake's alert goes out if the socket takes it at once.
  const bool flushed = FlushTls();
  const TlsState state = tls_->State();
  return flushed && state != TlsState::kFailed && (state != TlsState::kClosed || answered_);
}

bool WebClientSoc::FlushTls() {
  if (tlsPendingSent_ == tlsPending_.size()) {
    tlsPending_ = tls_->TakeOutgoing();
    tlsPendingSent_ = 0;
  } else if (tls_->HasOutgoing()) {
    const std::vector<uint8_t> more = tls_->TakeOutgoing();
    tlsPending_.insert(tlsPending_.end(), more.begin(), more.end());
  }
  while (tlsPendingSent_ < tlsPending_.size()) {
    const int offered = static_cast<int>(std::min(tlsPending_.size() - tlsPendingSent_, kStreamSendBytes));
    const int sent =
        send(socket_.Get(), reinterpret_cast<const char*>(tlsPending_.data() + tlsPendingSent_), offered, 0);
    if (sent == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK;
    if (sent <= 0) return true;
    tlsPendingSent_ += static_cast<size_t>(sent);
  }
  return true;
}

void WebClientSoc::OnReceive(int) {
  if (!ReadRequest()) {
    Finish();
    return;
  }
  // One response per connection: what arrives after it is read and dropped.
  if (answered_ || finished_ || !host_) return;
  if (tls_ && tls_->State() != TlsState::kOpen) return;

  WebRequestContext context = host_->RequestContext(peerAddress_);
  if (context.httpsRedirectPort != 0) context.connectedHost = LocalAddressText(socket_.Get());
  WebResponse response = ProcessWebRequest(request_, context);
  if (response.loginFailed) host_->LoginFailed(peerAddress_);
  Respond(response);
}

void WebClientSoc::Respond(const WebResponse& response) {
  switch (response.outcome) {
    case WebRequestOutcome::Incomplete:
      break;
    case WebRequestOutcome::Respond:
      answered_ = true;
      // The socket window counts in 32-bit lengths; a response beyond that
      // (a file of gigabytes) cannot go out whole, so none goes out.
      if (response.bytes.size() > static_cast<size_t>(INT32_MAX) / 2) {
        Finish();
        break;
      }
      SendResponse(response.bytes.data(), response.bytes.size());
      break;
    case WebRequestOutcome::Stream:
      answered_ = true;
      if (!host_->StartStream(*this, response.streamCamera)) {
        std::vector<unsigned char> refused = TooManyStreamsResponse();
        SendResponse(refused.data(), refused.size());
      }
      break;
    case WebRequestOutcome::Close:
      Finish();
      break;
  }
}

void WebClientSoc::SendResponse(const unsigned char* bytes, size_t size) {
  if (!tls_) {
    Send(bytes, static_cast<int>(size));
    return;
  }
  tls_->Send(bytes, size);
  tls_->Close();
  // Whatever of the handshake has not gone out yet goes first.
  std::vector<uint8_t> wire(tlsPending_.begin() + static_cast<std::ptrdiff_t>(tlsPendingSent_), tlsPending_.end());
  const std::vector<uint8_t> encrypted = tls_->TakeOutgoing();
  wire.insert(wire.end(), encrypted.begin(), encrypted.end());
  tlsPending_.clear();
  tlsPendingSent_ = 0;
  Send(wire.data(), static_cast<int>(wire.size()));
}

void WebClientSoc::BeginStream(int camera, SharedStreamPart newest, uint64_t nowMs) {
  streamCamera_ = camera;
  // A new viewer gets the picture of the moment at once, then each new one.
  viewer_.emplace(newest ? newest->number - 1 : 0);
  lastProgressMs_ = nowMs;
  PumpStream(nowMs);
}

void WebClientSoc::PumpStream(uint64_t nowMs) {
  if (!viewer_ || finished_ || !socket_) return;
  if (tls_) {
    PumpTlsStream(nowMs);
    return;
  }
  SharedStreamPart newest = host_->NewestPart(streamCamera_);
  for (auto bytes = viewer_->Pending(newest); !bytes.empty(); bytes = viewer_->Pending(newest)) {
    const int offered = static_cast<int>(std::min(bytes.size(), kStreamSendBytes));
    const int sent = send(socket_.Get(), reinterpret_cast<const char*>(bytes.data()), offered, 0);
    if (sent == SOCKET_ERROR) {
      // Full: FD_WRITE resumes. Anything else: the peer is gone.
      if (WSAGetLastError() != WSAEWOULDBLOCK) Finish();
      return;
    }
    if (sent <= 0) return;
    viewer_->Sent(static_cast<size_t>(sent));
    lastProgressMs_ = nowMs;
  }
}

void WebClientSoc::PumpTlsStream(uint64_t nowMs) {
  SharedStreamPart newest = host_->NewestPart(streamCamera_);
  for (;;) {
    const size_t before = tlsPendingSent_;
    if (!FlushTls()) {
      Finish();
      return;
    }
    if (tlsPendingSent_ != before) lastProgressMs_ = nowMs;
    // Full: FD_WRITE resumes.
    if (tlsPendingSent_ < tlsPending_.size()) return;
    auto bytes = viewer_->Pending(newest);
    if (bytes.empty()) return;
    const size_t taken = std::min(bytes.size(), kTlsStreamBytes);
    if (!tls_->Send(bytes.data(), taken)) {
      Finish();
      return;
    }
    viewer_->Sent(taken);
  }
}

void WebClientSoc::OnWritable(int error) {
  if (viewer_) {
    PumpStream(GetTickCount64());
    return;
  }
  if (tls_ && tlsPendingSent_ < tlsPending_.size() && !FlushTls()) {
    Finish();
    return;
  }
  AsyncSocWnd::OnWritable(error);
}

void WebClientSoc::OnSendComplete() {
  Finish();
}

void WebClientSoc::OnTimeout() {
  Finish();
}

void WebClientSoc::OnClose(int) {
  Finish();
}

void WebClientSoc::Finish() {
  // Once: a second notice could name a window already serving another
  // connection.
  if (finished_) return;
  finished_ = true;
  Close();
  if (host_) PostMessageA(host_->Window(), WM_WEBCLIENT_CLOSED, reinterpret_cast<WPARAM>(Handle()), number_);
}
