#include "web/web_client_soc_win.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {
// One send() call offers at most this much; the socket takes what fits.
constexpr size_t kStreamSendBytes = 256 * 1024;
}  // namespace

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
  if (viewer_ && viewer_->HeldBytes() > 0 && nowMs - lastProgressMs_ >= timeoutMs_) Finish();
}

void WebClientSoc::OnReceive(int) {
  char chunk[kReceiveChunkBytes + 1];
  while (request_.size() < kMaxRequestBytes) {
    std::memset(chunk, 0, sizeof chunk);
    int received = recv(socket_.Get(), chunk, static_cast<int>(kReceiveChunkBytes), 0);
    if (received < 1) break;
    AppendRequestText(request_, chunk, static_cast<size_t>(received));
    // A short read emptied the socket; asking again would only hear so (a
    // round trip to the wineserver under Wine). Bytes that come later bring
    // a new FD_READ.
    if (received < static_cast<int>(kReceiveChunkBytes)) break;
  }
  // One response per connection: what arrives after it is read and dropped.
  if (answered_ || finished_ || !host_) return;

  WebRequestContext context = host_->RequestContext(peerAddress_);
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
      if (response.bytes.size() > static_cast<size_t>(INT32_MAX)) {
        Finish();
        break;
      }
      Send(response.bytes.data(), static_cast<int>(response.bytes.size()));
      break;
    case WebRequestOutcome::Stream:
      answered_ = true;
      if (!host_->StartStream(*this, response.streamCamera)) {
        std::vector<unsigned char> refused = TooManyStreamsResponse();
        Send(refused.data(), static_cast<int>(refused.size()));
      }
      break;
    case WebRequestOutcome::Close:
      Finish();
      break;
  }
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

void WebClientSoc::OnWritable(int error) {
  if (viewer_) {
    PumpStream(GetTickCount64());
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
