#include "engine/frame_slot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Counts its wake-ups as the posted messages they stand for.
class CountingWake final : public CoalescedWake {
 public:
  std::atomic<int> posts{0};

 private:
  void Post() override { ++posts; }
};

std::shared_ptr<Frame> NewFrame() {
  return std::make_shared<Frame>();
}

TEST(FrameSlotTest, ASlowSubscriberGetsOneWakeUpWhileTheCameraGoesOn) {
  struct Case {
    int published;
    bool takesEach;
    int posts;
  };
  for (const Case& c : {Case{1, false, 1}, Case{100, false, 1}, Case{100, true, 100}}) {
    FrameSlot slot;
    CountingWake wake;
    slot.Subscribe(wake);
    for (int i = 0; i < c.published; ++i) {
      slot.Publish(NewFrame());
      if (c.takesEach) wake.Rearm();
    }
    EXPECT_EQ(wake.posts, c.posts) << c.published << " frames";
    EXPECT_EQ(slot.Latest()->serial, static_cast<uint64_t>(c.published)) << "the newest frame is there to take";
  }
}

TEST(FrameSlotTest, ASubscriberThatLeftIsNeverWokenWhileFramesKeepComing) {
  FrameSlot slot;
  std::atomic<bool> done{false};
  std::thread camera([&] {
    while (!done) slot.Publish(NewFrame());
  });
  for (int i = 0; i < 2000; ++i) {
    auto wake = std::make_unique<CountingWake>();
    slot.Subscribe(*wake);
    slot.Unsubscribe(*wake);
    const int posts = wake->posts;
    wake->Rearm();
    std::this_thread::yield();
    EXPECT_EQ(wake->posts, posts);
    wake.reset();  // freed while the camera publishes: a wake-up now would be a use after free
  }
  done = true;
  camera.join();
}

TEST(FrameSlotTest, AFrameIsFreedWhenItsLastHolderLetsGo) {
  FrameSlot slot;
  slot.Publish(NewFrame());
  std::weak_ptr<const Frame> first = slot.Latest();
  SharedFrame reader = slot.Latest();
  slot.Publish(NewFrame());
  EXPECT_FALSE(first.expired()) << "a reader still holds it";
  reader.reset();
  EXPECT_TRUE(first.expired());
  std::weak_ptr<const Frame> second = slot.Latest();
  EXPECT_FALSE(second.expired()) << "the slot holds the latest";
}

TEST(FrameSlotTest, NoticesReachTheirSubscribersInOrderTheOldestDroppedBeyondTheLimit) {
  FrameSlot slot;
  CountingWake wants, frameOnly;
  slot.Subscribe(wants, {.notices = true, .raw = true});
  slot.Subscribe(frameOnly);
  EXPECT_TRUE(slot.RawWanted());
  const int given = static_cast<int>(kMaxQueuedNotices) + 3;
  for (int i = 0; i < given; ++i) slot.Notify({CameraNotice::Kind::kStatus, true, std::to_string(i)});
  const std::vector<CameraNotice> taken = slot.TakeNotices(wants);
  ASSERT_EQ(taken.size(), kMaxQueuedNotices);
  EXPECT_EQ(taken.front().text, "3");
  EXPECT_EQ(taken.back().text, std::to_string(given - 1));
  EXPECT_TRUE(slot.TakeNotices(wants).empty());
  EXPECT_TRUE(slot.TakeNotices(frameOnly).empty());
  EXPECT_EQ(frameOnly.posts, 0);
  slot.Unsubscribe(wants);
  EXPECT_FALSE(slot.RawWanted());
}

}  // namespace
