#pragma once
// The HTTP/1.0 client of an IP camera, on a socket window of the camera
// worker's thread: its socket notifications, its timers and the answer of
// its host name lookup all arrive there. Snapshot mode opens one connection
// per picture; stream mode reads one long response as fast as it comes,
// keeps only the newest complete JPEG picture, and decodes and hands on that
// one at the poll pace. What it has to show goes to its owner.

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/picture.h"
#include "engine/latency.h"
#include "net/async_soc_wnd_win.h"
#include "sources/camera_retry.h"
#include "sources/frame_pace.h"
#include "sources/receive_buffer.h"

class HttpCamera : public AsyncSocWnd {
 public:
  // How long a connection may stay silent, how long to wait after a
  // failure, the system calls that can fail for want of resources, and the
  // most a response may hold without a picture; tests shorten the times and
  // the limit and make the calls fail.
  struct Options {
    UINT dataTimeoutMs = 20000;
    UINT retryDelayMs = kCameraRetryDelayMs;
    SOCKET(WSAAPI* createSocket)(int, int, int) = &::socket;
    int(WSAAPI* asyncSelect)(SOCKET, HWND, u_int, long) = &::WSAAsyncSelect;
    ReceiveBuffer::Reallocate reallocate = &std::realloc;
    size_t receiveLimit = kReceiveLimit;
  };

  class Owner {
   public:
    virtual void ShowStatus(const char* text) = 0;
    // A decoded picture, valid until the next one.
    virtual void ShowPicture(const Picture& picture) = 0;
    // The last picture was not good: the preview empties.
    virtual void ClearPicture() = 0;
    // Time for a new attempt, with the address as it stands then.
    virtual void Retry() = 0;

   protected:
    ~Owner() = default;
  };

  HttpCamera(Options options, Owner& owner);
  ~HttpCamera() override;

  // Connects to the camera at `url`; the status tells how it goes.
  void Start(const char* url, bool stream);
  // Drops the connection and every timer: nothing happens by itself after.
  void Stop();
  void SetPollInterval(int32_t intervalMs) { pollInterval_ = intervalMs; }
  size_t BufferedBytes() const { return recvBuffer_.Length(); }

  void OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnConnect(int error) override;
  void OnWritable(int error) override;
  void OnReceive(int error) override;
  void OnClose(int error) override;
  void OnTimeout() override;

 private:
  void OnHostFound(WPARAM lookup, LPARAM address);
  void ReadData();
  void ParseSnapshot();
  // Keeps the newest complete frame of the buffer, dropping older ones.
  void HoldNewestFrames();
  // Decodes and delivers the held frame, if any.
  void DeliverHeldFrame();
  void DropConnection();
  // Drops the connection, tells why, and tries again after the retry delay.
  void RetryLater(const char* status);
  void OnTimer(UINT_PTR id);
  void Deliver();
  void StartTimer(UINT_PTR id, int64_t ms);
  UINT NextWait();
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  SetStatus(const char* format, ...);

  Options options_;
  Owner& owner_;
  LatencyStopwatch stopwatch_{};  // the download time shown in the status
  Picture picture_;
  int32_t pollInterval_ = 1000;
  bool stream_ = false;
  int64_t lastDataMs_ = 0;  // when the last read notification came
  bool frameDue_ = true;    // stream mode: the next complete frame goes out at once
  FramePace pace_;
  std::vector<uint8_t> heldFrame_;  // stream mode: waits for the next interval; reused
  std::string request_;
  std::string hostName_;
  uint16_t port_ = 0;
  WPARAM lookup_ = 0;  // the host name lookup awaited, 0 for none
  bool requestSent_ = false;
  ReceiveBuffer recvBuffer_;
};
