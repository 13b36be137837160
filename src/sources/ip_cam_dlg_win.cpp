#include "sources/ip_cam_dlg_win.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/picture_limit.h"
#include "engine/cell_text.h"
#include "engine/latency_win.h"
#include "framework/window_icon_win.h"
#include "net/async_soc_wnd_win.h"
#include "sources/beside_placement.h"
#include "sources/camera_request.h"

namespace {

constexpr int kUrlReadLength = 259;             // at most 258 characters and the NUL
constexpr int kMostReadsPerNotification = 256;  // 1 MiB

int64_t SteadyMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return now.QuadPart / (frequency.QuadPart / 1000 > 0 ? frequency.QuadPart / 1000 : 1);
}

}  // namespace

IPCamDlg::WinsockSession::WinsockSession() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

IPCamDlg::WinsockSession::~WinsockSession() {
  WSACleanup();
}

IPCamDlg::IPCamDlg(Options options) : options_(options), recvBuffer_(options.receiveLimit, options.reallocate) {}

IPCamDlg::~IPCamDlg() {
  DropConnection();
  if (dialog_) {
    KillTimer(dialog_, ipcam::kRetryTimer);
    KillTimer(dialog_, ipcam::kFrameTimer);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}

void IPCamDlg::SetSource(const char* url, bool mjpegStream) {
  streamMode_ = mjpegStream ? 1 : 0;
  if (!dialog_) return;
  CheckRadioButton(dialog_, ipcam::kJpegImage, ipcam::kMjpegStream,
                   mjpegStream ? ipcam::kMjpegStream : ipcam::kJpegImage);
  SetDlgItemTextA(dialog_, ipcam::kUrl, url ? url : "");
  ShowUrlLabel(mjpegStream);
  EnableModeButtons();
}

void IPCamDlg::SetSecondSource(const char* url) {
  const bool changed = std::strcmp(secondUrl_, url ? url : "") != 0;
  CopyText(secondUrl_, url ? url : "");
  if (dialog_) SetDlgItemTextA(dialog_, ipcam::kSecondUrl, secondUrl_);
  // The address may come after the camera connected (at start-up it does).
  if (changed && rtsp_) Connect();
}

void IPCamDlg::GetSecondSource(char (&url)[kTextSize]) {
  if (dialog_ && GetDlgItemTextA(dialog_, ipcam::kSecondUrl, secondUrl_, kUrlReadLength) == 0) secondUrl_[0] = '\0';
  CopyText(url, secondUrl_);
}

void IPCamDlg::SetCameraNumber(int number) {
  cameraNumber_ = number;
  if (dialog_) SetWindowTextA(dialog_, CameraTitle(number, ipcam::kTitle).c_str());
}

void IPCamDlg::ShowUrlLabel(bool mjpegStream) {
  char url[kTextSize] = {};
  ReadUrl(url);
  SetDlgItemTextA(dialog_, ipcam::kUrlLabel,
                  IsRtspUrl(url) ? "Camera's url for rtsp stream..."
                  : mjpegStream  ? "Camera's url for mjpeg stream..."
                                 : "Camera's url for jpeg image...");
}

void IPCamDlg::ReadUrl(char (&url)[kTextSize]) const {
  if (dialog_ && GetDlgItemTextA(dialog_, ipcam::kUrl, url, kUrlReadLength) == 0) url[0] = '\0';
}

void IPCamDlg::Configure(HWND window, UINT message, int32_t intervalMs, bool running) {
  if (intervalMs == 0) return;
  targetWindow_ = window;
  targetMessage_ = message;
  pollInterval_ = intervalMs;
  if (rtsp_) PictureReader()->SetPictureInterval(intervalMs);
  // A change of the wanted state restarts the client; this call never stops it.
  if ((running_ != 0) != running) {
    Disconnect();
    Connect();
  }
}

void IPCamDlg::GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpegStream) {
  if (dialog_) {
    ReadUrl(url);
    streamMode_ = IsDlgButtonChecked(dialog_, ipcam::kMjpegStream) == BST_CHECKED ? 1 : 0;
  }
  running = running_;
  mjpegStream = streamMode_;
}

