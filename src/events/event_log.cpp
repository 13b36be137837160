#include "events/event_log.h"

#include <algorithm>
#include <climits>

#include "common/jpeg_codec.h"
#include "common/steady_time.h"
#include "events/event_store.h"
#include "events/thumbnail.h"

namespace {
constexpr int64_t kLimitPassMs = 3600 * 1000;  // old events go once an hour
constexpr int kSnapshotQuality = 85;

EventRecord NewEvent(EventKind kind, int64_t start, const std::string& detail = "") {
  EventRecord record;
  record.kind = kind;
  record.start = start;
  record.detail = detail;
  return record;
}
}  // namespace

struct EventLog::Pending {
  std::optional<std::vector<EventCamera>> cameras;
  std::vector<std::unique_ptr<Watch>> fresh;  // subscribed already
  std::optional<AlertChannels> channels;
  std::vector<DeliveryReport> reports;
};

// One camera followed: its subscription to the camera's slot and the
// events it has open.
struct EventLog::Watch final : CoalescedWake {
  Watch(EventLog& log, EventCamera camera) : log(log), camera(std::move(camera)) {}
  void Post() override {
    {
      std::lock_guard lock(log.mutex_);
      log.woken_ = true;
    }
    log.changed_.notify_one();
  }

  // A frame came that the log has not seen: motion may go on in it.
  bool FrameWaits() const {
    const SharedFrame latest = camera.slot->Latest();
    return latest && latest->serial != lastSerial;
  }

  EventLog& log;
  EventCamera camera;
  uint64_t lastSerial = 0;
  uint64_t lastPictureSerial = 0;  // the newest frame with a picture
  bool scheduled = false;          // the newest frame's
  // Motion: open from its first picture until motionHoldMs without motion.
  int64_t motionId = 0;
  bool motionOpen = false;
  int64_t motionStart = 0;
  bool motionRecorded = false;  // its recording is known
  Told motionTold;
  int64_t lastMotionMs = 0;
  int32_t peakLevel = 0;
  std::vector<uint8_t> thumbnail;
  // A lost signal ends with the first picture taken after it.
  int64_t lostId = 0;
  bool signalLost = false;
  Told lostTold;
  uint64_t lostAtSerial = 0;
  int64_t failedId = 0;
  int64_t storageId = 0;
  std::string file;  // being recorded, and since when
  int64_t fileSince = 0;
  int64_t lastToldMs = INT64_MIN;  // the cool-down's start
  ThumbnailMaker thumbnails;
};

EventLog::EventLog(std::function<std::unique_ptr<EventStore>()> openStore, const Clock& clock)
    : openStore_(std::move(openStore)), clock_(clock), pending_(std::make_unique<Pending>()) {
  thread_ = std::thread([this] { Run(); });
}

EventLog::~EventLog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  thread_.join();
  for (auto& watch : pending_->fresh) watch->camera.slot->Unsubscribe(*watch);
}

void EventLog::SetCameras(std::vector<EventCamera> cameras) {
  // A new camera is subscribed here, so nothing it says after this call is
  // missed; outside the lock, which a waking slot takes.
  std::vector<std::unique_ptr<Watch>> fresh;
  std::vector<std::shared_ptr<FrameSlot>> slots;
  for (const EventCamera& camera : cameras) {
    if (!camera.slot) continue;
    slots.push_back(camera.slot);
    if (std::find(followed_.begin(), followed_.end(), camera.slot) != followed_.end()) continue;
    fresh.push_back(std::make_unique<Watch>(*this, camera));
    camera.slot->Subscribe(*fresh.back(), {.notices = true});
  }
  followed_ = std::move(slots);
  {
    std::lock_guard lock(mutex_);
    pending_->cameras = std::move(cameras);
    for (auto& watch : fresh) pending_->fresh.push_back(std::move(watch));
  }
  changed_.notify_one();
}

void EventLog::SetChannels(AlertChannels channels) {
  std::optional<AlertChannels> replaced;
  {
    std::lock_guard lock(mutex_);
    // Channels not yet taken are closed here, outside the lock: a channel's
    // thread may be reporting to it.
    replaced = std::move(pending_->channels);
    pending_->channels = std::move(channels);
  }
  changed_.notify_one();
}

