#include "web/webserver_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/fixed_text.h"
#include "net/base64.h"
#include "support/temp_folder_win.h"
#include "support/test_window_win.h"
#include "web/expected_responses.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Fake cameras: camera n answers with its own bytes, or with nothing.
class FakeCameras : public WebCameras {
 public:
  explicit FakeCameras(int count) : pictures(static_cast<size_t>(count)), serials(static_cast<size_t>(count), 1) {
    for (int i = 0; i < count; ++i) {
      changes.push_back(std::make_shared<WakeList>());
      std::string bytes = "\xFF\xD8 camera " + std::to_string(i + 1) + std::string(3000, static_cast<char>('a' + i));
      pictures[static_cast<size_t>(i)].assign(bytes.begin(), bytes.end());
    }
  }
  int Count() const override { return static_cast<int>(pictures.size()); }
  bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) override {
    grabbed.push_back(number);
    const auto& picture = pictures.at(static_cast<size_t>(number - 1));
    if (picture.empty()) return false;
    jpeg = picture;
    return true;
  }
  uint64_t PictureSerial(int number) const override { return serials.at(static_cast<size_t>(number - 1)); }
  std::shared_ptr<WakeList> PictureChanges(int number) const override {
    return number >= 1 && number <= Count() ? changes[static_cast<size_t>(number - 1)] : nullptr;
  }
  const void* CameraKey(int number) const override {
    return number >= 1 && number <= Count() ? &pictures[static_cast<size_t>(number - 1)] : nullptr;
  }
  const Picture* CurrentPicture(int) const override { return nullptr; }
  // Asked once for every grid picture rendered.
  WebGridShape GridShape() const override {
    ++gridRenders;
    return {2, 2, 0.75};
  }
  // Camera n takes a new picture.
  void NewPicture(int number, const std::string& bytes) {
    pictures.at(static_cast<size_t>(number - 1)).assign(bytes.begin(), bytes.end());
    ++serials.at(static_cast<size_t>(number - 1));
    changes.at(static_cast<size_t>(number - 1))->WakeAll();
  }

  std::vector<std::vector<unsigned char>> pictures;
  std::vector<uint64_t> serials;
  std::vector<std::shared_ptr<WakeList>> changes;
  std::vector<int> grabbed;
  mutable int gridRenders = 0;
};