void IPCamDlg::Show(bool show) {
  if (!dialog_) return;
  // An RTSP camera's pictures reach the preview only while it is seen.
  if (show && rtsp_) preview_.SetPicture(picture_);
  if (show) PlaceBesideForeground();
  ShowWindow(dialog_, show ? SW_SHOW : SW_HIDE);
  SetForegroundWindow(dialog_);
}

void IPCamDlg::PlaceBesideForeground() {
  HWND from = GetForegroundWindow();
  RECT anchor{}, own{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!from || from == dialog_ || !GetWindowRect(from, &anchor) || !GetWindowRect(dialog_, &own) ||
      !GetMonitorInfoA(MonitorFromWindow(from, MONITOR_DEFAULTTOPRIMARY), &monitor))
    return;
  const RECT& work = monitor.rcWork;
  int x = 0, y = 0;
  PlaceBeside({anchor.left, anchor.top, anchor.right, anchor.bottom}, own.right - own.left, own.bottom - own.top,
              {work.left, work.top, work.right, work.bottom}, x, y);
  SetWindowPos(dialog_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void IPCamDlg::GetStatus(char (&text)[kTextSize]) {
  text[0] = '\0';
  if (statusControl_) GetWindowTextA(statusControl_, text, static_cast<int>(kTextSize));
}

void IPCamDlg::Connect() {
  running_ = 1;
  DropConnection();
  char url[kTextSize] = {};
  ReadUrl(url);
  if (IsRtspUrl(url)) {
    ConnectRtsp(url);
    return;
  }
  SetTimer(dialog_, ipcam::kDataTimer, options_.dataTimeoutMs, nullptr);
  lastDataMs_ = SteadyMs();
  stopwatch_.Start(PerformanceCounter());
  EnableInputs(false);

  socket_.Reset(options_.createSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) {
    SetStatus("Socket creation failed");
    return;
  }
  if (options_.asyncSelect(socket_.Get(), dialog_, WM_SOCKET_EVENT, kConnectEvents) != 0) {
    SetStatus("WSAAsyncSelect failed");
    return;
  }
  if (!BuildRequest()) {
    SetStatus("URL appears to be invalid");
    return;
  }
  hostent* host = gethostbyname(hostName_);
  if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) {
    SetStatus("Unable to resolve host name");
    return;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port_));
  std::memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
  // Non-blocking: completion, or failure through the data timeout, comes later.
  connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  SetStatus("Trying to connect...");
}

void IPCamDlg::Disconnect() {
  running_ = 0;
  DropConnection();
  if (dialog_) {
    KillTimer(dialog_, ipcam::kRetryTimer);
    KillTimer(dialog_, ipcam::kFrameTimer);
  }
  EnableInputs(true);
  SetStatus("Disconnected");
}

void IPCamDlg::ConnectRtsp(const char* url) {
  EnableInputs(false);
  if (!dialog_) return;
  RtspReader::Options options;
  options.stallTimeoutMs = static_cast<int32_t>(options_.dataTimeoutMs);
  options.retryDelayMs = static_cast<int32_t>(options_.retryDelayMs);
  char second[kTextSize] = {};
  GetSecondSource(second);
  // With a second stream the main one is only recorded, never decoded.
  if (second[0]) {
    secondRtsp_ = std::make_unique<RtspReader>(second, dialog_, ipcam::kRtspEvent, options);
    options.decode = false;
  }
  rtsp_ = std::make_unique<RtspReader>(url, dialog_, ipcam::kRtspEvent, options);
  rtsp_->WantPackets(static_cast<bool>(packetListener_));
  PictureReader()->SetPictureInterval(pollInterval_);
}

void IPCamDlg::SetPacketListener(PacketListener listener) {
  packetListener_ = std::move(listener);
  if (rtsp_) rtsp_->WantPackets(static_cast<bool>(packetListener_));
}

