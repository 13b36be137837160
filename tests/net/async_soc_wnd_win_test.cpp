#include "net/async_soc_wnd_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/test_window_win.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a derived class sees of the socket it holds.
class Inspected : public AsyncSocWnd {
 public:
  using AsyncSocWnd::AsyncSocWnd;
  SOCKET Socket() const { return socket_.Get(); }
  UINT TimeoutMs() const { return timeoutMs_; }
};

// Dispatches this thread's messages until `done` holds or the time is up.
// Records the handlers in the order they run.
class Recorder : public Inspected {
 public:
  using Inspected::Inspected;
  std::vector<std::string> events;
  std::string received;
  bool reading = true;
  bool socketClosedAtTimeout = false;
  Clock::time_point lastProgress{};
  Clock::time_point timedOutAt{};

  int Count(const std::string& name) const {
    int n = 0;
    for (const auto& e : events) n += e.rfind(name, 0) == 0;
    return n;
  }
  bool Pending() const { return sendBuffer_ != nullptr; }
  const unsigned char* Buffer() const { return sendBuffer_.get(); }
  int32_t Offset() const { return sendOffset_; }
  int32_t Length() const { return sendLength_; }
  int32_t ConnectState() const { return connectState_; }

  void Drain() {
    char chunk[65536];
    int n;
    while ((n = recv(Socket(), chunk, sizeof chunk, 0)) > 0) received.append(chunk, static_cast<size_t>(n));
  }
  // Sends and notes the time whenever bytes went out.
  void SendNoting(const void* data, int length) {
    Send(data, length);
    lastProgress = Clock::now();
  }

  void OnReceive(int error) override {
    events.push_back("Receive:" + std::to_string(error));
    if (reading) Drain();
  }
  void OnSendComplete() override { events.push_back("SendComplete"); }
  void OnConnected() override { events.push_back("Connected"); }
  void OnTimeout() override {
    events.push_back("Timeout");
    socketClosedAtTimeout = Socket() == INVALID_SOCKET;
    timedOutAt = Clock::now();
  }
  void OnWritable(int error) override {
    events.push_back("Writable:" + std::to_string(error));
    int32_t before = sendOffset_;
    AsyncSocWnd::OnWritable(error);
    if (sendOffset_ != before || !sendBuffer_) lastProgress = Clock::now();
  }
  void OnConnect(int error) override { events.push_back("Connect:" + std::to_string(error)); }
  void OnClose(int error) override { events.push_back("Close:" + std::to_string(error)); }
};

// A listener on loopback that hands each accepted socket to a Recorder.
class Listener : public Inspected {
 public:
  std::vector<std::unique_ptr<Recorder>> accepted;
  void OnAccept(SOCKET listening, int) override {
    auto peer = std::make_unique<Recorder>();
    int size = sizeof peerAddress_;
    SOCKET s = accept(listening, reinterpret_cast<sockaddr*>(&peerAddress_), &size);
    if (s == INVALID_SOCKET) return;
    if (!peer->Attach(s)) {
      closesocket(s);
      return;
    }
    accepted.push_back(std::move(peer));
  }
};

class SocketPair : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listener.Listen(0, INADDR_LOOPBACK));
    ASSERT_NE(listener.LocalPort(), 0);
  }
  // Connects `client` and waits until both ends are ready.
  void ConnectClient() {
    ASSERT_TRUE(client->Connect(INADDR_LOOPBACK, listener.LocalPort()));
    ASSERT_TRUE(PumpUntil([&] { return client->Count("Connected") == 1 && listener.accepted.size() == 1; },
                          std::chrono::seconds(5)));
  }
  Recorder& Server() { return *listener.accepted.at(0); }

  Listener listener;
  std::unique_ptr<Recorder> client = std::make_unique<Recorder>();
};

