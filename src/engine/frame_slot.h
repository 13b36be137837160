#pragma once
// The one channel from a camera's worker to everyone who shows the camera:
// the worker publishes each new picture as an immutable shared frame and
// gives its status news in order; each subscriber is woken, reads the slot
// and keeps what it needs. A frame lives while anyone holds it.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/box_scale.h"
#include "common/picture.h"
#include "engine/motion_detector.h"

struct Frame {
  Picture picture;  // flipped, rotated and measured; no pixels: no picture
  // The picture as its source delivered it, for a subscriber that asked.
  std::shared_ptr<const Picture> raw;
  int64_t captureTime = 0;  // as time() counts
  uint64_t serial = 0;      // given by the slot, rising
  DetectRect rect{-1, 0, 0, 0};
  int32_t motionLevel = 0;
  bool recording = false;  // the camera recorded its last frame
  bool motion = false;     // motion detection is on and found motion in this picture
  bool scheduled = false;  // recording is on and its schedule allows it now
  CellImage scaled;        // the picture scaled to the display's cell, or empty
};
using SharedFrame = std::shared_ptr<const Frame>;

// What a camera tells its display besides pictures.
struct CameraNotice {
  enum class Kind : uint8_t {
    kStatus,
    kSourceStatus,
    kSignalLost,
    kRecordingFailed,  // the recorder's problem, or its end
    kStorageFull,      // the storage limit cannot free space, or can again
    kRecordingFile,    // the file being recorded now
    kAlertStatus,      // an alert that cannot be delivered, or delivered again
  };
  Kind kind = Kind::kStatus;
  bool present = false;  // false: the line, or the mark, is cleared
  std::string text;      // the status, or the source's status of a lost signal
  int64_t since = 0;     // a lost signal: when the last picture was taken
  // The newest frame when the notice was given: a lost signal is over once
  // a later frame is shown.
  uint64_t frameSerial = 0;
};

// Told of every change; runs under the slot's lock, so it must return at
// once and never call back into the slot.
class Wakeable {
 public:
  virtual void Wake() = 0;

 protected:
  ~Wakeable() = default;
};

// Wakes its owner once until the owner rearms it: however many changes come
// meanwhile, a slow owner finds one wake-up queued.
class CoalescedWake : public Wakeable {
 public:
  void Wake() final {
    if (!pending_.exchange(true)) Post();
  }
  // Before the owner reads what woke it: a change after this wakes it again.
  void Rearm() { pending_ = false; }

 protected:
  ~CoalescedWake() = default;
  virtual void Post() = 0;

 private:
  std::atomic<bool> pending_{false};
};

// Subscribers woken together, for a source of changes without frames.
class WakeList {
 public:
  void Add(Wakeable& subscriber);
  // Once it returns, the subscriber is never woken again.
  void Remove(Wakeable& subscriber);
  void WakeAll();

 private:
  std::mutex mutex_;
  std::vector<Wakeable*> subscribers_;
};

// Notices a subscriber has not taken, at most; beyond them the oldest go.
inline constexpr size_t kMaxQueuedNotices = 64;

// What a subscriber wants besides the latest frame.
struct FrameWants {
  bool notices = false;  // the notices are kept for it
  bool raw = false;      // frames carry the picture as delivered
};

class FrameSlot {
 public:
  void Subscribe(Wakeable& subscriber, FrameWants wants = {});
  // Once it returns, the subscriber is never woken again.
  void Unsubscribe(Wakeable& subscriber);

  // Gives the frame its serial, keeps it as the latest and wakes everyone;
  // returns the frame it replaced.
  SharedFrame Publish(std::shared_ptr<Frame> frame);
  // Queues the notice for the subscribers that want notices and wakes them.
  void Notify(CameraNotice notice);

  SharedFrame Latest() const;
  // The notices given since the subscriber last took them, oldest first.
  std::vector<CameraNotice> TakeNotices(Wakeable& subscriber);
  // Some subscriber wants the pictures as delivered.
  bool RawWanted() const { return rawWanted_.load() > 0; }

 private:
  struct Subscriber {
    Wakeable* wakeable;
    FrameWants wants;
    std::deque<CameraNotice> notices;
  };
  mutable std::mutex mutex_;
  std::vector<Subscriber> subscribers_;
  SharedFrame latest_;
  uint64_t serial_ = 0;
  std::atomic<int> rawWanted_{0};
};