void EventLog::Report(const DeliveryReport& report) {
  {
    std::lock_guard lock(mutex_);
    pending_->reports.push_back(report);
  }
  changed_.notify_one();
}

bool EventLog::TakePending(std::unique_lock<std::mutex>& lock, Pending& taken) {
  const int64_t deadline = NextDeadline();
  const auto ready = [this] {
    return stopping_ || woken_ || pending_->cameras || pending_->channels || !pending_->reports.empty();
  };
  if (deadline == INT64_MAX) {
    changed_.wait(lock, ready);
  } else {
    changed_.wait_for(lock, std::chrono::milliseconds(std::max<int64_t>(deadline - SteadyMs(), 0)), ready);
  }
  if (stopping_) return false;
  woken_ = false;
  std::swap(taken, *pending_);
  return true;
}

void EventLog::Run() {
  if (openStore_) store_ = openStore_();
  for (;;) {
    Pending taken;
    {
      std::unique_lock lock(mutex_);
      if (!TakePending(lock, taken)) break;
    }
    if (taken.channels) {
      // The old channels close here, before the new ones start.
      channels_ = AlertChannels{};
      channels_ = std::move(*taken.channels);
    }
    if (taken.cameras) Follow(std::move(*taken.cameras), std::move(taken.fresh));
    for (auto& watch : watches_) watch->Rearm();
    for (auto& watch : watches_) Look(*watch);
    for (const DeliveryReport& report : taken.reports) OnReport(report);
    const int64_t now = SteadyMs();
    for (auto& watch : watches_)
      if (watch->motionOpen && now - watch->lastMotionMs >= watch->camera.motionHoldMs && !watch->FrameWaits())
        EndMotion(*watch);
    if (now >= nextLimitPassMs_) KeepWithinLimits();
  }
  Follow({}, {});
  channels_ = AlertChannels{};
}

void EventLog::Follow(std::vector<EventCamera> cameras, std::vector<std::unique_ptr<Watch>> fresh) {
  for (auto& watch : fresh) watches_.push_back(std::move(watch));
  std::vector<std::unique_ptr<Watch>> kept;
  for (EventCamera& camera : cameras) {
    if (!camera.slot) continue;
    // A camera that stays keeps its open events under its new settings.
    auto same = std::find_if(watches_.begin(), watches_.end(),
                             [&](const auto& watch) { return watch && watch->camera.slot == camera.slot; });
    if (same == watches_.end()) continue;
    (*same)->camera = std::move(camera);
    kept.push_back(std::move(*same));
  }
  for (auto& gone : watches_) {
    if (!gone) continue;
    gone->camera.slot->Unsubscribe(*gone);
    if (gone->motionOpen) EndMotion(*gone);
    End(gone->lostId, clock_.Now());
    End(gone->failedId, clock_.Now());
    End(gone->storageId, clock_.Now());
  }
  watches_ = std::move(kept);
  nextLimitPassMs_ = 0;  // the cameras' limits apply at once
}

void EventLog::Look(Watch& watch) {
  // The frame first: the worker tells its news after the frame they follow.
  const std::vector<CameraNotice> notices = watch.camera.slot->TakeNotices(watch);
  const SharedFrame frame = watch.camera.slot->Latest();
  if (frame && frame->serial != watch.lastSerial) {
    watch.lastSerial = frame->serial;
    OnFrame(watch, *frame);
  }
  for (const CameraNotice& notice : notices) OnNotice(watch, notice);
}