// A blocking client socket for another thread than the server's.
class Client {
 public:
  explicit Client(uint16_t port) {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    DWORD timeout = 15000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }
  ~Client() { closesocket(socket_); }
  void SendText(const std::string& text) const {
    size_t offset = 0;
    while (offset < text.size()) {
      int sent = send(socket_, text.data() + offset, static_cast<int>(text.size() - offset), 0);
      if (sent <= 0) return;
      offset += static_cast<size_t>(sent);
    }
  }
  // Everything up to the server's close (or the receive timeout).
  std::string ReadAll() {
    std::string all;
    char chunk[8192];
    int n;
    while ((n = recv(socket_, chunk, sizeof chunk, 0)) > 0) all.append(chunk, static_cast<size_t>(n));
    // A reset counts as closed too: the server may close with our bytes unread.
    closedByPeer = n == 0 || WSAGetLastError() != WSAETIMEDOUT;
    return all;
  }
  // Exactly `count` bytes; fewer only when the connection ends first.
  std::string Read(size_t count) {
    while (buffered_.size() < count && Fill()) {
    }
    std::string out = buffered_.substr(0, count);
    buffered_.erase(0, out.size());
    return out;
  }
  // Up to and including `end`; everything left when the connection ends first.
  std::string ReadThrough(const std::string& end) {
    size_t found;
    while ((found = buffered_.find(end)) == std::string::npos && Fill()) {
    }
    return Read(found == std::string::npos ? buffered_.size() : found + end.size());
  }
  // One part of a live stream: its picture, or "bad part: ..." when the
  // framing is not exact.
  std::string ReadPart() {
    const std::string head = ReadThrough("\r\n\r\n");
    const std::string start = "--vorrandale-live-5f3c1a\r\nContent-Type: image/jpeg\r\nContent-Length: ";
    if (head.rfind(start, 0) != 0) return "bad part: " + head;
    const size_t length = std::stoul(head.substr(start.size()));
    std::string picture = Read(length);
    if (picture.size() != length || Read(2) != "\r\n") return "bad part: short";
    return picture;
  }
  // Whether anything arrives within `ms`.
  bool Readable(int ms) const {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval wait{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
  }
  bool connected = false;
  bool closedByPeer = false;

 private:
  bool Fill() {
    char chunk[65536];
    int n = recv(socket_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffered_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  SOCKET socket_ = INVALID_SOCKET;
  std::string buffered_;
};

class WebserverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web = folder.At("Webserver") + "\\";
    CreateDirectoryA(folder.At("Webserver").c_str(), nullptr);
    settings = DefaultWebSettings();
    settings.webEnabled = 1;
    settings.requireLogin = 0;
    settings.listenPort = 0;
    server = std::make_unique<Webserver>(web, clientTimeoutMs);
    server->SetBindAddress(INADDR_LOOPBACK);
    ASSERT_TRUE(ApplyWebSettings(*server, nullptr, &cameras, &settings));
    ASSERT_TRUE(server->IsListening());
    port = server->LocalPort();
  }

  void WriteWebFile(const std::string& name, const std::string& text) {
    HANDLE file = CreateFileA((web + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  // Runs `talk` on a client thread while this thread serves.
  std::string Talk(const std::function<std::string(Client&)>& talk) {
    auto result = std::async(std::launch::async, [&] {
      Client client(port);
      return client.connected ? talk(client) : std::string("(no connection)");
    });
    EXPECT_TRUE(PumpUntil([&] { return result.wait_for(0ms) == std::future_status::ready; }, 20s));
    return result.get();
  }
  std::string Get(const std::string& request) {
    return Talk([&](Client& client) {
      client.SendText(request);
      return client.ReadAll();
    });
  }
  std::string GetPath(const std::string& path) { return Get("GET /" + path + " HTTP/1.0\r\n\r\n"); }
  // The server destroys each finished connection.
  void ExpectNoConnectionsLeft() {
    EXPECT_TRUE(PumpUntil([&] { return server->ClientCount() == 0; }, 5s)) << server->ClientCount();
  }

  UINT clientTimeoutMs = 5000;
  TempFolder folder{"vr_webserver"};
  std::string web;
  FakeCameras cameras{3};
  WebSettings settings{};
  std::unique_ptr<Webserver> server;
  uint16_t port = 0;
};

std::string Picture(const FakeCameras& cameras, int n) {
  const auto& jpeg = cameras.pictures.at(static_cast<size_t>(n - 1));
  return "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\nContent-Type: image/jpeg\r\nContent-Length: " +
         std::to_string(jpeg.size()) + "\r\n\r\n" + std::string(jpeg.begin(), jpeg.end());
}

TEST_F(WebserverTest, AnswersCamerasCountAndMissingPagesByteForByte) {
  EXPECT_EQ(GetPath("$COUNT"), TextPage("<HTML><BODY>3</BODY></HTML>"));
  EXPECT_EQ(GetPath("$COUNTER"), TextPage("<HTML><BODY>3</BODY></HTML>"));
  EXPECT_EQ(GetPath("$CAM1"), Picture(cameras, 1));
  EXPECT_EQ(GetPath("$CAM2?x=1"), Picture(cameras, 2));
  EXPECT_EQ(GetPath("$CAM3"), Picture(cameras, 3));
  for (const char* path : {"$CAM0", "$CAM-1", "$CAMx", "$CAM4", "$CAM", ""})
    EXPECT_EQ(GetPath(path), kNotFound) << path;
  EXPECT_EQ(Get("POST /$COUNT HTTP/1.0\r\n\r\n"), kNotFound);
  EXPECT_EQ(cameras.grabbed, (std::vector<int>{1, 2, 3}));
  cameras.pictures[1].clear();
  EXPECT_EQ(GetPath("$CAM2"), TextPage("<HTML><BODY>Vorrandale Webserver<br>ERROR: No Image to Grab</BODY></HTML>"));
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, LoginIsComparedExactlyAndUnpaddedCredentialsPass) {
  settings.requireLogin = 1;
  CopyText(settings.userName, "admin");
  CopyText(settings.password, "s3cret!");
  EXPECT_EQ(GetPath("$COUNT"), kLogin);
  EXPECT_EQ(GetPath(""), kNotFound);  // no path: refused before the login
  std::string padded = Base64Encode("admin:s3cret!");
  ASSERT_EQ(padded.back(), '=');
  std::string unpadded = padded.substr(0, padded.find('='));
  auto withAuth = [&](const std::string& credentials) {
    return Get("GET /$COUNT HTTP/1.0\r\nAuthorization: Basic " + credentials + "\r\n\r\n");
  };
  EXPECT_EQ(withAuth(padded), TextPage("<HTML><BODY>3</BODY></HTML>"));
  EXPECT_EQ(withAuth(unpadded), TextPage("<HTML><BODY>3</BODY></HTML>"));
  EXPECT_EQ(withAuth(Base64Encode("Admin:s3cret!")), kLogin);
  EXPECT_EQ(withAuth(Base64Encode("admin:s3cret! ")), kLogin);
  EXPECT_EQ(withAuth(""), kLogin);
  // The settings are read live: a changed password applies at once.
  CopyText(settings.password, "new");
  EXPECT_EQ(withAuth(padded), kLogin);
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, ServesFilesWholeAndNothingOutsideTheFolder) {
  WriteWebFile("index.html", "<HTML>home</HTML>");
  std::string big(10000, 'x');
  for (size_t i = 0; i < big.size(); i += 97) big[i] = '\n';
  WriteWebFile("big.html", big);
  HANDLE secret = CreateFileA(folder.At("secret.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(secret, INVALID_HANDLE_VALUE);
  CloseHandle(secret);

  EXPECT_EQ(GetPath("index.html"), TextPage("<HTML>home</HTML>"));
  // Larger than the fixed page buffer once was: sent whole, exact length.
  EXPECT_EQ(GetPath("big.html"), TextPage(big));
  for (const char* path : {"../secret.txt", "..\\secret.txt", "sub/../../secret.txt", "index.html?x=1", "index%20.html",
                           "/etc/passwd", "C:/windows/win.ini", "..", "NUL"}) {
    EXPECT_EQ(GetPath(path), kNotFound) << path;
  }
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, RequestInPiecesIsAnsweredOnceWhenTheBlankLineArrives) {
  std::string response = Talk([&](Client& client) {
    client.SendText("GET /$CO");
    Sleep(150);
    client.SendText("UNT HTTP/1.0\r\nHost: x\r\n");
    if (client.Readable(400)) return std::string("answered early");
    client.SendText("\r\n");
    std::string all = client.ReadAll();
    return client.closedByPeer ? all : "not closed: " + all;
  });
  EXPECT_EQ(response, TextPage("<HTML><BODY>3</BODY></HTML>"));
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, MoreRequestAfterTheAnswerStillGivesOneResponse) {
  std::string response = Talk([&](Client& client) {
    client.SendText("GET /$CAM1 HTTP/1.0\r\n\r\nGET /$CAM2 HTTP/1.0\r\n\r\n");
    return client.ReadAll();
  });
  EXPECT_EQ(response, Picture(cameras, 1));
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, EndlessRequestTextIsCutOffAndTheConnectionClosed) {
  std::string response = Talk([&](Client& client) {
    std::string line = "X-Filler: " + std::string(1000, 'y') + "\r\n";
    client.SendText("GET /$COUNT HTTP/1.0\r\n");
    // Far beyond the limit, never ending the header block.
    for (int i = 0; i < 200 && !client.Readable(0); ++i) client.SendText(line);
    std::string all = client.ReadAll();
    return client.closedByPeer ? "closed:" + all : "open:" + all;
  });
  EXPECT_EQ(response, "closed:");
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, SilentConnectionIsDroppedByItsTimer) {
  server = std::make_unique<Webserver>(web, 800);
  server->SetBindAddress(INADDR_LOOPBACK);
  ASSERT_TRUE(ApplyWebSettings(*server, nullptr, &cameras, &settings));
  port = server->LocalPort();
  auto start = Clock::now();
  std::string response = Talk([&](Client& client) {
    std::string all = client.ReadAll();
    return client.closedByPeer ? "closed:" + all : "open:" + all;
  });
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(response, "closed:");
  EXPECT_GT(seconds, 0.7);
  EXPECT_LT(seconds, 5.0);
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, DisablingClosesTheListenerAndEveryConnection) {
  std::atomic<int> closed{0};
  std::vector<std::thread> idle;
  // One after another, so each is accepted before the next.
  for (size_t i = 0; i < 3; ++i) {
    idle.emplace_back([&] {
      Client client(port);
      if (client.ReadAll().empty() && client.closedByPeer) ++closed;
    });
    EXPECT_TRUE(PumpUntil([&] { return server->ClientCount() == i + 1; }, 5s));
  }
  settings.webEnabled = 0;
  EXPECT_TRUE(ApplyWebSettings(*server, nullptr, &cameras, &settings));
  EXPECT_FALSE(server->IsListening());
  EXPECT_EQ(server->ClientCount(), 0u);
  for (auto& t : idle) t.join();
  EXPECT_EQ(closed, 3);
  Client late(port);
  EXPECT_FALSE(late.connected);
}

TEST_F(WebserverTest, ReapplyingWhileEnabledMovesTheListenerAndKeepsConnections) {
  std::promise<void> release;
  auto released = release.get_future().share();
  std::thread idle([&, released] {
    Client client(port);
    released.wait();
    client.SendText("GET /$COUNT HTTP/1.0\r\n\r\n");
    EXPECT_EQ(client.ReadAll(), TextPage("<HTML><BODY>3</BODY></HTML>"));
  });
  ASSERT_TRUE(PumpUntil([&] { return server->ClientCount() == 1; }, 5s));
  EXPECT_TRUE(ApplyWebSettings(*server, nullptr, &cameras, &settings));
  EXPECT_TRUE(server->IsListening());
  EXPECT_EQ(server->ClientCount(), 1u);
  uint16_t old = port;
  port = server->LocalPort();
  EXPECT_NE(port, old);
  release.set_value();
  EXPECT_TRUE(PumpUntil([&] { return server->ClientCount() == 0; }, 5s));
  idle.join();
  EXPECT_EQ(GetPath("$COUNT"), TextPage("<HTML><BODY>3</BODY></HTML>"));
}

// Reads the message box that a failed listen shows, then closes it.
struct MessageBoxSeen {
  std::string title;
  std::vector<std::string> texts;
};

BOOL CALLBACK CollectText(HWND child, LPARAM seen) {
  char text[256] = {};
  GetWindowTextA(child, text, sizeof text);
  if (text[0]) reinterpret_cast<MessageBoxSeen*>(seen)->texts.emplace_back(text);
  return TRUE;
}

TEST(ApplyWebSettings, PortInUseIsReportedAndLeavesTheServerStopped) {
  Webserver blocker;
  blocker.SetBindAddress(INADDR_LOOPBACK);
  ASSERT_TRUE(blocker.Start(0));
  WebSettings settings = DefaultWebSettings();
  settings.webEnabled = 1;
  settings.listenPort = blocker.LocalPort();
  Webserver server;
  server.SetBindAddress(INADDR_LOOPBACK);

  MessageBoxSeen seen;
  std::atomic<bool> stop{false};
  std::thread watcher([&] {
    while (!stop) {
      HWND box = FindWindowA("#32770", "Vorrandale Error");
      if (box) {
        Sleep(100);
        seen.title = "Vorrandale Error";
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&seen));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  FakeCameras cameras(1);
  EXPECT_FALSE(ApplyWebSettings(server, nullptr, &cameras, &settings));
  stop = true;
  watcher.join();
  EXPECT_EQ(seen.title, "Vorrandale Error");
  const std::string expected = "Unable to Listen on webserver port " + std::to_string(settings.listenPort);
  EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), expected), seen.texts.end())
      << (seen.texts.empty() ? "" : seen.texts[0]);
  EXPECT_FALSE(server.IsListening());
}

}  // namespace

namespace {

struct BoxCall {
  HWND owner;
  std::string text;
  std::string title;
  UINT flags;
  int calls = 0;
} boxCall;

int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR title, UINT flags) {
  boxCall = {owner, text, title, flags, boxCall.calls + 1};
  return IDOK;
}

TEST(ApplyWebSettings, ListenFailureBoxIsAnExclamationOnTopOfTheOwner) {
  Webserver blocker;
  blocker.SetBindAddress(INADDR_LOOPBACK);
  ASSERT_TRUE(blocker.Start(0));
  WebSettings settings = DefaultWebSettings();
  settings.webEnabled = 1;
  settings.listenPort = blocker.LocalPort();
  Webserver server;
  server.SetBindAddress(INADDR_LOOPBACK);
  HWND owner = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(ApplyWebSettings(server, owner, nullptr, &settings, &RecordBox));
  EXPECT_EQ(boxCall.calls, 1);
  EXPECT_EQ(boxCall.owner, owner);
  EXPECT_EQ(boxCall.text, "Unable to Listen on webserver port " + std::to_string(settings.listenPort));
  EXPECT_EQ(boxCall.title, "Vorrandale Error");
  EXPECT_EQ(boxCall.flags, 0x40030u);
  EXPECT_FALSE(server.IsListening());
  // Listening works again once the port is free.
  blocker.Stop();
  EXPECT_TRUE(ApplyWebSettings(server, owner, nullptr, &settings, &RecordBox));
  EXPECT_TRUE(server.IsListening());
  EXPECT_EQ(boxCall.calls, 1);
}

}  // namespace

namespace {

const std::string kStreamHeader =
    "HTTP/1.0 200 OK\r\nCache-Control: no-cache\r\n"
    "Content-Type: multipart/x-mixed-replace; boundary=vorrandale-live-5f3c1a\r\n\r\n";

}  // namespace

TEST_F(WebserverTest, RootIsTheIndexPageOnlyWhenThereIsOne) {
  settings.requireLogin = 1;
  EXPECT_EQ(GetPath(""), kNotFound) << "no index page: refused before the login";
  settings.requireLogin = 0;
  EXPECT_EQ(GetPath(""), kNotFound);
  WriteWebFile("index.html", std::string("<p>live</p>\0tail", 16));
  EXPECT_EQ(GetPath(""), TextPage(std::string("<p>live</p>\0tail", 16)));
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, StreamSendsEachPictureOnceEncodedWholeAndAlikeToEveryViewer) {
  cameras.NewPicture(1, "picture one");
  auto viewer = [&] {
    return std::async(std::launch::async, [&] {
      Client client(port);
      client.SendText("GET /$STREAM1 HTTP/1.0\r\n\r\n");
      std::vector<std::string> got{client.ReadThrough("\r\n\r\n")};
      for (int i = 0; i < 3; ++i) got.push_back(client.ReadPart());
      return got;
    });
  };
  auto first = viewer();
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 1; }, 10s));
  auto second = viewer();
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 2; }, 10s));
  const auto grabsOfOne = [&] { return std::count(cameras.grabbed.begin(), cameras.grabbed.end(), 1); };
  for (const char* next : {"picture two", "picture three"}) {
    const auto grabs = grabsOfOne();
    cameras.NewPicture(1, next);
    ASSERT_TRUE(PumpUntil([&] { return grabsOfOne() == grabs + 1; }, 5s));
  }
  ASSERT_TRUE(PumpUntil([&] { return first.wait_for(0ms) == std::future_status::ready; }, 10s));
  ASSERT_TRUE(PumpUntil([&] { return second.wait_for(0ms) == std::future_status::ready; }, 10s));
  const std::vector<std::string> expected{kStreamHeader, "picture one", "picture two", "picture three"};
  EXPECT_EQ(first.get(), expected);
  EXPECT_EQ(second.get(), expected) << "a viewer that joins gets the picture of the moment at once";
  EXPECT_EQ(grabsOfOne(), 3) << "each picture encoded once for both viewers";
  EXPECT_EQ(cameras.grabbed.size(), 3u) << "and nothing else";
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, SlowViewerSkipsPicturesAndHoldsAtMostThePartItIsSending) {
  std::promise<void> resume;
  auto resumed = resume.get_future().share();
  const std::string big(1 << 20, 'p');
  auto picture = [&](int n) { return std::to_string(100 + n) + big; };
  constexpr int kPictures = 40;
  cameras.NewPicture(1, picture(0));
  auto slow = std::async(std::launch::async, [&, resumed] {
    Client client(port);
    client.SendText("GET /$STREAM1 HTTP/1.0\r\n\r\n");
    resumed.wait();  // reads nothing while the pictures come
    client.ReadThrough("\r\n\r\n");
    std::vector<std::string> got;
    do {
      got.push_back(client.ReadPart());
    } while (got.back().rfind("bad part", 0) != 0 && got.back() != picture(kPictures));
    return got;
  });
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 1; }, 10s));
  size_t mostHeld = 0;
  for (int n = 1; n <= kPictures; ++n) {
    cameras.NewPicture(1, picture(n));
    PumpUntil([] { return false; }, 20ms);
    mostHeld = std::max(mostHeld, server->StreamBytesHeld());
  }
  EXPECT_LE(mostHeld, picture(0).size() + 200) << "never more than one part for the slow viewer";
  resume.set_value();
  ASSERT_TRUE(PumpUntil([&] { return slow.wait_for(0ms) == std::future_status::ready; }, 20s));
  std::vector<std::string> got = slow.get();
  ASSERT_FALSE(got.empty());
  EXPECT_LT(got.size(), static_cast<size_t>(kPictures) / 2) << "pictures it could not take were skipped";
  for (const std::string& part : got) EXPECT_EQ(part.size(), picture(0).size()) << part.substr(0, 40);
  EXPECT_EQ(got.back(), picture(kPictures)) << "and it catches up with the newest";
}

