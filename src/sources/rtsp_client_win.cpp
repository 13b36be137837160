#include "sources/rtsp_client_win.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>

#include "common/steady_time.h"
#include "common/version.h"
#include "sources/tcp_probe_win.h"

namespace {

constexpr size_t kReadSize = 64 * 1024;
constexpr int64_t kWaitSliceMs = 100;

RtspSession::Options SessionOptions() {
  std::random_device random;
  char cnonce[17];
  std::snprintf(cnonce, sizeof cnonce, "%08x%08x", random(), random());
  return {"Vorrandale/" VR_VERSION_TEXT, cnonce};
}

// Waits until the socket may be read (or written), at most waitMs.
void Wait(SOCKET socket, bool writing, int64_t waitMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait{0, static_cast<long>(waitMs * 1000)};
  select(0, writing ? nullptr : &set, writing ? &set : nullptr, nullptr, &wait);
}

}  // namespace

RtspClient::RtspClient(std::string_view url, std::function<bool()> interrupted)
    : session_(url, SessionOptions()), interrupted_(std::move(interrupted)) {
  if (session_.CurrentState() == RtspSession::State::kFailed) end_ = End::kSession;
}

RtspClient::~RtspClient() {
  if (!socket_) return;
  session_.Stop();
  // One try: a camera that cannot take it now ends the session by its timeout.
  if (std::optional<std::string> request = session_.TakeRequest(SteadyMs()))
    send(socket_.Get(), request->data(), static_cast<int>(request->size()), 0);
}

bool RtspClient::Finish(End end) {
  end_ = end;
  return false;
}

bool RtspClient::Start() {
  if (end_ != End::kNone) return false;
  const RtspUrl& url = session_.Url();
  switch (ConnectTcp(url.host.c_str(), url.port, interrupted_, socket_)) {
    case TcpProbe::kUnresolved:
      return Finish(End::kUnresolved);
    case TcpProbe::kRefused:
      return Finish(End::kRefused);
    case TcpProbe::kInterrupted:
      return Finish(End::kInterrupted);
    case TcpProbe::kAnswers:
      break;
  }
  while (session_.CurrentState() == RtspSession::State::kConnecting)
    if (!Exchange()) return false;
  return session_.CurrentState() == RtspSession::State::kPlaying || Finish(End::kSession);
}

bool RtspClient::Read(AccessUnit& unit) {
  while (!session_.TakeAccessUnit(unit)) {
    if (end_ != End::kNone || !Exchange()) return false;
  }
  return true;
}

bool RtspClient::Exchange() {
  // Asked before every read: a camera that never pauses must not keep the
  // thread from stopping.
  if (interrupted_()) return Finish(End::kInterrupted);
  const int64_t now = SteadyMs();
  session_.Tick(now);
  if (std::optional<std::string> request = session_.TakeRequest(now); request && !Send(*request)) return false;
  // A read that did not fill the space most likely emptied the socket: wait
  // for more before the next. Each wait and each read is a request to Wine's
  // server.
  if (drained_) {
    int64_t wait = kWaitSliceMs;
    if (session_.CurrentState() == RtspSession::State::kPlaying)
      wait = std::max<int64_t>(std::min(wait, session_.KeepAliveDueMs() - now), 0);
    Wait(socket_.Get(), false, wait);
  }
  const int got =
      recv(socket_.Get(), reinterpret_cast<char*>(session_.ReceiveSpace(kReadSize)), static_cast<int>(kReadSize), 0);
  drained_ = got < static_cast<int>(kReadSize);
  if (got > 0) {
    answered_ = true;
    session_.Commit(static_cast<size_t>(got));
    session_.Process();
    return session_.CurrentState() != RtspSession::State::kFailed || Finish(End::kSession);
  }
  return (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) || Finish(End::kClosed);
}

bool RtspClient::Send(const std::string& request) {
  size_t sent = 0;
  while (sent < request.size()) {
    const int done = send(socket_.Get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
    if (done > 0) {
      sent += static_cast<size_t>(done);
      continue;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) return Finish(End::kClosed);
    if (interrupted_()) return Finish(End::kInterrupted);
    Wait(socket_.Get(), true, kWaitSliceMs);
  }
  return true;
}
