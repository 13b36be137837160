#pragma once
// The program's event log, its store beside the configuration file, and the
// alert channels the servers' settings name. The main window applies its
// settings here after every load and save.

#include <memory>
#include <string>
#include <vector>

#include "events/alert_settings.h"
#include "events/event_log.h"
#include "events/mqtt_topics.h"

class ProgramEvents {
 public:
  // The store "<configuration path without extension>.events.db". Without
  // it, events are told but not kept.
  explicit ProgramEvents(const std::string& configPath);
  const std::string& StorePath() const { return storePath_; }

  // The cameras as they are now, and the servers: the channels are made
  // again only when their settings or the cameras they announce changed.
  // `pictureBase` ("https://host:port/", "" without a web server) starts
  // an event's picture address.
  void Apply(const AlertServers& servers, std::vector<EventCamera> cameras, const std::string& pictureBase);

 private:
  std::string storePath_;
  std::unique_ptr<EventLog> log_;
  bool applied_ = false;
  AlertServers servers_{};
  std::vector<MqttCamera> announced_;
  std::string pictureBase_;
};
