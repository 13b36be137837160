#include "web/webserver_win.h"

#include <algorithm>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "web/cameras_json.h"
#include "web/grid_picture.h"
#include "web/https_redirect.h"

namespace {
constexpr UINT_PTR kSweepTimer = 11;
// Set only when a camera changed within kGridPeriodMs of the grid's last
// picture: the grid's next picture is due when it fires.
constexpr UINT_PTR kGridTimer = 12;
// A camera a feed follows has news; wParam the feed's camera.
constexpr UINT kFeedNews = WM_USER + 334;

uint64_t Now() {
  return GetTickCount64();
}
}  // namespace

Webserver::Webserver(std::string webFolder, UINT clientTimeoutMs)
    : files_(std::move(webFolder)), clientTimeoutMs_(clientTimeoutMs) {}

Webserver::~Webserver() {
  Stop();
}

void Webserver::SetSources(WebCameras* cameras, const WebSettings* settings) {
  cameras_ = cameras;
  webSettings_ = settings;
}

bool Webserver::Start(uint16_t port) {
  if (!Listen(port, bindAddress_, backlog_)) return false;
  // Deadlines are checked by one sweep rather than a timer per connection:
  // a timer costs more than the rest of a small request under Wine.
  SetTimer(Handle(), kSweepTimer, std::clamp<UINT>(clientTimeoutMs_ / 8, 50, 1000), nullptr);
  return true;
}

void Webserver::Stop() {
  Close();
  KillTimer(Handle(), kSweepTimer);
  KillTimer(Handle(), kGridTimer);
  clients_.clear();
  feeds_.clear();
}

size_t Webserver::StreamCount() const {
  return static_cast<size_t>(
      std::count_if(clients_.begin(), clients_.end(), [](const auto& client) { return client->IsStreaming(); }));
}

size_t Webserver::StreamBytesHeld() const {
  size_t held = 0;
  for (const auto& client : clients_) held += client->Viewer() ? client->Viewer()->HeldBytes() : 0;
  return held;
}

void Webserver::OnAccept(SOCKET listening, int) {
  // Every connection waiting now, not one per notification: under load each
  // notification is a trip through the message queue.
  while (AcceptOne(listening)) {
  }
}

bool Webserver::AcceptOne(SOCKET listening) {
  if (clients_.size() >= kMaxWebConnections) {
    ScopedSocket refused(accept(listening, nullptr, nullptr));
    return refused.IsValid();
  }
  // The object comes after the connection: the last accept of every
  // notification finds none, and a window taken for it would be wasted.
  sockaddr_in peer{};
  int size = sizeof peer;
  ScopedSocket accepted(accept(listening, reinterpret_cast<sockaddr*>(&peer), &size));
  if (!accepted) return false;
  if (httpsRedirectPort_ != 0 && !IsLocalNetworkAddress(ntohl(peer.sin_addr.s_addr))) return true;
  MakeRoomFor(peer.sin_addr.s_addr);
  auto client = std::make_unique<WebClientSoc>(clientTimeoutMs_);
  *client->PeerAddress() = peer;
  if (!client->Attach(accepted.Get())) return true;
  accepted.Release();
  client->Bind(this, ++connectionsAccepted_, Now());
  if (tls_) client->UseTls(tls_);
  clients_.push_back(std::move(client));
  return true;
}

void Webserver::MakeRoomFor(uint32_t address) {
  const auto waitingFrom = [address](const std::unique_ptr<WebClientSoc>& client) {
    return client->AwaitsRequest() && client->PeerAddress()->sin_addr.s_addr == address;
  };
  if (static_cast<size_t>(std::count_if(clients_.begin(), clients_.end(), waitingFrom)) < kMaxWaitingPerAddress) return;
  // In order of acceptance: oldest first. A burst of accepts runs ahead of
  // the reads, so each one reads what its peer has sent before it counts
  // as idle.
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (!waitingFrom(*it)) continue;
    (*it)->OnReceive(0);
    if (!(*it)->AwaitsRequest()) continue;
    // Gone at once rather than at its notice: a flood accepted in one go
    // would otherwise fill the server's list with the connections it closed.
    (*it)->Finish();
    clients_.erase(it);
    return;
  }
}