void IPCamDlg::OnRtspEvent() {
  if (!rtsp_) return;  // posted before the reader went
  const bool mainNews = rtsp_->TakeStatus(mainStatus_);
  const bool secondNews = secondRtsp_ && secondRtsp_->TakeStatus(secondStatus_);
  if (secondRtsp_ && (mainNews || secondNews))
    SetStatus("%s | Live and motion: %s", mainStatus_.c_str(), secondStatus_.c_str());
  else if (mainNews)
    SetStatus("%s", mainStatus_.c_str());
  std::vector<SharedPacket> packets;
  rtsp_->TakePackets(packets);
  for (const SharedPacket& packet : packets)
    if (packetListener_) packetListener_(packet);
  if (!rtsp_ || !PictureReader()->TakePicture(picture_)) return;
  SendToTarget();
  if (IsWindowVisible(dialog_)) preview_.SetPicture(picture_);
  SetTimer(dialog_, ipcam::kFrameTimer, static_cast<UINT>(pace_.Delivered(SteadyMs(), pollInterval_)), nullptr);
}

bool IPCamDlg::BuildRequest() {
  char url[kTextSize] = {};
  ReadUrl(url);
  CameraRequest built;
  if (!::BuildRequest(TextView(url), built)) return false;
  request_ = std::move(built.request);
  CopyText(hostName_, TextView(built.hostName));
  port_ = built.port;
  return true;
}

void IPCamDlg::SendRequest() {
  if (!socket_ || request_.empty()) return;
  send(socket_.Get(), request_.data(), static_cast<int>(request_.size()), 0);
}

void IPCamDlg::ReadData() {
  if (!socket_) return;
  // The data timer is not restarted here, once per notification: it looks
  // at this time when it fires.
  lastDataMs_ = SteadyMs();
  if (!recvBuffer_.Prepare()) {
    DropConnection();
    SetStatus("Memory Expansion Failed");
    return;
  }
  // Everything the socket holds, but bounded: a flood must not starve the
  // thread's other messages; what is left brings another notification.
  for (int reads = 0; reads < kMostReadsPerNotification; ++reads) {
    int received =
        recv(socket_.Get(), reinterpret_cast<char*>(recvBuffer_.ReadSpace()), static_cast<int>(kReceiveChunk), 0);
    if (received <= 0) break;
    // Once per notification: nobody sees the texts in between, and each
    // costs a round trip to the window server.
    if (reads == 0) SetStatus("Downloading... %lu", static_cast<unsigned long>(recvBuffer_.Length()));
    switch (recvBuffer_.Commit(static_cast<size_t>(received))) {
      case ReceiveBuffer::Room::kLimitReached:
        DropConnection();
        SetStatus("25meg Memory Buffer Limit Reached!");
        SetTimer(dialog_, ipcam::kRetryTimer, options_.retryDelayMs, nullptr);
        return;
      case ReceiveBuffer::Room::kExpansionFailed:
        DropConnection();
        SetStatus("Memory Expansion Failed");
        return;
      case ReceiveBuffer::Room::kReady:
        break;
    }
    if (streamMode_) HoldNewestFrames();
    // A short read emptied the socket: asking again would only cost a
    // round trip to learn so. Bytes that arrive later bring a notification.
    if (static_cast<size_t>(received) < kReceiveChunk) break;
  }
  if (streamMode_ && frameDue_) DeliverHeldFrame();
}

void IPCamDlg::ParseSnapshot() {
  std::string refusal;
  SnapshotResult result = DecodeSnapshot(recvBuffer_.Data(), recvBuffer_.Length(), picture_, &refusal);
  if (result == SnapshotResult::kTooLarge) {
    ClearPreview();
    SetStatus("%s, retry in 5sec", refusal.c_str());
    SetTimer(dialog_, ipcam::kRetryTimer, options_.retryDelayMs, nullptr);
    return;
  }
  if (result == SnapshotResult::kNoValidData) {
    ClearPreview();
    SetStatus("No valid data returned, retry in 5sec");
    SetTimer(dialog_, ipcam::kRetryTimer, options_.retryDelayMs, nullptr);
    return;
  }
  if (result == SnapshotResult::kNotJpeg) {
    ClearPreview();
    SetStatus("Data not a valid Jpeg Image, retry in 5sec");
    SetTimer(dialog_, ipcam::kRetryTimer, options_.retryDelayMs, nullptr);
    return;
  }
  Deliver();
  SetStatus("Received Jpeg Image, download time: %dms", stopwatch_.Stop(PerformanceCounter()));
  SetTimer(dialog_, ipcam::kRetryTimer, NextWait(), nullptr);
}