TEST_F(WebserverTest, StreamsAreCappedWithAClearAnswer) {
  std::vector<std::unique_ptr<Client>> viewers;
  for (size_t i = 0; i <= kMaxLiveStreams; ++i) {
    viewers.push_back(std::make_unique<Client>(port));
    viewers.back()->SendText(i % 2 ? "GET /$STREAM2 HTTP/1.0\r\n\r\n" : "GET /$GRID HTTP/1.0\r\n\r\n");
    // One at a time, so that the last one is the one beyond the cap.
    ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == std::min(i + 1, kMaxLiveStreams); }, 10s));
  }
  ASSERT_TRUE(PumpUntil([&] { return viewers.back()->Readable(0); }, 10s));
  ASSERT_TRUE(PumpUntil([&] { return server->ClientCount() == kMaxLiveStreams; }, 10s));
  EXPECT_EQ(server->StreamCount(), kMaxLiveStreams);
  const std::string body = "<HTML><BODY>Vorrandale Webserver<br>ERROR: Too Many Live Streams</BODY></HTML>";
  EXPECT_EQ(viewers.back()->ReadAll(),
            "HTTP/1.0 503 Service Unavailable\r\nContent-Type: text/html; charset=UTF-8\r\n"
            "Content-Length: " +
                std::to_string(body.size()) + "\r\nRetry-After: 10\r\n\r\n" + body);
  viewers.clear();
  ExpectNoConnectionsLeft();
  EXPECT_EQ(GetPath("$COUNT"), TextPage("<HTML><BODY>3</BODY></HTML>"));
}

