#include "shell/program_events_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "common/clock.h"
#include "events/event_store.h"
#include "events/mail_channel_win.h"
#include "events/mqtt_channel_win.h"
#include "events/web_hook_channel_win.h"

namespace {

std::string StorePathBeside(const std::string& configPath) {
  const size_t dot = configPath.rfind('.');
  const size_t slash = configPath.find_last_of("\\/");
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? configPath.substr(0, dot) : configPath) + ".events.db";
}

std::unique_ptr<EventStore> OpenStore(const std::string& path) {
  std::string error;
  std::unique_ptr<EventStore> store = EventStore::Open(path, DefaultClock().Now(), error);
  if (!store) OutputDebugStringA(("Vorrandale: the event store cannot be opened: " + error + "\n").c_str());
  return store;
}

bool SameServers(const AlertServers& a, const AlertServers& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

ProgramEvents::ProgramEvents(const std::string& configPath)
    : storePath_(StorePathBeside(configPath)),
      log_(std::make_unique<EventLog>([path = storePath_] { return OpenStore(path); }, DefaultClock())) {}

void ProgramEvents::Apply(const AlertServers& servers, std::vector<EventCamera> cameras,
                          const std::string& pictureBase) {
  std::vector<MqttCamera> announced;
  for (const EventCamera& camera : cameras)
    if (camera.alerts.mqtt) announced.push_back({camera.number, camera.name});
  const bool changed =
      !applied_ || !SameServers(servers, servers_) || pictureBase != pictureBase_ ||
      announced.size() != announced_.size() ||
      !std::equal(announced.begin(), announced.end(), announced_.begin(),
                  [](const MqttCamera& a, const MqttCamera& b) { return a.number == b.number && a.name == b.name; });
  log_->SetCameras(std::move(cameras));
  if (!changed) return;
  applied_ = true;
  servers_ = servers;
  announced_ = announced;
  pictureBase_ = pictureBase;

  AlertChannels channels;
  EventLog* log = log_.get();
  const DeliveryListener listener = [log](const DeliveryReport& report) { log->Report(report); };
  if (servers.smtpHost[0]) channels.mail = std::make_unique<MailChannel>(servers, listener);
  if (servers.hookUrl[0]) channels.hook = std::make_unique<WebHookChannel>(servers, listener);
  if (servers.mqttHost[0]) channels.mqtt = std::make_unique<MqttChannel>(servers, std::move(announced), listener);
  channels.maxEvents = servers.maxEvents;
  if (!pictureBase.empty())
    channels.pictureUrl = [pictureBase](int64_t id) { return pictureBase + "$EVENT" + std::to_string(id); };
  log_->SetChannels(std::move(channels));
}
