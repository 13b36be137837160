#include "events/mqtt_channel_win.h"

#include <memory>

#include "events/mqtt_outbox.h"
#include "net/net_stream_win.h"

namespace {

constexpr int kStepTimeoutMs = 10000;
constexpr uint16_t kKeepAliveSeconds = 60;
// Idle this long, the connection is proven with a ping, well inside the
// keep-alive the broker holds us to.
constexpr ULONGLONG kPingIdleMs = kKeepAliveSeconds * 1000 / 2;

// One connection to the broker, on the channel's thread.
class MqttLink {
 public:
  MqttLink(HANDLE stop, HANDLE wake) : stream_(stop), wake_(wake) {}

  // Connects, with TLS when `tls` is given, and waits for the broker to
  // accept `connect`.
  bool Open(const std::string& host, uint16_t port, const TlsConfig* tls, const MqttConnect& connect,
            std::string& error) {
    decoder_.Reset();
    pingSentAt_ = 0;
    if (!stream_.Connect(host, port, kStepTimeoutMs, error)) return false;
    if (tls && !stream_.StartTls(*tls, host, kStepTimeoutMs, error)) return false;
    if (!Send(EncodeMqttConnect(connect), error)) return false;
    const ULONGLONG start = GetTickCount64();
    MqttIncoming answer;
    for (;;) {
      const MqttDecodeResult result = decoder_.Next(answer);
      if (result == MqttDecodeResult::kPacket) break;
      if (result == MqttDecodeResult::kMalformed) {
        error = "the broker sent " + decoder_.Error();
        return false;
      }
      const ULONGLONG spent = GetTickCount64() - start;
      std::string in;
      const StreamWait wait = spent >= kStepTimeoutMs
                                  ? StreamWait::kTimeout
                                  : stream_.Receive(in, static_cast<int>(kStepTimeoutMs - spent), error);
      if (wait == StreamWait::kTimeout) error = "the broker did not answer the connection";
      if (wait == StreamWait::kClosed) error = "the broker closed the connection";
      if (wait != StreamWait::kData) return false;
      decoder_.Feed(in);
    }
    if (answer.type != MqttPacketType::kConnack) {
      error = "the broker answered out of turn";
      return false;
    }
    if (answer.returnCode != 0) {
      error = MqttConnackText(answer.returnCode);
      return false;
    }
    return true;
  }

  bool Send(const std::string& packet, std::string& error) {
    intact_ = stream_.Send(packet, kStepTimeoutMs, error);
    lastSent_ = GetTickCount64();
    return intact_;
  }

  // Waits for the broker's answers, the wake event or the time to ping.
  // False, with the reason, when the connection is lost.
  bool Serve(MqttOutbox& outbox, std::string& error) {
    const ULONGLONG now = GetTickCount64();
    int waitMs = 0;
    if (pingSentAt_ != 0) {
      if (now - pingSentAt_ >= kStepTimeoutMs) {
        error = "the broker did not answer a keep-alive ping";
        return false;
      }
      waitMs = static_cast<int>(pingSentAt_ + kStepTimeoutMs - now);
    } else if (now - lastSent_ >= kPingIdleMs) {
      pingSentAt_ = now;
      return Send(EncodeMqttPingreq(), error);
    } else {
      waitMs = static_cast<int>(lastSent_ + kPingIdleMs - now);
    }
    std::string in;
    switch (stream_.Receive(in, waitMs, error, wake_)) {
      case StreamWait::kData:
        return Take(in, outbox, error);
      case StreamWait::kTimeout:
      case StreamWait::kWoken:
        return true;
      case StreamWait::kClosed:
        error = "the broker closed the connection";
        return false;
      case StreamWait::kFailed:
        break;
    }
    return false;
  }

  // Says goodbye, if the stream is not cut mid-packet.
  void Close(const std::string& prefix) {
    std::string ignored;
    if (intact_ && stream_.IsOpen() && Send(EncodeMqttPublish(MqttOfflineMessage(prefix)), ignored))
      Send(EncodeMqttDisconnect(), ignored);
    stream_.Close();
  }

  void Drop() { stream_.Close(); }

 private:
  bool Take(const std::string& in, MqttOutbox& outbox, std::string& error) {
    decoder_.Feed(in);
    MqttIncoming packet;
    for (;;) {
      const MqttDecodeResult result = decoder_.Next(packet);
      if (result == MqttDecodeResult::kNeedMore) return true;
      if (result == MqttDecodeResult::kMalformed) {
        error = "the broker sent " + decoder_.Error();
        return false;
      }
      if (packet.type == MqttPacketType::kPingresp) {
        pingSentAt_ = 0;
      } else if (packet.type == MqttPacketType::kPuback) {
        outbox.Acknowledge(packet.packetId);
      } else {
        error = "the broker answered out of turn";
        return false;
      }
    }
  }