TEST_F(SocketPair, OutgoingConnectionSignalsConnectWritableThenConnectedOnce) {
  EXPECT_EQ(client->ConnectState(), kNotConnected);
  ConnectClient();
  PumpFor(std::chrono::milliseconds(300));
  ASSERT_GE(client->events.size(), 3u);
  EXPECT_EQ(client->events[0], "Connect:0");
  EXPECT_EQ(client->events[1], "Writable:0");
  EXPECT_EQ(client->events[2], "Connected");
  EXPECT_EQ(client->Count("Connected"), 1);
  EXPECT_EQ(client->ConnectState(), kConnectWritable);

  // Traffic both ways: the accepted side is writable and readable, but never
  // told it connected.
  client->Send("ping", 4);
  ASSERT_TRUE(PumpUntil([&] { return Server().received == "ping"; }, std::chrono::seconds(5)));
  Server().Send("pong", 4);
  ASSERT_TRUE(PumpUntil([&] { return client->received == "pong"; }, std::chrono::seconds(5)));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_GE(Server().Count("Writable:0"), 1);
  EXPECT_EQ(Server().Count("Connected"), 0);
  EXPECT_EQ(Server().Count("Connect:"), 0);
  EXPECT_EQ(Server().ConnectState(), kNotConnected);

  client->Close();
  EXPECT_EQ(client->ConnectState(), kNotConnected);
  EXPECT_EQ(client->Socket(), INVALID_SOCKET);
  ASSERT_TRUE(PumpUntil([&] { return Server().Count("Close:") == 1; }, std::chrono::seconds(5)));
}

TEST_F(SocketPair, SendTakenWholeCompletesBeforeReturningAndStopsTheTimer) {
  ConnectClient();
  client->events.clear();
  client->Send("hello", 5);
  // Completed synchronously, inside Send.
  ASSERT_EQ(client->events, std::vector<std::string>{"SendComplete"});
  EXPECT_FALSE(client->Pending());
  // The connect watchdog is gone with the completed send.
  EXPECT_FALSE(KillTimer(client->Handle(), SOCKET_TIMER));
  ASSERT_TRUE(PumpUntil([&] { return Server().received == "hello"; }, std::chrono::seconds(5)));
}

TEST_F(SocketPair, NullOrEmptySendDoesNothing) {
  ConnectClient();
  client->events.clear();
  client->Send(nullptr, 10);
  client->Send("x", 0);
  EXPECT_TRUE(client->events.empty());
  EXPECT_FALSE(client->Pending());
  // The connect watchdog still runs: nothing was sent.
  EXPECT_TRUE(KillTimer(client->Handle(), SOCKET_TIMER));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(Server().received, "");
}

TEST_F(SocketPair, SecondSendWhilePendingTakesNothingNew) {
  ConnectClient();
  Server().reading = false;
  // Far more than loopback buffers hold, so the send stalls.
  std::vector<unsigned char> big(48 * 1024 * 1024);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 7 + (i >> 16));
  client->Send(big.data(), static_cast<int>(big.size()));
  ASSERT_TRUE(client->Pending());
  const unsigned char* buffer = client->Buffer();
  const int32_t offset = client->Offset();
  EXPECT_LT(offset, client->Length());

  client->Send("SECOND", 6);
  EXPECT_EQ(client->Buffer(), buffer);
  EXPECT_EQ(client->Length(), static_cast<int32_t>(big.size()));
  EXPECT_EQ(client->Count("SendComplete"), 0);

  Server().reading = true;
  Server().Drain();
  ASSERT_TRUE(PumpUntil([&] { return Server().received.size() >= big.size(); }, std::chrono::seconds(30)));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(client->Count("SendComplete"), 1);
  EXPECT_FALSE(client->Pending());
  ASSERT_EQ(Server().received.size(), big.size());
  EXPECT_TRUE(Server().received == std::string(big.begin(), big.end()));
  EXPECT_FALSE(KillTimer(client->Handle(), SOCKET_TIMER));
}

TEST_F(SocketPair, StalledSendTimesOutAfterTheLastProgressWithTheSocketClosed) {
  ConnectClient();
  Server().reading = false;
  std::vector<unsigned char> big(48 * 1024 * 1024, 0x55);
  client->SendNoting(big.data(), static_cast<int>(big.size()));
  ASSERT_TRUE(client->Pending());
  ASSERT_TRUE(PumpUntil([&] { return client->Count("Timeout") == 1; }, std::chrono::seconds(30)));
  EXPECT_TRUE(client->socketClosedAtTimeout);
  EXPECT_EQ(client->Socket(), INVALID_SOCKET);
  EXPECT_FALSE(client->Pending());
  EXPECT_EQ(client->Count("SendComplete"), 0);
  const double seconds = std::chrono::duration<double>(client->timedOutAt - client->lastProgress).count();
  EXPECT_GT(seconds, 19.5);
  EXPECT_LT(seconds, 21.5);
  EXPECT_EQ(client->TimeoutMs(), 20000u);
  // The peer sees the connection end.
  Server().reading = true;
  Server().Drain();
  ASSERT_TRUE(PumpUntil([&] { return Server().Count("Close:") >= 1; }, std::chrono::seconds(10)));
}