void IPCamDlg::HoldNewestFrames() {
  ReceiveBuffer::Frame frame{};
  while (recvBuffer_.FindFrame(frame)) {
    const uint8_t* data = recvBuffer_.Data() + frame.start;
    heldFrame_.assign(data, data + frame.length);
    recvBuffer_.Consume(frame.start + frame.length);
  }
}

bool IPCamDlg::DeliverHeldFrame() {
  if (heldFrame_.empty()) return false;
  const std::string refusal = JpegSizeRefusal(heldFrame_.data(), heldFrame_.size());
  const bool decoded = refusal.empty() &&
                       DecodeJpeg(heldFrame_.data(), heldFrame_.size(), picture_, JpegDamage::kRefuse) &&
                       picture_.HasPixels();
  heldFrame_.clear();
  if (decoded) {
    frameDue_ = false;
    Deliver();
    SetStatus("Received Jpeg Image, download time: %dms", stopwatch_.Stop(PerformanceCounter()));
    SetTimer(dialog_, ipcam::kFrameTimer, static_cast<UINT>(pace_.Delivered(SteadyMs(), pollInterval_)), nullptr);
  } else {
    // Still due: the next complete frame goes out as soon as it is read.
    picture_.pixels.clear();
    picture_.pictureInfo = {};
    ClearPreview();
    if (refusal.empty())
      SetStatus("Data not a valid Jpeg Image, retrying...");
    else
      SetStatus("%s, retrying...", refusal.c_str());
  }
  return true;
}

void IPCamDlg::OnServerClose() {
  if (!streamMode_) {
    // Bytes that arrived with the close are part of the picture.
    ReadData();
    if (!socket_) return;  // stopped by the buffer cap
    ParseSnapshot();
  }
  DropConnection();
  if (streamMode_ && running_) {
    lastDataMs_ = SteadyMs() - options_.dataTimeoutMs;  // timed out already
    SetTimer(dialog_, ipcam::kDataTimer, 1, nullptr);
  }
}

void IPCamDlg::DropConnection() {
  rtsp_.reset();
  secondRtsp_.reset();
  mainStatus_.clear();
  secondStatus_.clear();
  if (dialog_) KillTimer(dialog_, ipcam::kDataTimer);
  recvBuffer_.Clear();
  heldFrame_.clear();
  frameDue_ = true;
  pace_.Reset();
  if (socket_) {
    WSAAsyncSelect(socket_.Get(), dialog_, 0, 0);
    socket_.Reset();
  }
}

void IPCamDlg::Deliver() {
  SendToTarget();
  preview_.SetPicture(picture_);
}

void IPCamDlg::SendToTarget() {
  if (targetWindow_)
    SendMessageA(targetWindow_, targetMessage_, reinterpret_cast<WPARAM>(picture_.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture_.pictureInfo));
}

void IPCamDlg::ClearPreview() {
  preview_.SetPicture(nullptr, PictureInfo{});
}

UINT IPCamDlg::NextWait() {
  int64_t wait = static_cast<int64_t>(pollInterval_) - stopwatch_.Stop(PerformanceCounter());
  return wait < 1 ? 1u : static_cast<UINT>(wait);
}

void IPCamDlg::EnableInputs(bool enable) {
  if (!dialog_) return;
  const HWND focus = GetFocus();
  for (int id : {ipcam::kConnectButton, ipcam::kUrl, ipcam::kSecondUrl})
    EnableWindow(GetDlgItem(dialog_, id), enable ? TRUE : FALSE);
  EnableModeButtons();
  // A control disabled under the focus leaves the dialog deaf to Escape
  // and Enter. The picture takes the focus instead: no button, so Enter
  // means OK there and both keys hide the dialog.
  if (focus && IsChild(dialog_, focus) && !IsWindowEnabled(focus)) SetFocus(GetDlgItem(dialog_, ipcam::kPreview));
}