TEST_F(WebserverTest, StreamWaitsForAPictureAndEndsWhenItsCameraGoes) {
  cameras.pictures[2].clear();  // camera 3 has no picture yet
  std::promise<void> pictureSent;
  auto viewer = std::async(std::launch::async, [&] {
    Client client(port);
    client.SendText("GET /$STREAM3 HTTP/1.0\r\n\r\n");
    std::string header = client.ReadThrough("\r\n\r\n");
    const bool early = client.Readable(300);
    pictureSent.get_future().wait();
    std::string part = client.ReadPart();
    std::string rest = client.ReadAll();
    return std::vector<std::string>{header, early ? "early" : "waited", part, rest,
                                    client.closedByPeer ? "closed" : "open"};
  });
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 1; }, 10s));
  PumpUntil([] { return false; }, 500ms);
  cameras.NewPicture(3, "at last");
  pictureSent.set_value();
  PumpUntil([] { return false; }, 200ms);
  cameras.pictures.pop_back();  // the camera is removed from the grid, and says so as it goes
  cameras.changes.back()->WakeAll();
  ASSERT_TRUE(PumpUntil([&] { return viewer.wait_for(0ms) == std::future_status::ready; }, 10s));
  EXPECT_EQ(viewer.get(), (std::vector<std::string>{kStreamHeader, "waited", "at last", "", "closed"}));
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, TricklingRequestIsCutOffAtItsDeadlineFromTheConnection) {
  server = std::make_unique<Webserver>(web, 1000);
  server->SetBindAddress(INADDR_LOOPBACK);
  ASSERT_TRUE(ApplyWebSettings(*server, nullptr, &cameras, &settings));
  port = server->LocalPort();
  auto start = Clock::now();
  std::string response = Talk([&](Client& client) {
    // A byte every 100 ms: never idle, never done.
    for (char c : std::string("GET /$COUNT HTTP/1.0\r\nX-Slow: zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz")) {
      if (client.Readable(100)) break;
      client.SendText(std::string(1, c));
    }
    std::string all = client.ReadAll();
    return client.closedByPeer ? "closed:" + all : "open:" + all;
  });
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(response, "closed:");
  EXPECT_GT(seconds, 0.9);
  EXPECT_LT(seconds, 3.0);
  ExpectNoConnectionsLeft();
}

