#pragma once
// The integrated HTTP/1.0 server: a listening socket that owns one
// WebClientSoc per accepted connection, all on the thread that built it.

#include <memory>
#include <string>
#include <vector>

#include "net/async_soc_wnd_win.h"
#include "web/web_cameras.h"
#include "web/web_client_soc_win.h"
#include "web/web_files_win.h"
#include "web/web_settings.h"

inline constexpr int kWebListenBacklog = SOMAXCONN;

class Webserver : public AsyncSocWnd {
 public:
  // Pages come from `webFolder` (ending in a backslash), by default the
  // "Webserver" folder beside the program. Connections are dropped after
  // `clientTimeoutMs` without a read or without send progress.
  explicit Webserver(std::string webFolder = ProgramWebFolder(), UINT clientTimeoutMs = kSocketTimeoutMs);
  ~Webserver() override;

  // Both are read live on every request and must outlive the server (or the
  // next SetSources).
  void SetSources(WebCameras* cameras, const WebSettings* settings);
  // Listens on `port`; every interface unless SetBindAddress chose one.
  bool Start(uint16_t port) { return Listen(port, bindAddress_, backlog_); }
  // Closes the listener and every open connection.
  void Stop();
  // The address Start binds to, host order (INADDR_ANY by default).
  void SetBindAddress(uint32_t address) { bindAddress_ = address; }
  // Connections the system queues before they are accepted. A browser opens
  // several at once, and a queue of one makes the system drop the rest and
  // the browser retry them a second or more later.
  void SetBacklog(int backlog) { backlog_ = backlog; }

  bool IsListening() const { return socket_ != INVALID_SOCKET; }
  size_t ClientCount() const { return clients_.size(); }

  void OnAccept(SOCKET listening, int error) override;
  void OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  WebCameras* cameras_ = nullptr;
  const WebSettings* webSettings_ = nullptr;
  std::vector<std::unique_ptr<WebClientSoc>> clients_;
  WebFolderFiles files_;
  UINT clientTimeoutMs_;
  uint32_t bindAddress_ = INADDR_ANY;
  int backlog_ = kWebListenBacklog;
};

// Points the server at the cameras and settings, then stops it when the
// settings say off, or (re)starts its listener on the configured port. A
// port that cannot be listened on is reported in a message box on `owner`.
// Open connections stay when the server is re-applied while enabled.
// True when the server is in the state the settings ask for. `messageBox`
// is there for tests that check the flags a window manager may not show.
using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
bool ApplyWebSettings(Webserver& server, HWND owner, WebCameras* cameras, const WebSettings* settings,
                      MessageBoxFunction messageBox = &MessageBoxA);
