#pragma once
// The IP camera dialog and the HTTP/1.0 client inside it. The dialog lives
// on the camera worker's thread, normally hidden; its window receives the
// socket notifications and the client's timers, shows the latest picture
// and a status line, and hands every decoded picture to the worker by a
// synchronous message. Snapshot mode opens one connection per picture; stream
// mode reads one long response as fast as it comes, keeps only the newest
// complete JPEG picture, and decodes and delivers that one at the poll pace.

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/scoped_handle_win.h"
#include "engine/capture_source_win.h"
#include "engine/latency.h"
#include "framework/dialogs_win.h"
#include "framework/image_preview_win.h"
#include "sources/frame_pace.h"
#include "sources/receive_buffer.h"
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

inline constexpr UINT_PTR kDataTimer = 10;
inline constexpr UINT_PTR kRetryTimer = 11;
inline constexpr UINT_PTR kFrameTimer = 12;
// Posted by the RTSP reader: a status text or a picture waits.
inline constexpr UINT kRtspEvent = WM_APP + 1;
}  // namespace ipcam

class IPCamDlg : public ModelessDlg, public IpSource {
 public:
  // How long a connection (HTTP or RTSP) may stay silent, how long to wait after a
  // failure, the system calls that can fail for want of resources, and the
  // most a response may hold without a picture; tests shorten the times and
  // the limit and make the calls fail.
  struct Options {
    UINT dataTimeoutMs = 20000;
    UINT retryDelayMs = 5000;
    SOCKET(WSAAPI* createSocket)(int, int, int) = &::socket;
    int(WSAAPI* asyncSelect)(SOCKET, HWND, u_int, long) = &::WSAAsyncSelect;
    ReceiveBuffer::Reallocate reallocate = &std::realloc;
    size_t receiveLimit = kReceiveLimit;
  };

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

  size_t BufferedBytes() const { return recvBuffer_.Length(); }

  INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose() override;

 private:
  // Beside the window it is opened from (the setup dialog), inside the screen.
  void PlaceBesideForeground();
  struct WinsockSession {
    WinsockSession();
    ~WinsockSession();
  };

  bool BuildRequest();
  void SendRequest();
  void ReadData();
  void ParseSnapshot();
  // Keeps the newest complete frame of the buffer, dropping older ones.
  void HoldNewestFrames();
  // Decodes and delivers the held frame, if any; false when none was held.
  bool DeliverHeldFrame();
  void OnServerClose();
  void DropConnection();
  void OnTimer(UINT_PTR id);
  void OnSocketEvent(WPARAM socket, LPARAM event);
  // Delivers picture_ to the target and the preview.
  void Deliver();
  void SendToTarget();
  void ClearPreview();
  void ConnectRtsp(const char* url);
  void OnRtspEvent();
  // The reader whose pictures are shown and delivered: the second stream's
  // when there is one.
  RtspReader* PictureReader() const { return secondRtsp_ ? secondRtsp_.get() : rtsp_.get(); }
  void ReadUrl(char (&url)[kTextSize]) const;
  // The mode buttons apply to HTTP URLs only.
  void EnableModeButtons();
  UINT NextWait();
  void EnableInputs(bool enable);
  // The label above the URL names what the chosen mode expects there.
  void ShowUrlLabel(bool mjpegStream);
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  SetStatus(const char* format, ...);

  WinsockSession winsock_;
  ImagePreview preview_;
  Options options_;

  LatencyStopwatch stopwatch_{};  // the download time shown in the status
  Picture picture_;
  int32_t pollInterval_ = 1000;
  HWND targetWindow_ = nullptr;
  UINT targetMessage_ = 0;
  int32_t running_ = 0;
  int32_t streamMode_ = 0;
  int64_t lastDataMs_ = 0;  // when the last read notification came
  bool frameDue_ = true;    // stream mode: the next complete frame goes out at once
  FramePace pace_;
  std::vector<uint8_t> heldFrame_;  // stream mode: waits for the next interval; reused
  std::string request_;
  char hostName_[260] = {};
  uint32_t port_ = 0;
  ScopedSocket socket_;
  HWND statusControl_ = nullptr;
  ReceiveBuffer recvBuffer_;
  int cameraNumber_ = 0;
  StatusListener statusListener_;
  std::unique_ptr<RtspReader> rtsp_;
  std::unique_ptr<RtspReader> secondRtsp_;  // only beside rtsp_
  std::string mainStatus_, secondStatus_;
  char secondUrl_[kTextSize] = {};  // until the dialog exists
  PacketListener packetListener_;
};
