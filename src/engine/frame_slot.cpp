#include "engine/frame_slot.h"

#include <algorithm>
#include <utility>

void WakeList::Add(Wakeable& subscriber) {
  std::lock_guard lock(mutex_);
  subscribers_.push_back(&subscriber);
}

void WakeList::Remove(Wakeable& subscriber) {
  std::lock_guard lock(mutex_);
  std::erase(subscribers_, &subscriber);
}

void WakeList::WakeAll() {
  std::lock_guard lock(mutex_);
  for (Wakeable* subscriber : subscribers_) subscriber->Wake();
}

void FrameSlot::Subscribe(Wakeable& subscriber, FrameWants wants) {
  std::lock_guard lock(mutex_);
  subscribers_.push_back({&subscriber, wants, {}});
  if (wants.raw) ++rawWanted_;
}

void FrameSlot::Unsubscribe(Wakeable& subscriber) {
  std::lock_guard lock(mutex_);
  std::erase_if(subscribers_, [this, &subscriber](const Subscriber& s) {
    if (s.wakeable != &subscriber) return false;
    if (s.wants.raw) --rawWanted_;
    return true;
  });
}

SharedFrame FrameSlot::Publish(std::shared_ptr<Frame> frame) {
  std::lock_guard lock(mutex_);
  frame->serial = ++serial_;
  SharedFrame replaced = std::exchange(latest_, std::move(frame));
  for (Subscriber& s : subscribers_) s.wakeable->Wake();
  return replaced;
}

void FrameSlot::Notify(CameraNotice notice) {
  std::lock_guard lock(mutex_);
  notice.frameSerial = serial_;
  for (Subscriber& s : subscribers_) {
    if (!s.wants.notices) continue;
    if (s.notices.size() == kMaxQueuedNotices) s.notices.pop_front();
    s.notices.push_back(notice);
    s.wakeable->Wake();
  }
}

SharedFrame FrameSlot::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

std::vector<CameraNotice> FrameSlot::TakeNotices(Wakeable& subscriber) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(subscribers_.begin(), subscribers_.end(),
                         [&subscriber](const Subscriber& s) { return s.wakeable == &subscriber; });
  if (it == subscribers_.end()) return {};
  std::vector<CameraNotice> taken(std::make_move_iterator(it->notices.begin()),
                                  std::make_move_iterator(it->notices.end()));
  it->notices.clear();
  return taken;
}