void IPCamDlg::EnableModeButtons() {
  if (!dialog_) return;
  char url[kTextSize] = {};
  ReadUrl(url);
  const BOOL enable = IsWindowEnabled(GetDlgItem(dialog_, ipcam::kUrl)) && !IsRtspUrl(url);
  for (int id : {ipcam::kJpegImage, ipcam::kMjpegStream}) EnableWindow(GetDlgItem(dialog_, id), enable);
}

void IPCamDlg::SetStatus(const char* format, ...) {
  char text[kTextSize];
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (written < 0) text[0] = '\0';
  if (statusControl_) SetWindowTextA(statusControl_, text);
  if (statusListener_) statusListener_(text);
}

void IPCamDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case ipcam::kDataTimer: {
      const int64_t silent = SteadyMs() - lastDataMs_;
      if (silent < options_.dataTimeoutMs) {
        SetTimer(dialog_, ipcam::kDataTimer, static_cast<UINT>(options_.dataTimeoutMs - silent), nullptr);
        break;
      }
      KillTimer(dialog_, ipcam::kDataTimer);
      DropConnection();
      SetStatus("Timeout waiting for data, retry in 5sec");
      SetTimer(dialog_, ipcam::kRetryTimer, options_.retryDelayMs, nullptr);
      break;
    }
    case ipcam::kRetryTimer:
      KillTimer(dialog_, ipcam::kRetryTimer);
      Connect();
      break;
    case ipcam::kFrameTimer:
      KillTimer(dialog_, ipcam::kFrameTimer);
      if (rtsp_) {
        PictureReader()->RequestPicture();
        break;
      }
      stopwatch_.Start(PerformanceCounter());
      frameDue_ = true;
      DeliverHeldFrame();
      break;
    default:
      break;
  }
}

void IPCamDlg::OnSocketEvent(WPARAM socket, LPARAM event) {
  // Notifications still queued for a connection already dropped are stale.
  if (static_cast<SOCKET>(socket) != socket_.Get() || !socket_) return;
  switch (WSAGETSELECTEVENT(event)) {
    case FD_WRITE:
      SendRequest();
      break;
    case FD_CLOSE:
      OnServerClose();
      break;
    case FD_READ:
      ReadData();
      break;
    default:
      break;
  }
}

INT_PTR IPCamDlg::FilterMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) OnTimer(wParam);
  if (msg == WM_SOCKET_EVENT) OnSocketEvent(wParam, lParam);
  if (msg == ipcam::kRtspEvent) OnRtspEvent();
  return 0;
}

INT_PTR IPCamDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, ipcam::kIcon);
  CheckRadioButton(hwnd, ipcam::kJpegImage, ipcam::kMjpegStream, ipcam::kMjpegStream);
  ShowUrlLabel(true);
  SetWindowTextA(hwnd, CameraTitle(cameraNumber_, ipcam::kTitle).c_str());
  SetDlgItemTextA(hwnd, ipcam::kSecondUrl, secondUrl_);
  preview_.Attach(hwnd, ipcam::kPreview);
  // Found once: looking a control up asks the window server for the list
  // of the dialog's children, and the status changes with every picture.
  statusControl_ = GetDlgItem(hwnd, ipcam::kStatus);
  return 1;
}

INT_PTR IPCamDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == ipcam::kUrl && HIWORD(wParam) == EN_CHANGE) {
    ShowUrlLabel(IsDlgButtonChecked(hwnd, ipcam::kMjpegStream) == BST_CHECKED);
    EnableModeButtons();
  }
  if (HIWORD(wParam) != 0) return 1;
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      ShowWindow(hwnd, SW_HIDE);
      break;
    case ipcam::kConnectButton:
      Connect();
      break;
    case ipcam::kDisconnectButton:
      Disconnect();
      break;
    case ipcam::kJpegImage:
      streamMode_ = 0;
      ShowUrlLabel(false);
      break;
    case ipcam::kMjpegStream:
      streamMode_ = 1;
      ShowUrlLabel(true);
      break;
    default:
      break;
  }
  return 1;
}

INT_PTR IPCamDlg::OnClose() {
  if (dialog_) ShowWindow(dialog_, SW_HIDE);
  return 0;
}