TEST_F(SocketPair, HardSendErrorDropsTheBytesClosesAndStillCompletes) {
  ConnectClient();
  // The peer resets the connection: its next send fails outright.
  linger abort{1, 0};
  setsockopt(Server().Socket(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
  Server().Close();
  ASSERT_TRUE(PumpUntil([&] { return client->Count("Close:") == 1; }, std::chrono::seconds(5)));
  client->events.clear();
  std::vector<unsigned char> data(256 * 1024, 1);
  for (int i = 0; i < 4 && client->Socket() != INVALID_SOCKET; ++i) {
    client->Send(data.data(), static_cast<int>(data.size()));
    PumpFor(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(client->Socket(), INVALID_SOCKET);
  EXPECT_FALSE(client->Pending());
  EXPECT_GE(client->Count("SendComplete"), 1);
  EXPECT_FALSE(KillTimer(client->Handle(), SOCKET_TIMER));
}

TEST_F(SocketPair, ShortWatchdogEndsAConnectThatNeverSends) {
  client = std::make_unique<Recorder>(300);
  ConnectClient();
  ASSERT_TRUE(PumpUntil([&] { return client->Count("Timeout") == 1; }, std::chrono::seconds(5)));
  EXPECT_TRUE(client->socketClosedAtTimeout);
  EXPECT_EQ(client->ConnectState(), kNotConnected);
}

TEST_F(SocketPair, IgnoresEventsAboveCloseAndEventsOfOtherSockets) {
  ConnectClient();
  PumpFor(std::chrono::milliseconds(200));
  client->events.clear();
  const auto socket = static_cast<WPARAM>(client->Socket());
  PostMessageA(client->Handle(), WM_SOCKET_EVENT, socket, WSAMAKESELECTREPLY(64, 0));
  PostMessageA(client->Handle(), WM_SOCKET_EVENT, socket, WSAMAKESELECTREPLY(33, 0));
  PostMessageA(client->Handle(), WM_SOCKET_EVENT, socket + 4, WSAMAKESELECTREPLY(FD_CLOSE, 0));
  PostMessageA(client->Handle(), WM_SOCKET_EVENT, socket, WSAMAKESELECTREPLY(FD_CLOSE, 10054));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(client->events, std::vector<std::string>{"Close:10054"});
}

TEST(AsyncSocWnd, CloseWithoutSocketIsHarmless) {
  Recorder soc;
  soc.Close();
  soc.Close();
  EXPECT_EQ(soc.Socket(), INVALID_SOCKET);
  EXPECT_EQ(soc.ConnectState(), kNotConnected);
  EXPECT_TRUE(soc.events.empty());
}

TEST(AsyncSocWnd, ListenOnAPortInUseFailsAndKeepsItsSocketUntilClose) {
  Listener first;
  ASSERT_TRUE(first.Listen(0, INADDR_LOOPBACK));
  Listener second;
  EXPECT_FALSE(second.Listen(first.LocalPort(), INADDR_LOOPBACK));
  EXPECT_NE(second.Socket(), INVALID_SOCKET);
  second.Close();
  EXPECT_EQ(second.Socket(), INVALID_SOCKET);
}

TEST(AsyncSocWnd, RefusedConnectReportsTheError) {
  u_short port;
  {
    Listener probe;
    ASSERT_TRUE(probe.Listen(0, INADDR_LOOPBACK));
    port = probe.LocalPort();
  }
  Recorder client;
  ASSERT_TRUE(client.Connect(INADDR_LOOPBACK, port));
  ASSERT_TRUE(PumpUntil([&] { return client.Count("Connect:") == 1; }, std::chrono::seconds(5)));
  EXPECT_EQ(client.events[0], "Connect:" + std::to_string(WSAECONNREFUSED));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(client.Count("Connected"), 0);
  EXPECT_EQ(client.ConnectState(), kNotConnected);
}

}  // namespace
