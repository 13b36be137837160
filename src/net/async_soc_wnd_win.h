#pragma once
// One TCP socket driven by window messages: WinSock posts its events to a
// hidden window of the constructing thread (WSAAsyncSelect), so nothing
// blocks and no thread of its own is needed. Derived classes override the
// event handlers; a single outgoing buffer is pushed out as the socket takes
// it, and one timer watches connects and stalled sends.

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <memory>

#include "common/scoped_handle_win.h"
#include "framework/wnd_win.h"

inline constexpr UINT WM_SOCKET_EVENT = WM_USER + 200;  // from WinSock: wParam socket, lParam event/error
inline constexpr UINT WM_SOCKET_READY = WM_USER + 201;  // an outgoing connection became writable
inline constexpr UINT WM_SOCKET_SENT = WM_USER + 202;   // the pending send is complete
inline constexpr UINT_PTR SOCKET_TIMER = 10;
inline constexpr UINT kSocketTimeoutMs = 20000;

inline constexpr long kConnectEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;  // 0x33
inline constexpr long kListenEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE;    // 0x2B
inline constexpr int kListenBacklog = 1;

// connectState values.
inline constexpr int32_t kNotConnected = 2;
inline constexpr int32_t kConnectDone = 1;
inline constexpr int32_t kConnectWritable = 0;

class AsyncSocWnd : public Wnd {
 public:
  // Starts WinSock and creates the hidden window on the calling thread, which
  // must pump its messages. `timeoutMs` is the connect and send watchdog.
  explicit AsyncSocWnd(UINT timeoutMs = kSocketTimeoutMs);
  ~AsyncSocWnd() override;

  // Closes any socket, then listens on the port of `address` (host order;
  // every interface by default), with a backlog of 1 unless told. False at
  // the first failing step; a socket created before it stays until the next
  // Close.
  bool Listen(uint16_t port, uint32_t address = INADDR_ANY, int backlog = kListenBacklog);
  // Closes any socket and starts a non-blocking connect to an IPv4 address
  // (host order; names are looked up off the thread, host_lookup_win.h);
  // completion arrives as OnConnect. False when no socket or no registration.
  bool Connect(uint32_t address, uint16_t port);
  // Takes an already connected socket, closing any earlier one. On failure
  // the socket is left to the caller and the stored one stays unchanged.
  bool Attach(SOCKET socket);
  // Sends one message. While an earlier one is still pending the new bytes
  // are not taken; wait for OnSendComplete before the next.
  void Send(const void* data, int length);
  void FlushSend();
  // Drops any pending bytes, stops the timer and closes the socket. Calls no
  // handler; harmless without a socket.
  void Close();

  // The port the socket is bound to locally, 0 without one.
  uint16_t LocalPort() const;

  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  virtual void OnReceive(int error);
  virtual void OnSendComplete();
  virtual void OnConnected();
  // The watchdog fired; the socket is already closed.
  virtual void OnTimeout();
  virtual void OnWritable(int error);
  virtual void OnConnect(int error);
  virtual void OnClose(int error);
  virtual void OnAccept(SOCKET listening, int error);
  // Every message, before the socket dispatch; the result is ignored.
  virtual void OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  // The connect and send watchdog (SOCKET_TIMER, timeoutMs_).
  void StartTimer();
  void StopTimer();

  ScopedSocket socket_;
  sockaddr_in peerAddress_{};
  int32_t connectState_ = kNotConnected;
  std::unique_ptr<unsigned char[]> sendBuffer_;
  int32_t sendOffset_ = 0;
  int32_t sendLength_ = 0;
  UINT timeoutMs_;

 private:
  bool timerRunning_ = false;

  void DispatchSocketEvent(SOCKET socket, int event, int error);
  void DropSendBuffer();
};
