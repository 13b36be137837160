#pragma once
// Alerts told to an MQTT broker: one thread keeps the connection (TLS when
// chosen), publishes what waits in order, pings while idle and reconnects
// with growing back-off. See mqtt_topics.h for what is published.

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "common/scoped_handle_win.h"
#include "engine/frame_slot.h"
#include "events/alert_queue.h"
#include "events/alert_settings.h"
#include "events/mqtt_topics.h"

class MqttChannel : public AlertChannel {
 public:
  // `cameras` are those announced to Home Assistant at each connect.
  MqttChannel(const AlertServers& servers, std::vector<MqttCamera> cameras, DeliveryListener listener);
  // Publishes "offline", disconnects and returns promptly.
  ~MqttChannel() override;
  MqttChannel(const MqttChannel&) = delete;
  MqttChannel& operator=(const MqttChannel&) = delete;

  void Send(const Alert& alert) override;

 private:
  class EventWake : public Wakeable {
   public:
    explicit EventWake(HANDLE event) : event_(event) {}
    void Wake() override { SetEvent(event_); }

   private:
    HANDLE event_;
  };

  struct Delivery;

  void Run();
  // One attempt to connect and announce; false with the reason.
  bool Reach(Delivery& d, std::string& error);
  // Reports the failure and sets the next attempt after the back-off.
  void Fail(Delivery& d, const std::string& error);
  std::string Where() const;

  std::string host_;
  uint16_t port_;
  bool tls_;
  std::string user_;
  std::string password_;
  std::string prefix_;
  std::string trustedCertificates_;
  std::vector<MqttCamera> cameras_;
  DeliveryListener listener_;
  ScopedKernelHandle stop_;
  ScopedKernelHandle wakeEvent_;
  EventWake wake_;
  AlertQueue queue_;
  std::thread thread_;
};
