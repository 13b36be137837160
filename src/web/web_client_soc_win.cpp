#include "web/web_client_soc_win.h"

#include <cstdint>
#include <cstring>

void WebClientSoc::Bind(HWND serverWindow, WebCameras* cameras, const WebSettings* settings, WebFileSource* files) {
  serverWindow_ = serverWindow;
  closedMessage_ = WM_WEBCLIENT_CLOSED;
  cameras_ = cameras;
  webSettings_ = settings;
  files_ = files;
}

void WebClientSoc::OnReceive(int) {
  StartTimer();
  char chunk[kReceiveChunkBytes + 1];
  while (request_.size() < kMaxRequestBytes) {
    std::memset(chunk, 0, sizeof chunk);
    int received = recv(socket_, chunk, static_cast<int>(kReceiveChunkBytes), 0);
    if (received < 1) break;
    AppendRequestText(request_, chunk, static_cast<size_t>(received));
  }
  // One response per connection: what arrives after it is read and dropped.
  if (answered_) return;

  WebRequestContext context;
  context.settings = webSettings_;
  context.cameraCount = cameras_ ? cameras_->Count() : 0;
  context.files = files_;
  WebCameras* cameras = cameras_;
  context.grabJpeg = [cameras](int number, std::vector<unsigned char>& jpeg) {
    return cameras && cameras->GrabJpeg(number, jpeg);
  };
  WebResponse response = ProcessWebRequest(request_, context);
  switch (response.outcome) {
    case WebRequestOutcome::Incomplete:
      break;
    case WebRequestOutcome::Respond:
      answered_ = true;
      // The socket window counts in 32-bit lengths; a response beyond that
      // (a file of gigabytes) cannot go out whole, so none goes out.
      if (response.bytes.size() > static_cast<size_t>(INT32_MAX)) {
        Finish();
        break;
      }
      Send(response.bytes.data(), static_cast<int>(response.bytes.size()));
      break;
    case WebRequestOutcome::Close:
      Finish();
      break;
  }
}

void WebClientSoc::OnSendComplete() {
  Finish();
}

void WebClientSoc::OnTimeout() {
  Finish();
}

void WebClientSoc::OnClose(int) {
  Finish();
}

void WebClientSoc::Finish() {
  Close();
  PostMessageA(serverWindow_, closedMessage_, reinterpret_cast<WPARAM>(Handle()), 0);
}
