#include "web/webserver_win.h"

#include <algorithm>

#include "common/fixed_text.h"

Webserver::Webserver(std::string webFolder, UINT clientTimeoutMs)
    : files_(std::move(webFolder)), clientTimeoutMs_(clientTimeoutMs) {}

Webserver::~Webserver() {
  Stop();
}

void Webserver::SetSources(WebCameras* cameras, const WebSettings* settings) {
  cameras_ = cameras;
  webSettings_ = settings;
}

void Webserver::Stop() {
  Close();
  clients_.clear();
}

void Webserver::OnAccept(SOCKET listening, int) {
  auto client = std::make_unique<WebClientSoc>(clientTimeoutMs_);
  int size = sizeof(sockaddr_in);
  SOCKET accepted = accept(listening, reinterpret_cast<sockaddr*>(client->PeerAddress()), &size);
  if (accepted == INVALID_SOCKET) return;
  if (!client->Attach(accepted)) {
    closesocket(accepted);
    return;
  }
  client->Bind(Handle(), cameras_, webSettings_, &files_);
  // A connection that never sends a request is dropped by this timer.
  SetTimer(client->Handle(), SOCKET_TIMER, clientTimeoutMs_, nullptr);
  clients_.push_back(std::move(client));
}

void Webserver::OnMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
  if (msg != WM_WEBCLIENT_CLOSED) return;
  auto it = std::find_if(clients_.begin(), clients_.end(),
                         [wParam](const auto& client) { return reinterpret_cast<WPARAM>(client->Handle()) == wParam; });
  // Posted, so the connection's own handler has long returned.
  if (it != clients_.end()) clients_.erase(it);
}

bool ApplyWebSettings(Webserver& server, HWND owner, WebCameras* cameras, const WebSettings* settings,
                      MessageBoxFunction messageBox) {
  server.SetSources(cameras, settings);
  if (!settings || settings->webEnabled == 0) {
    server.Stop();
    return true;
  }
  if (server.Start(settings->listenPort)) return true;
  // The failed attempt may have left a socket behind; the server stays
  // without a listener.
  server.Close();
  char text[64];
  FormatText(text, sizeof text, "Unable to Listen on webserver port %u", static_cast<unsigned>(settings->listenPort));
  messageBox(owner, text, "Vorrandale Error", MB_ICONEXCLAMATION | MB_TOPMOST);
  return false;
}