  NetStream stream_;
  HANDLE wake_;
  MqttDecoder decoder_;
  ULONGLONG lastSent_ = 0;
  ULONGLONG pingSentAt_ = 0;  // 0: no ping waits for its answer
  bool intact_ = true;
};

}  // namespace

MqttChannel::MqttChannel(const AlertServers& servers, std::vector<MqttCamera> cameras, DeliveryListener listener)
    : host_(servers.mqttHost),
      port_(static_cast<uint16_t>(servers.mqttPort)),
      tls_(servers.mqttTls != 0),
      user_(servers.mqttUser),
      password_(servers.mqttPassword),
      prefix_(MqttTopicPrefix(servers.mqttPrefix)),
      trustedCertificates_(servers.trustedCertificates),
      cameras_(std::move(cameras)),
      listener_(std::move(listener)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      wake_(wakeEvent_.Get()),
      queue_(&wake_),
      thread_([this] { Run(); }) {}

MqttChannel::~MqttChannel() {
  SetEvent(stop_.Get());
  thread_.join();
}

void MqttChannel::Send(const Alert& alert) {
  queue_.Push(alert);
}

// What only the delivery thread touches.
struct MqttChannel::Delivery {
  Delivery(HANDLE stop, HANDLE wake) : link(stop, wake) {}

  MqttConnect connect;
  MqttOutbox outbox;
  MqttLink link;
  std::unique_ptr<TlsConfig> tlsConfig;
  bool connected = false;
  int failures = 0;
  ULONGLONG nextAttempt = 0;
  size_t droppedTold = 0;
};

void MqttChannel::Run() {
  Delivery d(stop_.Get(), wakeEvent_.Get());
  d.connect.clientId = MqttNodeId(prefix_);
  // A kept session is where the protocol sends unacknowledged messages
  // again with their own ids.
  d.connect.cleanSession = false;
  d.connect.keepAliveSeconds = kKeepAliveSeconds;
  d.connect.user = user_;
  d.connect.password = password_;
  const MqttPublish offline = MqttOfflineMessage(prefix_);
  d.connect.will = MqttWill{offline.topic, offline.payload, offline.qos, offline.retain};
  const auto stopping = [&] { return WaitForSingleObject(stop_.Get(), 0) == WAIT_OBJECT_0; };
  while (!stopping()) {
    for (std::optional<Alert> alert; (alert = queue_.Front()); queue_.Pop())
      for (MqttPublish& message : MqttAlertMessages(prefix_, *alert)) d.outbox.Add(std::move(message), alert->camera);
    std::string error;
    bool working;
    if (!d.connected) {
      const ULONGLONG now = GetTickCount64();
      if (now < d.nextAttempt) {
        HANDLE handles[2] = {stop_.Get(), wakeEvent_.Get()};
        WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(d.nextAttempt - now));
        continue;
      }
      working = d.connected = Reach(d, error);
    } else {
      working = true;
      for (std::string packet; working && !(packet = d.outbox.TakeNext()).empty();)
        working = d.link.Send(packet, error);
      working = working && d.link.Serve(d.outbox, error);
    }
    if (working) continue;
    // A connection the stop interrupted still says goodbye below.
    if (stopping()) break;
    d.link.Drop();
    d.connected = false;
    Fail(d, error);
  }
  if (d.connected) d.link.Close(prefix_);
}

bool MqttChannel::Reach(Delivery& d, std::string& error) {
  if (host_.empty()) {
    error = "no broker is set";
    return false;
  }
  if (tls_ && !d.tlsConfig && !(d.tlsConfig = MakeClientTlsConfig(trustedCertificates_, error))) return false;
  if (!d.link.Open(host_, port_, d.tlsConfig.get(), d.connect, error)) return false;
  d.outbox.Reconnected();
  for (const MqttPublish& message : MqttConnectMessages(prefix_, cameras_))
    if (!d.link.Send(EncodeMqttPublish(message), error)) return false;
  if (d.failures > 0) {
    const size_t dropped = d.outbox.Dropped() + queue_.Dropped() - d.droppedTold;
    d.droppedTold += dropped;
    listener_({"MQTT", d.outbox.OldestCamera(), false,
               "MQTT: connected to " + Where() + " again" +
                   (dropped ? ", " + std::to_string(dropped) + " messages were dropped meanwhile" : "")});
  }
  d.failures = 0;
  return true;
}

void MqttChannel::Fail(Delivery& d, const std::string& error) {
  const int64_t delay = RetryDelayMs(++d.failures);
  d.nextAttempt = GetTickCount64() + static_cast<ULONGLONG>(delay);
  listener_({"MQTT", d.outbox.OldestCamera(), true,
             "MQTT: " + Where() + ": " + error + ", next attempt in " + std::to_string(delay / 1000) + " s"});
}

std::string MqttChannel::Where() const {
  return host_ + ":" + std::to_string(port_);
}
