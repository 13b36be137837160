#pragma once
// One accepted web connection: reads one request, sends one response and
// tells its server when it is finished, which then destroys it.

#include <string>

#include "net/async_soc_wnd_win.h"
#include "web/web_cameras.h"
#include "web/web_request.h"
#include "web/web_settings.h"

// Posted to the server's window when a connection is finished; wParam is
// the connection's own window handle.
inline constexpr UINT WM_WEBCLIENT_CLOSED = WM_USER + 333;

class WebClientSoc : public AsyncSocWnd {
 public:
  explicit WebClientSoc(UINT timeoutMs = kSocketTimeoutMs) : AsyncSocWnd(timeoutMs) {}

  // Filled in by the server when it accepts the connection.
  void Bind(HWND serverWindow, WebCameras* cameras, const WebSettings* settings, WebFileSource* files);
  sockaddr_in* PeerAddress() { return &peerAddress_; }
  const std::string& Request() const { return request_; }

  void OnReceive(int error) override;
  void OnSendComplete() override;
  void OnTimeout() override;
  void OnClose(int error) override;

 private:
  void Finish();

  HWND serverWindow_ = nullptr;
  UINT closedMessage_ = WM_WEBCLIENT_CLOSED;
  std::string request_;
  WebCameras* cameras_ = nullptr;
  const WebSettings* webSettings_ = nullptr;
  WebFileSource* files_ = nullptr;
  bool answered_ = false;
};