void EventLog::OnNotice(Watch& watch, const CameraNotice& notice) {
  const int64_t now = clock_.Now();
  switch (notice.kind) {
    case CameraNotice::Kind::kSignalLost:
      if (!notice.present || watch.signalLost) return;
      watch.signalLost = true;
      watch.lostAtSerial = notice.frameSerial;
      watch.lostId = Begin(watch, NewEvent(EventKind::kSignalLost, now, notice.text));
      watch.lostTold = TellOpening(watch, MakeAlert(watch, EventKind::kSignalLost, watch.lostId));
      // A picture taken since has ended it already.
      if (watch.lastPictureSerial > notice.frameSerial) EndSignalLoss(watch);
      return;
    case CameraNotice::Kind::kRecordingFailed:
      if (notice.present && !watch.failedId) {
        watch.failedId = Begin(watch, NewEvent(EventKind::kRecordingFailed, now, notice.text));
        Alert alert = MakeAlert(watch, EventKind::kRecordingFailed, watch.failedId);
        alert.detail = notice.text;
        TellOpening(watch, alert);
      } else if (!notice.present) {
        End(watch.failedId, now);
        watch.failedId = 0;
      }
      return;
    case CameraNotice::Kind::kStorageFull:
      if (notice.present && !watch.storageId) {
        watch.storageId = Begin(watch, NewEvent(EventKind::kStorageFull, now));
        TellOpening(watch, MakeAlert(watch, EventKind::kStorageFull, watch.storageId));
      } else if (!notice.present) {
        End(watch.storageId, now);
        watch.storageId = 0;
      }
      return;
    case CameraNotice::Kind::kRecordingFile:
      watch.file = notice.text;
      watch.fileSince = notice.since;
      // Motion often starts the recording it is in.
      if (watch.motionOpen && !watch.motionRecorded) NoteRecording(watch);
      return;
    case CameraNotice::Kind::kStatus:
    case CameraNotice::Kind::kSourceStatus:
    case CameraNotice::Kind::kAlertStatus:
      return;
  }
}

void EventLog::OnFrame(Watch& watch, const Frame& frame) {
  watch.scheduled = frame.scheduled;
  const int64_t now = clock_.Now();
  if (frame.picture.HasPixels()) {
    watch.lastPictureSerial = frame.serial;
    if (watch.signalLost && frame.serial > watch.lostAtSerial) EndSignalLoss(watch);
  }
  if (!frame.motion) return;
  watch.lastMotionMs = SteadyMs();
  const bool stronger = !watch.motionOpen || frame.motionLevel > watch.peakLevel;
  if (!stronger) return;
  watch.peakLevel = frame.motionLevel;
  watch.thumbnails.Make(frame.picture, watch.thumbnail);
  if (watch.motionOpen) {
    if (store_ && watch.motionId) store_->Update(watch.motionId, watch.peakLevel, watch.thumbnail);
    return;
  }
  watch.motionOpen = true;
  watch.motionStart = now;
  watch.motionRecorded = false;
  EventRecord motion = NewEvent(EventKind::kMotion, now);
  motion.level = watch.peakLevel;
  motion.thumbnail = watch.thumbnail;
  watch.motionId = Begin(watch, std::move(motion));
  if (frame.recording && !watch.file.empty()) NoteRecording(watch);
  Alert alert = MakeAlert(watch, EventKind::kMotion, watch.motionId);
  alert.level = watch.peakLevel;
  alert.thumbnail = watch.thumbnail;
  if (channels_.mqtt && watch.camera.alerts.mqtt) EncodeJpeg(frame.picture, kSnapshotQuality, alert.snapshot);
  watch.motionTold = TellOpening(watch, alert);
}

void EventLog::NoteRecording(Watch& watch) {
  watch.motionRecorded = true;
  if (store_ && watch.motionId)
    store_->SetRecording(watch.motionId, watch.file, std::max<int64_t>(watch.motionStart - watch.fileSince, 0) * 1000);
}

void EventLog::EndSignalLoss(Watch& watch) {
  const int64_t now = clock_.Now();
  watch.signalLost = false;
  End(watch.lostId, now);
  EventRecord back = NewEvent(EventKind::kSignalBack, now);
  back.end = now;  // an instant
  const int64_t backId = Begin(watch, std::move(back));
  // The return is told where the loss was, whatever the cool-down says.
  TellEnd(watch, MakeAlert(watch, EventKind::kSignalBack, backId), watch.lostTold);
  watch.lostId = 0;
}

void EventLog::EndMotion(Watch& watch) {
  const int64_t now = clock_.Now();
  End(watch.motionId, now);
  watch.motionOpen = false;
  Alert alert = MakeAlert(watch, EventKind::kMotion, watch.motionId);
  alert.ended = true;
  alert.level = watch.peakLevel;
  alert.thumbnail = std::move(watch.thumbnail);
  TellEnd(watch, alert, watch.motionTold);
  watch.thumbnail.clear();
  watch.motionId = 0;
  watch.peakLevel = 0;
}

