#pragma once
// The integrated HTTP/1.0 server: a listening socket that owns one
// WebClientSoc per accepted connection, all on the thread that built it,
// and the live feeds those connections stream from.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/posted_wake_win.h"
#include "events/event_store.h"
#include "net/async_soc_wnd_win.h"
#include "web/live_stream.h"
#include "web/login_throttle.h"
#include "web/web_cameras.h"
#include "web/web_client_soc_win.h"
#include "web/web_files_win.h"
#include "web/web_settings.h"

inline constexpr int kWebListenBacklog = SOMAXCONN;
// Open connections at most; one beyond them is closed at once, so a flood
// of idle connections cannot take the server's memory or time.
inline constexpr size_t kMaxWebConnections = 256;
// Connections from one address that have not sent a whole request yet, at
// most. A newcomer beyond them closes the oldest of them rather than being
// refused, so idle connections from one client cannot lock out anyone, not
// even a real user at the same address. Room for the bursts of many users
// behind one address (and the load tests' 50 at once); answered ones
// (streams) are capped by kMaxLiveStreams alone.
inline constexpr size_t kMaxWaitingPerAddress = 64;
// Live streams at most; one beyond them gets TooManyStreamsResponse.
inline constexpr size_t kMaxLiveStreams = 64;
// The grid picture is rendered and encoded at most this often, for all its
// viewers: 4 pictures/s show that every camera is live at a tenth of the
// cost of following each camera's rate; one camera large goes by $STREAM.
inline constexpr UINT kGridPeriodMs = 250;
inline constexpr int kGridJpegQuality = 70;

class Webserver : public AsyncSocWnd, private WebClientHost {
 public:
  // Pages come from `webFolder` (ending in a backslash), by default the
  // "Webserver" folder beside the program. A request must be complete within
  // `clientTimeoutMs` of its connection, and a send (or a stream's part) that
  // makes no progress for as long ends its connection.
  explicit Webserver(std::string webFolder = ProgramWebFolder(), UINT clientTimeoutMs = kSocketTimeoutMs);
  ~Webserver() override;

  // Both are read live on every request and must outlive the server (or the
  // next SetSources).
  void SetSources(WebCameras* cameras, const WebSettings* settings);
  // The event store the pictures of $EVENT<id> come from, opened for
  // reading when first asked; "" for none.
  void SetEventStore(std::string path);
  // Listens on `port`; every interface unless SetBindAddress chose one.
  bool Start(uint16_t port);
  // Closes the listener and every open connection.
  void Stop();
  // Connections accepted from now on speak TLS with `config`; null for
  // plain HTTP.
  void SetTls(std::shared_ptr<TlsConfig> config) { tls_ = std::move(config); }
  bool UsesTls() const { return tls_ != nullptr; }
  // Not 0: this server only sends plain HTTP on to HTTPS on `httpsPort`,
  // and only to peers on the local network; others are closed unanswered.
  void SetHttpsRedirect(uint16_t httpsPort) { httpsRedirectPort_ = httpsPort; }
  // The address Start binds to, host order (INADDR_ANY by default).
  void SetBindAddress(uint32_t address) { bindAddress_ = address; }
  // Connections the system queues before they are accepted. A browser opens
  // several at once, and a queue of one makes the system drop the rest and
  // the browser retry them a second or more later.
  void SetBacklog(int backlog) { backlog_ = backlog; }

  bool IsListening() const { return socket_.IsValid(); }
  size_t ClientCount() const { return clients_.size(); }
  size_t StreamCount() const;
  // Bytes of parts the stream viewers hold while sending them.
  size_t StreamBytesHeld() const;

  void OnAccept(SOCKET listening, int error) override;
  void OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // The cameras a feed follows: each wakes the server, once until it
  // looks, with the feed's camera number.
  class FeedWatch {
   public:
    FeedWatch(HWND server, int camera);
    ~FeedWatch();
    FeedWatch(const FeedWatch&) = delete;
    FeedWatch& operator=(const FeedWatch&) = delete;
    void Follow(std::vector<std::shared_ptr<WakeList>> cameras);
    void Rearm() { wake_.Rearm(); }

   private:
    void Leave();
    PostedWake wake_;
    std::vector<std::shared_ptr<WakeList>> cameras_;
  };
  struct Feed {
    const void* cameraKey = nullptr;
    uint64_t pictureSerial = 0;
    bool fresh = true;  // nothing encoded yet
    uint64_t lastRenderMs = 0;
    SharedStreamPart newest;
    std::unique_ptr<FeedWatch> watch;
  };

  HWND Window() const override { return Handle(); }
  WebRequestContext RequestContext(const sockaddr_in& peer) override;
  void LoginFailed(const sockaddr_in& peer) override;
  bool StartStream(WebClientSoc& client, int camera) override;
  SharedStreamPart NewestPart(int camera) const override;

  // Accepts one waiting connection (or closes it beyond the cap); false when
  // none waits.
  bool AcceptOne(SOCKET listening);
  // Closes and drops the oldest connection from `address` (network order)
  // still waiting for its request when there are kMaxWaitingPerAddress.
  void MakeRoomFor(uint32_t address);
  void Sweep();
  // The feed's cameras: the one it streams, or all of the grid's.
  void FollowCameras(int camera, Feed& feed) const;
  // A camera the feed follows has news: a new part for its viewers, or the
  // end of the feed when its camera went.
  void FeedStream(int camera);
  // A connection closed: a feed nobody views any more ends.
  void EndUnviewedFeeds();
  // True when the feed has a new part for its viewers.
  bool RefreshCameraFeed(int camera, Feed& feed);
  bool RefreshGridFeed(Feed& feed, uint64_t nowMs);
  void EndFeed(int camera);

  std::string eventStorePath_;
  std::unique_ptr<EventStore> events_;
  WebCameras* cameras_ = nullptr;
  const WebSettings* webSettings_ = nullptr;
  std::vector<std::unique_ptr<WebClientSoc>> clients_;
  WebFolderFiles files_;
  UINT clientTimeoutMs_;
  uint32_t bindAddress_ = INADDR_ANY;
  int backlog_ = kWebListenBacklog;
  LoginThrottle throttle_;
  std::map<int, Feed> feeds_;
  uint32_t connectionsAccepted_ = 0;
  std::shared_ptr<TlsConfig> tls_;
  uint16_t httpsRedirectPort_ = 0;
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