void Webserver::OnMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kSweepTimer) {
    Sweep();
    return;
  }
  if (msg == WM_TIMER && wParam == kGridTimer) {
    KillTimer(Handle(), kGridTimer);
    FeedStream(kGridStream);
    return;
  }
  if (msg == kFeedNews) {
    FeedStream(static_cast<int>(wParam));
    return;
  }
  if (msg != WM_WEBCLIENT_CLOSED) return;
  auto it = std::find_if(clients_.begin(), clients_.end(), [wParam, lParam](const auto& client) {
    return reinterpret_cast<WPARAM>(client->Handle()) == wParam && client->Number() == static_cast<uint32_t>(lParam);
  });
  // Posted, so the connection's own handler has long returned.
  if (it != clients_.end()) clients_.erase(it);
  EndUnviewedFeeds();
}

void Webserver::SetEventStore(std::string path) {
  events_.reset();
  eventStorePath_ = std::move(path);
}

void Webserver::Sweep() {
  const uint64_t now = Now();
  for (auto& client : clients_) client->CheckDeadlines(now);
}

WebRequestContext Webserver::RequestContext(const sockaddr_in& peer) {
  WebRequestContext context;
  context.settings = webSettings_;
  context.cameraCount = cameras_ ? cameras_->Count() : 0;
  context.files = &files_;
  WebCameras* cameras = cameras_;
  context.grabJpeg = [cameras](int number, std::vector<unsigned char>& jpeg) {
    return cameras && cameras->GrabJpeg(number, jpeg);
  };
  context.camerasJson = [cameras] { return cameras ? CamerasJson(*cameras) : std::string("{\"cameras\":[]}"); };
  context.eventPicture = [this](int64_t id, std::string& jpeg) {
    if (!events_ && !eventStorePath_.empty()) {
      std::string error;
      events_ = EventStore::OpenReadOnly(eventStorePath_, error);
    }
    std::optional<std::vector<uint8_t>> picture = events_ ? events_->Thumbnail(id) : std::nullopt;
    if (!picture) return false;
    jpeg.assign(picture->begin(), picture->end());
    return true;
  };
  context.loginBlocked = throttle_.IsBlocked(peer.sin_addr.s_addr, Now());
  context.httpsRedirectPort = httpsRedirectPort_;
  return context;
}

void Webserver::LoginFailed(const sockaddr_in& peer) {
  throttle_.RecordFailure(peer.sin_addr.s_addr, Now());
}

bool Webserver::StartStream(WebClientSoc& client, int camera) {
  if (StreamCount() >= kMaxLiveStreams) return false;
  auto [it, created] = feeds_.try_emplace(camera);
  Feed& feed = it->second;
  if (created) {
    feed.cameraKey = cameras_ ? cameras_->CameraKey(camera) : nullptr;
    feed.watch = std::make_unique<FeedWatch>(Handle(), camera);
    FollowCameras(camera, feed);
    // The first viewer should not wait for the next picture.
    if (camera != kGridStream) {
      RefreshCameraFeed(camera, feed);
    } else {
      RefreshGridFeed(feed, Now());
    }
  }
  client.BeginStream(camera, feed.newest, Now());
  return true;
}

SharedStreamPart Webserver::NewestPart(int camera) const {
  auto it = feeds_.find(camera);
  return it == feeds_.end() ? nullptr : it->second.newest;
}

Webserver::FeedWatch::FeedWatch(HWND server, int camera) : wake_(server, kFeedNews, static_cast<WPARAM>(camera)) {}

Webserver::FeedWatch::~FeedWatch() {
  Leave();
}

void Webserver::FeedWatch::Leave() {
  for (const auto& camera : cameras_) camera->Remove(wake_);
  cameras_.clear();
}

void Webserver::FeedWatch::Follow(std::vector<std::shared_ptr<WakeList>> cameras) {
  if (cameras == cameras_) return;
  Leave();
  cameras_ = std::move(cameras);
  for (const auto& camera : cameras_) camera->Add(wake_);
}

