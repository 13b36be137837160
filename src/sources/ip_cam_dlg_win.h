#pragma once
// The IP camera dialog: the camera's address and mode, the latest picture
// and a status line. It lives on the camera worker's thread, normally
// hidden, and runs the HTTP client or, for an rtsp:// address, the RTSP
// readers; every decoded picture goes to the worker by a synchronous
// message.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/picture.h"
#include "engine/capture_source_win.h"
#include "framework/dialogs_win.h"
#include "framework/image_preview_win.h"
#include "sources/frame_pace.h"
#include "sources/http_camera_win.h"
#include "sources/rtsp_reader_win.h"

namespace ipcam {
inline constexpr int kTemplate = 104;
inline constexpr char kTitle[] = "IP Camera Setup";
inline constexpr int kIcon = 199;
inline constexpr int kPreview = 1021;
inline constexpr int kUrlLabel = 1022;
inline constexpr int kStatus = 1023;
inline constexpr int kUrl = 1041;
inline constexpr int kSecondUrl = 1042;
inline constexpr int kConnectButton = 1051;
inline constexpr int kDisconnectButton = 1052;
inline constexpr int kJpegImage = 1070;
inline constexpr int kMjpegStream = 1071;

inline constexpr UINT_PTR kFrameTimer = 12;  // the RTSP pictures' pace
// Posted by the RTSP reader: a status text or a picture waits.
inline constexpr UINT kRtspEvent = WM_APP + 1;
}  // namespace ipcam

class IPCamDlg : public ModelessDlg, public IpSource, private HttpCamera::Owner {
 public:
  // The RTSP readers take the times too.
  using Options = HttpCamera::Options;

  IPCamDlg() : IPCamDlg(Options{}) {}
  explicit IPCamDlg(Options options);
  ~IPCamDlg() override;

  void SetSource(const char* url, bool mjpegStream) override;
  void Configure(HWND window, UINT message, int32_t intervalMs, bool running) override;
  void GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpegStream) override;
  void SetSecondSource(const char* url) override;
  bool PicturesFromSecondStream() const override { return secondRtsp_ != nullptr; }
  void GetSecondSource(char (&url)[kTextSize]) override;
  void Show(bool show) override;
  void SetCameraNumber(int number) override;
  void SetStatusListener(StatusListener listener) override { statusListener_ = std::move(listener); }
  void GetStatus(char (&text)[kTextSize]) override;
  void SetPacketListener(PacketListener listener) override;

  void Connect();
  void Disconnect();

  size_t BufferedBytes() const { return http_.BufferedBytes(); }

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose() override;

 private:
  void ShowStatus(const char* text) override { SetStatus(text); }
  void ShowPicture(const Picture& picture) override;
  void ClearPicture() override;
  void Retry() override { Connect(); }

  // Beside the window it is opened from (the setup dialog), inside the screen.
  void PlaceBesideForeground();
  void DropConnection();
  void SendToTarget(const Picture& picture);
  void ConnectRtsp(const char* url);
  void OnRtspEvent();
  // The reader whose pictures are shown and delivered: the second stream's
  // when there is one.
  RtspReader* PictureReader() const { return secondRtsp_ ? secondRtsp_.get() : rtsp_.get(); }
  void ReadUrl(char (&url)[kTextSize]) const;
  // The mode buttons apply to HTTP URLs only.
  void EnableModeButtons();
  void EnableInputs(bool enable);
  // The label above the URL names what the chosen mode expects there.
  void ShowUrlLabel(bool mjpegStream);
  void SetStatus(const char* text);
  // The main and the second stream's texts in one line.
  void ShowBothStatuses();

  ImagePreview preview_;
  Options options_;
  HttpCamera http_;

  Picture picture_;  // an RTSP camera's latest
  int32_t pollInterval_ = 1000;
  HWND targetWindow_ = nullptr;
  UINT targetMessage_ = 0;
  int32_t running_ = 0;
  int32_t streamMode_ = 0;
  FramePace pace_;
  HWND statusControl_ = nullptr;
  int cameraNumber_ = 0;
  StatusListener statusListener_;
  std::unique_ptr<RtspReader> rtsp_;
  std::unique_ptr<RtspReader> secondRtsp_;  // only beside rtsp_
  std::string mainStatus_, secondStatus_;
  char secondUrl_[kTextSize] = {};  // until the dialog exists
  PacketListener packetListener_;
};
