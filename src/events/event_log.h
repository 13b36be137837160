#pragma once
// What happened at each camera, found in the frames and news its worker
// publishes, kept in the event store and told through the alert channels.
// All of it runs on a thread of its own: the store, the thumbnails and the
// alerts cost the cameras and the windows nothing.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "engine/frame_slot.h"
#include "events/alert.h"
#include "events/alert_queue.h"
#include "events/alert_settings.h"
#include "events/event_store.h"

// One camera as the log follows it.
struct EventCamera {
  int number = 0;    // in the grid, from 1
  std::string name;  // its own name, "" for none
  CameraAlerts alerts{};
  int64_t motionHoldMs = 10000;  // a motion event ends this long after its last motion
  int32_t keepDays = 0;          // older events go; 0 keeps them
  std::shared_ptr<FrameSlot> slot;
};

// Where alerts go; any of them may be missing.
struct AlertChannels {
  std::unique_ptr<AlertChannel> mail;
  std::unique_ptr<AlertChannel> hook;
  std::unique_ptr<AlertChannel> mqtt;
  int64_t maxEvents = 100000;
  // An event's picture on the program's web server, from its id; "" for none.
  std::function<std::string(int64_t id)> pictureUrl;
};

class EventLog {
 public:
  // `openStore` runs first on the log's thread, so not even the store's
  // opening writes on the caller's; without a store, events are told but
  // not kept.
  EventLog(std::function<std::unique_ptr<EventStore>()> openStore, const Clock& clock);
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // The cameras to follow, replacing the earlier ones (whose open events
  // end). A camera's news from the moment it returns is seen. From one
  // thread only.
  void SetCameras(std::vector<EventCamera> cameras);
  // The channels to tell from now on; the earlier ones are closed on the
  // log's thread.
  void SetChannels(AlertChannels channels);
  // A channel's news about its deliveries, from the channel's thread.
  void Report(const DeliveryReport& report);

 private:
  struct Watch;
  struct Pending;
  void Run();
  // Applies what the owner and the channels sent; false once stopping.
  bool TakePending(std::unique_lock<std::mutex>& lock, Pending& taken);
  void Follow(std::vector<EventCamera> cameras, std::vector<std::unique_ptr<Watch>> fresh);
  void Look(Watch& watch);
  void OnNotice(Watch& watch, const CameraNotice& notice);
  void OnFrame(Watch& watch, const Frame& frame);
  void OnReport(const DeliveryReport& report);
  void EndMotion(Watch& watch);
  void EndSignalLoss(Watch& watch);
  // The open motion event is in the file being recorded.
  void NoteRecording(Watch& watch);
  // Opens an event in the store; its id, 0 without one.
  // `record` with the camera's number and name; an end already given is kept.
  int64_t Begin(const Watch& watch, EventRecord record);
  void End(int64_t id, int64_t end);
  // Whom an opening event was told, so its end goes to the same.
  struct Told {
    bool mqtt = false;
    bool people = false;  // mail and web hook
  };
  // MQTT always (it keeps states that must stay true), people unless the
  // camera's cool-down runs; nothing outside the schedule if so chosen.
  Told TellOpening(Watch& watch, const Alert& alert);
  void TellEnd(const Watch& watch, const Alert& alert, Told told);
  Alert MakeAlert(const Watch& watch, EventKind kind, int64_t id) const;
  void KeepWithinLimits();
  int64_t NextDeadline() const;  // steady ms, INT64_MAX for none

  std::function<std::unique_ptr<EventStore>()> openStore_;
  std::unique_ptr<EventStore> store_;
  const Clock& clock_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::unique_ptr<Pending> pending_;
  bool woken_ = false;
  bool stopping_ = false;
  // The slots SetCameras subscribed to, on its caller's side.
  std::vector<std::shared_ptr<FrameSlot>> followed_;
  // Owned by the log's thread.
  std::vector<std::unique_ptr<Watch>> watches_;
  AlertChannels channels_;
  std::vector<std::pair<std::string, int64_t>> failedChannels_;  // channel, its open event
  int64_t nextLimitPassMs_ = 0;
  std::thread thread_;
};
