#include "net/async_soc_wnd_win.h"

#include <cstring>

AsyncSocWnd::AsyncSocWnd(UINT timeoutMs) : timeoutMs_(timeoutMs) {
  WSADATA data;
  // Each object holds one start-up reference; WinSock counts them.
  WSAStartup(MAKEWORD(2, 2), &data);
  CreateMessageOnly("AsyncSocWnd");
}

AsyncSocWnd::~AsyncSocWnd() {
  Close();
  WSACleanup();
  Destroy();
}

bool AsyncSocWnd::Listen(uint16_t port, uint32_t address, int backlog) {
  Close();
  socket_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) return false;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(address);
  if (bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return false;
  if (WSAAsyncSelect(socket_.Get(), window_, WM_SOCKET_EVENT, kListenEvents) != 0) return false;
  return listen(socket_.Get(), backlog) == 0;
}

bool AsyncSocWnd::Connect(uint32_t address, uint16_t port) {
  Close();
  socket_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) return false;
  if (WSAAsyncSelect(socket_.Get(), window_, WM_SOCKET_EVENT, kConnectEvents) != 0) return false;
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = htonl(address);
  // Non-blocking: the outcome arrives as FD_CONNECT.
  connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  StartTimer();
  return true;
}

bool AsyncSocWnd::Attach(SOCKET socket) {
  if (WSAAsyncSelect(socket, window_, WM_SOCKET_EVENT, kConnectEvents) != 0) return false;
  socket_.Reset(socket);
  return true;
}

void AsyncSocWnd::Send(const void* data, int length) {
  if (!data || length <= 0) return;
  if (!sendBuffer_) {
    sendBuffer_ = std::make_unique<unsigned char[]>(static_cast<size_t>(length));
    std::memcpy(sendBuffer_.get(), data, static_cast<size_t>(length));
    sendOffset_ = 0;
    sendLength_ = length;
  }
  FlushSend();
}

void AsyncSocWnd::FlushSend() {
  if (!sendBuffer_) return;
  bool failed = false;
  while (sendOffset_ < sendLength_) {
    int sent = send(socket_.Get(), reinterpret_cast<const char*>(sendBuffer_.get()) + sendOffset_,
                    sendLength_ - sendOffset_, 0);
    if (sent == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) break;
      failed = true;
      break;
    }
    if (sent == 0) break;  // nothing taken: wait for FD_WRITE rather than spin
    sendOffset_ += sent;
  }
  if (failed) {
    // The unsent bytes are lost; the owner still hears of the end through
    // OnSendComplete so it can dispose of the connection.
    DropSendBuffer();
    Close();
  } else if (sendOffset_ < sendLength_) {
    // Restarted on every flush, so it fires only after 20 s without progress.
    StartTimer();
    return;
  }
  sendBuffer_.reset();
  sendOffset_ = 0;
  sendLength_ = 0;
  StopTimer();
  SendMessageA(window_, WM_SOCKET_SENT, 0, 0);
}

void AsyncSocWnd::Close() {
  connectState_ = kNotConnected;
  StopTimer();
  DropSendBuffer();
  // Without a socket there is nothing to cancel, and asking costs a round
  // trip to the wineserver for every connection the web server ends.
  if (!socket_) return;
  WSAAsyncSelect(socket_.Get(), window_, WM_SOCKET_EVENT, 0);
  socket_.Reset();
}

uint16_t AsyncSocWnd::LocalPort() const {
  if (!socket_) return 0;
  sockaddr_in local{};
  int size = sizeof local;
  if (getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

void AsyncSocWnd::StartTimer() {
  SetTimer(window_, SOCKET_TIMER, timeoutMs_, nullptr);
  timerRunning_ = true;
}

void AsyncSocWnd::StopTimer() {
  // Each timer call is a round trip to the window system (the wineserver
  // under Wine): skipped when nothing runs, as after most small sends.
  if (!timerRunning_) return;
  KillTimer(window_, SOCKET_TIMER);
  timerRunning_ = false;
}

void AsyncSocWnd::DropSendBuffer() {
  sendBuffer_.reset();
  sendOffset_ = 0;
  sendLength_ = 0;
}

LRESULT AsyncSocWnd::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  OnMessage(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_TIMER:
      if (wParam == SOCKET_TIMER) {
        StopTimer();
        Close();
        OnTimeout();
      }
      break;
    case WM_SOCKET_EVENT:
      DispatchSocketEvent(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
      break;
    case WM_SOCKET_READY:
      OnConnected();
      break;
    case WM_SOCKET_SENT:
      OnSendComplete();
      break;
    default:
      break;
  }
  return 0;
}

void AsyncSocWnd::DispatchSocketEvent(SOCKET socket, int event, int error) {
  // Events already queued for a socket that has since been closed (or
  // replaced by a new one) belong to no connection of this object.
  if (socket == INVALID_SOCKET || socket != socket_.Get()) return;
  if (event > FD_CLOSE) return;
  switch (event) {
    case FD_READ:
      OnReceive(error);
      break;
    case FD_WRITE:
      if (error == 0 && connectState_ == kConnectDone) {
        connectState_ = kConnectWritable;
        PostMessageA(window_, WM_SOCKET_READY, 0, 0);
      }
      OnWritable(error);
      break;
    case FD_ACCEPT:
      OnAccept(socket, error);
      break;
    case FD_CONNECT:
      if (error == 0) --connectState_;
      OnConnect(error);
      break;
    case FD_CLOSE:
      OnClose(error);
      break;
    default:
      break;
  }
}

void AsyncSocWnd::OnReceive(int) {}
void AsyncSocWnd::OnSendComplete() {}
void AsyncSocWnd::OnConnected() {}
void AsyncSocWnd::OnTimeout() {}
void AsyncSocWnd::OnWritable(int) {
  FlushSend();
}
void AsyncSocWnd::OnConnect(int) {}
void AsyncSocWnd::OnClose(int) {}
void AsyncSocWnd::OnAccept(SOCKET, int) {}
void AsyncSocWnd::OnMessage(HWND, UINT, WPARAM, LPARAM) {}