void Webserver::FollowCameras(int camera, Feed& feed) const {
  std::vector<std::shared_ptr<WakeList>> followed;
  const int first = camera == kGridStream ? 1 : camera;
  const int last = camera == kGridStream ? (cameras_ ? cameras_->Count() : 0) : camera;
  for (int n = first; cameras_ && n <= last; ++n)
    if (auto changes = cameras_->PictureChanges(n)) followed.push_back(std::move(changes));
  feed.watch->Follow(std::move(followed));
}

void Webserver::FeedStream(int camera) {
  auto it = feeds_.find(camera);
  if (it == feeds_.end()) return;
  Feed& feed = it->second;
  feed.watch->Rearm();
  const bool gone = camera != kGridStream && (!cameras_ || cameras_->CameraKey(camera) != feed.cameraKey);
  if (gone) {
    EndFeed(camera);
    return;
  }
  const uint64_t now = Now();
  bool fresh = false;
  if (camera != kGridStream) {
    fresh = RefreshCameraFeed(camera, feed);
  } else {
    // Cameras come and go with the grid's layout.
    FollowCameras(camera, feed);
    fresh = RefreshGridFeed(feed, now);
    if (!fresh && !feed.fresh && now - feed.lastRenderMs < kGridPeriodMs)
      SetTimer(Handle(), kGridTimer, static_cast<UINT>(kGridPeriodMs - (now - feed.lastRenderMs)), nullptr);
  }
  if (!fresh) return;
  for (auto& client : clients_) {
    if (client->IsStreaming() && client->StreamCamera() == camera) client->PumpStream(now);
  }
}

void Webserver::EndUnviewedFeeds() {
  std::vector<int> ended;
  for (const auto& [camera, feed] : feeds_) {
    const bool viewed = std::any_of(clients_.begin(), clients_.end(), [camera = camera](const auto& client) {
      return client->IsStreaming() && client->StreamCamera() == camera;
    });
    if (!viewed) ended.push_back(camera);
  }
  for (int camera : ended) EndFeed(camera);
  if (!feeds_.contains(kGridStream)) KillTimer(Handle(), kGridTimer);
}

bool Webserver::RefreshCameraFeed(int camera, Feed& feed) {
  if (!cameras_) return false;
  const uint64_t serial = cameras_->PictureSerial(camera);
  if (!feed.fresh && serial == feed.pictureSerial) return false;
  feed.pictureSerial = serial;
  feed.fresh = false;
  std::vector<unsigned char> jpeg;
  // A camera without a picture (or without signal) sends nothing until it
  // has one again.
  if (!cameras_->GrabJpeg(camera, jpeg)) return false;
  feed.newest = FrameStreamPart(feed.newest ? feed.newest->number + 1 : 1, jpeg);
  return true;
}

bool Webserver::RefreshGridFeed(Feed& feed, uint64_t nowMs) {
  if (!cameras_ || (!feed.fresh && nowMs - feed.lastRenderMs < kGridPeriodMs)) return false;
  // Rendered only when some camera has a new picture, or lost its picture,
  // since the last time.
  const int count = cameras_->Count();
  std::vector<const Picture*> pictures;
  uint64_t state = static_cast<uint64_t>(count);
  for (int n = 1; n <= count; ++n) {
    pictures.push_back(cameras_->CurrentPicture(n));
    state = state * 1000003u + cameras_->PictureSerial(n) * 2 + (pictures.back() ? 1 : 0);
  }
  if (!feed.fresh && state == feed.pictureSerial) return false;
  feed.fresh = false;
  feed.pictureSerial = state;
  feed.lastRenderMs = nowMs;
  Picture grid = ComposeGridPicture(cameras_->GridShape(), pictures);
  std::vector<unsigned char> jpeg;
  if (!EncodeJpeg(grid, kGridJpegQuality, jpeg)) return false;
  feed.newest = FrameStreamPart(feed.newest ? feed.newest->number + 1 : 1, jpeg);
  return true;
}

void Webserver::EndFeed(int camera) {
  for (auto& client : clients_) {
    if (client->IsStreaming() && client->StreamCamera() == camera) client->Finish();
  }
  feeds_.erase(camera);
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
