#include "sources/http_camera_win.h"

#include <ws2tcpip.h>

#include <cstdarg>
#include <cstdio>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/picture_limit.h"
#include "engine/latency_win.h"
#include "net/host_lookup_win.h"
#include "sources/camera_request.h"

namespace {

// Beside the socket window's own timer.
constexpr UINT_PTR kDataTimer = 1;
constexpr UINT_PTR kRetryTimer = 2;
constexpr UINT_PTR kFrameTimer = 3;
constexpr UINT kHostFound = WM_USER + 210;

// A flood must not starve the thread's other messages; what is left brings
// another notification.
constexpr size_t kMostBytesPerNotification = 1024 * 1024;

constexpr char kTimeout[] = "Timeout waiting for data, retry in 5sec";

}  // namespace

HttpCamera::HttpCamera(Options options, Owner& owner)
    : AsyncSocWnd(options.dataTimeoutMs),
      options_(options),
      owner_(owner),
      recvBuffer_(options.receiveLimit, options.reallocate) {}

HttpCamera::~HttpCamera() {
  // The window goes back to its kind for reuse: no timer of ours may stay.
  Stop();
}

void HttpCamera::Start(const char* url, bool stream) {
  DropConnection();
  stream_ = stream;
  StartTimer(kDataTimer, options_.dataTimeoutMs);
  lastDataMs_ = SteadyMs();
  stopwatch_.Start(PerformanceCounter());
  socket_.Reset(options_.createSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) {
    SetStatus("Socket creation failed");
    return;
  }
  if (options_.asyncSelect(socket_.Get(), window_, WM_SOCKET_EVENT, kConnectEvents) != 0) {
    SetStatus("WSAAsyncSelect failed");
    return;
  }
  CameraRequest built;
  if (!BuildRequest(url ? url : "", built)) {
    SetStatus("URL appears to be invalid");
    return;
  }
  request_ = std::move(built.request);
  port_ = built.port;
  in_addr numeric{};
  // An address needs no lookup: snapshot mode connects once per picture.
  if (inet_pton(AF_INET, built.hostName, &numeric) == 1) {
    lookup_ = 0;
    OnHostFound(0, static_cast<LPARAM>(numeric.s_addr));
    return;
  }
  lookup_ = LookUpHost(built.hostName, window_, kHostFound);
}

void HttpCamera::OnHostFound(WPARAM lookup, LPARAM address) {
  // The answer to a lookup of a connection dropped since is stale.
  if (lookup != lookup_ || !socket_) return;
  lookup_ = 0;
  if (address == kHostNotFound) {
    RetryLater("Unable to resolve host name");
    return;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port_);
  remote.sin_addr.s_addr = static_cast<u_long>(address);
  SetStatus("Trying to connect...");
  // Non-blocking: the outcome arrives as FD_CONNECT.
  if (connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK)
    RetryLater(kCannotConnect);
}

void HttpCamera::Stop() {
  DropConnection();
  KillTimer(window_, kRetryTimer);
  KillTimer(window_, kFrameTimer);
}

void HttpCamera::OnConnect(int error) {
  if (error != 0) RetryLater(kCannotConnect);
}

void HttpCamera::OnWritable(int error) {
  if (error == 0 && !requestSent_ && !request_.empty()) {
    requestSent_ = true;
    Send(request_.data(), static_cast<int>(request_.size()));
    return;
  }
  AsyncSocWnd::OnWritable(error);
}

void HttpCamera::OnReceive(int) {
  ReadData();
}

void HttpCamera::ReadData() {
  if (!socket_) return;
  // The data timer is not restarted here, once per notification: it looks
  // at this time when it fires.
  lastDataMs_ = SteadyMs();
  if (!recvBuffer_.Prepare()) {
    DropConnection();
    SetStatus("Memory Expansion Failed");
    return;
  }
  for (size_t total = 0; total < kMostBytesPerNotification;) {
    const size_t room = recvBuffer_.ReadRoom();
    const int received =
        recv(socket_.Get(), reinterpret_cast<char*>(recvBuffer_.ReadSpace()), static_cast<int>(room), 0);
    if (received <= 0) break;
    // Once per notification: nobody sees the texts in between, and each
    // costs a round trip to the window server.
    if (total == 0) SetStatus("Downloading... %lu", static_cast<unsigned long>(recvBuffer_.Length()));
    total += static_cast<size_t>(received);
    switch (recvBuffer_.Commit(static_cast<size_t>(received))) {
      case ReceiveBuffer::Room::kLimitReached:
        RetryLater("25meg Memory Buffer Limit Reached!");
        return;
      case ReceiveBuffer::Room::kExpansionFailed:
        DropConnection();
        SetStatus("Memory Expansion Failed");
        return;
      case ReceiveBuffer::Room::kReady:
        break;
    }
    if (stream_) HoldNewestFrames();
    // A short read emptied the socket: asking again would only cost a
    // round trip to learn so. Bytes that arrive later bring a notification.
    if (static_cast<size_t>(received) < room) break;
  }
  if (stream_ && frameDue_) DeliverHeldFrame();
}