void EventLog::OnReport(const DeliveryReport& report) {
  auto open = std::find_if(failedChannels_.begin(), failedChannels_.end(),
                           [&](const auto& failed) { return failed.first == report.channel; });
  if (report.failed && open == failedChannels_.end()) {
    int64_t id = 0;
    if (store_) {
      EventRecord record;
      record.camera = report.camera;
      record.kind = EventKind::kAlertFailed;
      record.start = clock_.Now();
      record.detail = report.text;
      id = store_->Begin(record);
    }
    failedChannels_.emplace_back(report.channel, id);
  } else if (!report.failed && open != failedChannels_.end()) {
    End(open->second, clock_.Now());
    failedChannels_.erase(open);
  }
  // The cameras that use the channel show its trouble in their status line.
  for (auto& watch : watches_) {
    const CameraAlerts& alerts = watch->camera.alerts;
    const bool uses = report.channel == "Mail" ? alerts.mail : report.channel == "Web hook" ? alerts.hook : alerts.mqtt;
    if (!uses || (report.camera && report.camera != watch->camera.number)) continue;
    watch->camera.slot->Notify({CameraNotice::Kind::kAlertStatus, report.failed, report.failed ? report.text : ""});
  }
}

int64_t EventLog::Begin(const Watch& watch, EventRecord record) {
  if (!store_) return 0;
  record.camera = watch.camera.number;
  record.cameraName = watch.camera.name;
  return std::max<int64_t>(store_->Begin(record), 0);
}

void EventLog::End(int64_t id, int64_t end) {
  if (store_ && id > 0) store_->End(id, end);
}

Alert EventLog::MakeAlert(const Watch& watch, EventKind kind, int64_t id) const {
  Alert alert;
  alert.eventId = id;
  alert.camera = watch.camera.number;
  alert.cameraName = watch.camera.name;
  alert.kind = kind;
  alert.time = clock_.Now();
  alert.utcOffset = LocalUtcOffset(alert.time);
  if (id > 0 && channels_.pictureUrl && kind == EventKind::kMotion) alert.pictureUrl = channels_.pictureUrl(id);
  return alert;
}

EventLog::Told EventLog::TellOpening(Watch& watch, const Alert& alert) {
  const CameraAlerts& wanted = watch.camera.alerts;
  Told told;
  if (wanted.onlyWhenScheduled && !watch.scheduled) return told;
  if (wanted.mqtt && channels_.mqtt) {
    channels_.mqtt->Send(alert);
    told.mqtt = true;
  }
  const int64_t now = SteadyMs();
  if (watch.lastToldMs != INT64_MIN && now - watch.lastToldMs < int64_t{wanted.coolDownSeconds} * 1000) return told;
  watch.lastToldMs = now;
  if (wanted.mail && channels_.mail) channels_.mail->Send(alert);
  if (wanted.hook && channels_.hook) channels_.hook->Send(alert);
  told.people = true;
  return told;
}

void EventLog::TellEnd(const Watch& watch, const Alert& alert, Told told) {
  const CameraAlerts& wanted = watch.camera.alerts;
  if (told.mqtt && wanted.mqtt && channels_.mqtt) channels_.mqtt->Send(alert);
  if (!told.people) return;
  // A mail for the end of motion would only double the one of its start.
  if (wanted.mail && channels_.mail && !alert.ended) channels_.mail->Send(alert);
  if (wanted.hook && channels_.hook) channels_.hook->Send(alert);
}

void EventLog::KeepWithinLimits() {
  nextLimitPassMs_ = SteadyMs() + kLimitPassMs;
  if (!store_) return;
  for (auto& watch : watches_)
    if (watch->camera.keepDays > 0)
      store_->DeleteOlderThan(watch->camera.number, clock_.Now() - int64_t{watch->camera.keepDays} * 86400);
  store_->KeepAtMost(channels_.maxEvents);
}

int64_t EventLog::NextDeadline() const {
  int64_t deadline = nextLimitPassMs_;
  for (const auto& watch : watches_)
    if (watch->motionOpen) deadline = std::min(deadline, watch->lastMotionMs + watch->camera.motionHoldMs);
  return deadline;
}
