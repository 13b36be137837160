#include "sources/ip_cam_dlg_win.h"

#include <cstring>

#include "common/fixed_text.h"
#include "engine/cell_text.h"
#include "framework/window_icon_win.h"
#include "sources/beside_placement.h"
#include "sources/camera_request.h"

namespace {

constexpr int kUrlReadLength = 259;  // at most 258 characters and the NUL

}  // namespace

IPCamDlg::IPCamDlg(Options options) : options_(options), http_(options, *this) {}

IPCamDlg::~IPCamDlg() {
  DropConnection();
  if (dialog_) {
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
  http_.SetPollInterval(intervalMs);
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
  EnableInputs(false);
  http_.SetPollInterval(pollInterval_);
  http_.Start(url, streamMode_ != 0);
}

void IPCamDlg::Disconnect() {
  running_ = 0;
  DropConnection();
  if (dialog_) KillTimer(dialog_, ipcam::kFrameTimer);
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
    ShowBothStatuses();
  else if (mainNews)
    SetStatus(mainStatus_.c_str());
  std::vector<SharedPacket> packets;
  rtsp_->TakePackets(packets);
  for (const SharedPacket& packet : packets)
    if (packetListener_) packetListener_(packet);
  if (!rtsp_ || !PictureReader()->TakePicture(picture_)) return;
  SendToTarget(picture_);
  if (IsWindowVisible(dialog_)) preview_.SetPicture(picture_);
  SetTimer(dialog_, ipcam::kFrameTimer, static_cast<UINT>(pace_.Delivered(SteadyMs(), pollInterval_)), nullptr);
}

void IPCamDlg::DropConnection() {
  rtsp_.reset();
  secondRtsp_.reset();
  mainStatus_.clear();
  secondStatus_.clear();
  pace_.Reset();
  http_.Stop();
}

void IPCamDlg::ShowBothStatuses() {
  char text[kTextSize];
  FormatText(text, sizeof text, "%s | Live and motion: %s", mainStatus_.c_str(), secondStatus_.c_str());
  SetStatus(text);
}

void IPCamDlg::ShowPicture(const Picture& picture) {
  SendToTarget(picture);
  preview_.SetPicture(picture);
}

void IPCamDlg::ClearPicture() {
  preview_.SetPicture(nullptr, PictureInfo{});
}

void IPCamDlg::SendToTarget(const Picture& picture) {
  if (targetWindow_)
    SendMessageA(targetWindow_, targetMessage_, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
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

void IPCamDlg::SetStatus(const char* text) {
  if (statusControl_) SetWindowTextA(statusControl_, text);
  if (statusListener_) statusListener_(text);
}

INT_PTR IPCamDlg::FilterMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_TIMER && wParam == ipcam::kFrameTimer) {
    KillTimer(dialog_, ipcam::kFrameTimer);
    if (rtsp_) PictureReader()->RequestPicture();
  }
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