void HttpCamera::ParseSnapshot() {
  std::string refusal;
  const SnapshotResult result = DecodeSnapshot(recvBuffer_.Data(), recvBuffer_.Length(), picture_, &refusal);
  if (result == SnapshotResult::kPicture) {
    Deliver();
    SetStatus("Received Jpeg Image, download time: %dms", stopwatch_.Stop(PerformanceCounter()));
    StartTimer(kRetryTimer, NextWait());
    return;
  }
  owner_.ClearPicture();
  if (result == SnapshotResult::kTooLarge)
    SetStatus("%s, retry in 5sec", refusal.c_str());
  else if (result == SnapshotResult::kNoValidData)
    SetStatus("No valid data returned, retry in 5sec");
  else
    SetStatus("Data not a valid Jpeg Image, retry in 5sec");
  StartTimer(kRetryTimer, options_.retryDelayMs);
}

void HttpCamera::HoldNewestFrames() {
  ReceiveBuffer::Frame frame{};
  while (recvBuffer_.FindFrame(frame)) {
    const uint8_t* data = recvBuffer_.Data() + frame.start;
    heldFrame_.assign(data, data + frame.length);
    recvBuffer_.Consume(frame.start + frame.length);
  }
}

void HttpCamera::DeliverHeldFrame() {
  if (heldFrame_.empty()) return;
  const std::string refusal = JpegSizeRefusal(heldFrame_.data(), heldFrame_.size());
  const bool decoded = refusal.empty() &&
                       DecodeJpeg(heldFrame_.data(), heldFrame_.size(), picture_, JpegDamage::kRefuse) &&
                       picture_.HasPixels();
  heldFrame_.clear();
  if (decoded) {
    frameDue_ = false;
    Deliver();
    SetStatus("Received Jpeg Image, download time: %dms", stopwatch_.Stop(PerformanceCounter()));
    StartTimer(kFrameTimer, pace_.Delivered(SteadyMs(), pollInterval_));
    return;
  }
  // Still due: the next complete frame goes out as soon as it is read.
  picture_.pixels.clear();
  picture_.pictureInfo = {};
  owner_.ClearPicture();
  if (refusal.empty())
    SetStatus("Data not a valid Jpeg Image, retrying...");
  else
    SetStatus("%s, retrying...", refusal.c_str());
}

void HttpCamera::OnClose(int) {
  if (!stream_) {
    // Bytes that arrived with the close are part of the picture.
    ReadData();
    if (!socket_) return;  // stopped by the buffer cap
    ParseSnapshot();
  }
  DropConnection();
  if (stream_) {
    lastDataMs_ = SteadyMs() - options_.dataTimeoutMs;  // timed out already
    StartTimer(kDataTimer, 1);
  }
}

void HttpCamera::OnTimeout() {
  // A request that the camera would not take: the socket is closed already.
  RetryLater(kTimeout);
}

void HttpCamera::DropConnection() {
  KillTimer(window_, kDataTimer);
  recvBuffer_.Clear();
  heldFrame_.clear();
  frameDue_ = true;
  pace_.Reset();
  lookup_ = 0;
  requestSent_ = false;
  Close();
}

void HttpCamera::RetryLater(const char* status) {
  DropConnection();
  SetStatus("%s", status);
  StartTimer(kRetryTimer, options_.retryDelayMs);
}

void HttpCamera::Deliver() {
  owner_.ShowPicture(picture_);
}

void HttpCamera::StartTimer(UINT_PTR id, int64_t ms) {
  SetTimer(window_, id, static_cast<UINT>(ms), nullptr);
}

UINT HttpCamera::NextWait() {
  const int64_t wait = static_cast<int64_t>(pollInterval_) - stopwatch_.Stop(PerformanceCounter());
  return wait < 1 ? 1u : static_cast<UINT>(wait);
}

void HttpCamera::SetStatus(const char* format, ...) {
  char text[kTextSize];
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (written < 0) text[0] = '\0';
  owner_.ShowStatus(text);
}

void HttpCamera::OnTimer(UINT_PTR id) {
  switch (id) {
    case kDataTimer: {
      const int64_t silent = SteadyMs() - lastDataMs_;
      if (silent < options_.dataTimeoutMs) {
        StartTimer(kDataTimer, options_.dataTimeoutMs - silent);
        break;
      }
      RetryLater(kTimeout);
      break;
    }
    case kRetryTimer:
      KillTimer(window_, kRetryTimer);
      owner_.Retry();
      break;
    case kFrameTimer:
      KillTimer(window_, kFrameTimer);
      stopwatch_.Start(PerformanceCounter());
      frameDue_ = true;
      DeliverHeldFrame();
      break;
    default:
      break;
  }
}

void HttpCamera::OnMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) OnTimer(wParam);
  if (msg == kHostFound) OnHostFound(wParam, lParam);
}
