#include "events/event_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <set>
#include <thread>

#include "common/jpeg_codec.h"
#include "events/event_store.h"
#include "support/settable_clock.h"
#include "support/test_pictures.h"

namespace {

// Keeps what it is told, so a test can wait for it.
class KeptAlerts final : public AlertChannel {
 public:
  void Send(const Alert& alert) override {
    std::lock_guard lock(mutex_);
    alerts_.push_back(alert);
    arrived_.notify_all();
  }
  // The alerts once there are `count`, or what came within 5 s.
  std::vector<Alert> WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return alerts_.size() >= count; });
    return alerts_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Alert> alerts_;
};

struct Channels {
  KeptAlerts* mail;
  KeptAlerts* hook;
  KeptAlerts* mqtt;
};

class EventLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("event_log_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".db");
    std::filesystem::remove(path_);
    log_ = std::make_unique<EventLog>(
        [this] {
          std::string error;
          return EventStore::Open(path_.string(), clock_.Now(), error);
        },
        clock_);
    AlertChannels channels;
    auto make = [](std::unique_ptr<AlertChannel>& slot) {
      auto kept = std::make_unique<KeptAlerts>();
      KeptAlerts* raw = kept.get();
      slot = std::move(kept);
      return raw;
    };
    kept_ = {make(channels.mail), make(channels.hook), make(channels.mqtt)};
    channels.pictureUrl = [](int64_t id) { return "https://cam.example/events/" + std::to_string(id); };
    log_->SetChannels(std::move(channels));
  }
  void TearDown() override {
    log_.reset();
    std::filesystem::remove(path_);
    std::filesystem::remove(path_.string() + "-wal");
    std::filesystem::remove(path_.string() + "-shm");
  }
  void Follow(CameraAlerts alerts) {
    EventCamera camera{2, "Front door", alerts, 1000, 0, slot_};
    std::vector<EventCamera> cameras;
    cameras.push_back(camera);
    log_->SetCameras(std::move(cameras));
  }
  void Publish(int32_t level, bool scheduled = true) {
    auto frame = std::make_shared<Frame>();
    frame->picture = MakePicture(640, 360);
    frame->motionLevel = level;
    frame->motion = level > 0;
    frame->scheduled = scheduled;
    slot_->Publish(std::move(frame));
  }
  std::vector<EventRecord> Stored() {
    std::string error;
    auto reader = EventStore::OpenReadOnly(path_.string(), error);
    return reader ? reader->Find({}) : std::vector<EventRecord>{};
  }

  std::filesystem::path path_;
  SettableClock clock_{2026, 12, 9, 14, 3, 22};
  std::shared_ptr<FrameSlot> slot_ = std::make_shared<FrameSlot>();
  std::unique_ptr<EventLog> log_;
  Channels kept_{};
};

TEST_F(EventLogTest, MotionIsKeptWithItsStrongestPictureAndToldOnceWithinTheCoolDown) {
  Follow({1, 1, 1, 60, 0});
  Publish(30);
  Publish(50);  // stronger, within the same event
  const std::vector<Alert> started = kept_.mqtt->WaitFor(1);
  ASSERT_FALSE(started.empty());
  // The hold runs out without motion: the end goes to MQTT and the hook, not to mail.
  const std::vector<Alert> hooked = kept_.hook->WaitFor(2);
  ASSERT_EQ(hooked.size(), 2u);
  EXPECT_FALSE(hooked[0].ended);
  EXPECT_TRUE(hooked[1].ended);
  EXPECT_EQ(hooked[1].level, 50);
  EXPECT_EQ(kept_.mail->WaitFor(1).size(), 1u);
  EXPECT_FALSE(started[0].snapshot.empty());
  int width = 0, height = 0;
  ASSERT_TRUE(ReadJpegSize(started[0].thumbnail.data(), started[0].thumbnail.size(), width, height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 180);
  EXPECT_EQ(started[0].pictureUrl, "https://cam.example/events/" + std::to_string(started[0].eventId));

  // A second motion within the cool-down: MQTT's state follows, people are spared.
  Publish(40);
  EXPECT_EQ(kept_.mqtt->WaitFor(4).size(), 4u);
  EXPECT_EQ(kept_.hook->WaitFor(2).size(), 2u);
  EXPECT_EQ(kept_.mail->WaitFor(1).size(), 1u);

  const std::vector<EventRecord> events = Stored();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].level, 50);
  EXPECT_EQ(events[1].cameraName, "Front door");
  EXPECT_GT(events[1].end, 0);
}

TEST_F(EventLogTest, ALostSignalAndItsReturnAreEventsAndOutsideTheScheduleNothingIsTold) {
  Follow({1, 1, 1, 0, 1});
  Publish(0);
  slot_->Notify({CameraNotice::Kind::kSignalLost, true, "Unable to connect"});
  Publish(0);
  const std::vector<Alert> told = kept_.mail->WaitFor(2);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].kind, EventKind::kSignalLost);
  EXPECT_EQ(told[1].kind, EventKind::kSignalBack);

  Publish(60, false);
  slot_->Notify({CameraNotice::Kind::kRecordingFailed, true, "File write failed"});
  log_->Report({"Mail", 0, true, "Mail: the server refused the login"});
  std::vector<EventRecord> events;
  for (int tries = 0; tries < 500 && events.size() < 5; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    events = Stored();
  }
  std::multiset<EventKind> kinds;
  for (const EventRecord& event : events) kinds.insert(event.kind);
  EXPECT_EQ(kinds, (std::multiset<EventKind>{EventKind::kSignalLost, EventKind::kSignalBack, EventKind::kMotion,
                                             EventKind::kRecordingFailed, EventKind::kAlertFailed}));
  EXPECT_EQ(kept_.mqtt->WaitFor(2).size(), 2u);
  EXPECT_EQ(kept_.hook->WaitFor(2).size(), 2u);
}

}  // namespace