TEST_F(WebserverTest, GridIsRenderedOncePerPeriodForAllItsViewers) {
  auto viewer = [&] {
    return std::async(std::launch::async, [&] {
      Client client(port);
      client.SendText("GET /$GRID HTTP/1.0\r\n\r\n");
      std::vector<std::string> got{client.ReadThrough("\r\n\r\n")};
      for (int i = 0; i < 3; ++i) got.push_back(client.ReadPart());
      return got;
    });
  };
  auto first = viewer();
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 1; }, 10s));
  auto second = viewer();
  ASSERT_TRUE(PumpUntil([&] { return server->StreamCount() == 2; }, 10s));
  // New pictures every 20 ms for a second: about four grid pictures, not 50.
  const auto start = Clock::now();
  int changes = 0;
  while (Clock::now() - start < 1000ms) {
    cameras.NewPicture(1 + changes % 3, "picture " + std::to_string(changes));
    ++changes;
    PumpUntil([] { return false; }, 20ms);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_LE(cameras.gridRenders, static_cast<int>(seconds * 1000 / kGridPeriodMs) + 2) << changes;
  EXPECT_GE(cameras.gridRenders, 3);
  ASSERT_TRUE(PumpUntil([&] { return first.wait_for(0ms) == std::future_status::ready; }, 10s));
  ASSERT_TRUE(PumpUntil([&] { return second.wait_for(0ms) == std::future_status::ready; }, 10s));
  std::vector<std::string> a = first.get(), b = second.get();
  EXPECT_EQ(a[0], kStreamHeader);
  for (size_t i = 1; i < a.size(); ++i) EXPECT_EQ(a[i].substr(0, 2), "\xFF\xD8") << "a JPEG";
  EXPECT_EQ(a, b) << "the same grid pictures for both";
  ExpectNoConnectionsLeft();
}
