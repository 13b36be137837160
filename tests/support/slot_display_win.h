#pragma once
// Stands in for a camera's display: follows a worker's frame slot and keeps
// every frame and notice it is woken for, on the thread that pumps it.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/frame_slot.h"
#include "engine/posted_wake_win.h"
#include "framework/wnd_win.h"

class SlotDisplay : public Wnd {
 public:
  // No wake-up still queued can reach it once it is gone.
  ~SlotDisplay() override {
    Leave();
    Destroy();
  }
  // After Create.
  void Follow(std::shared_ptr<FrameSlot> slot) {
    wake_.SetWindow(Handle());
    slot_ = std::move(slot);
    slot_->Subscribe(wake_, {.notices = true, .raw = true});
  }
  void Leave() {
    if (slot_) slot_->Unsubscribe(wake_);
    slot_ = nullptr;
  }
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != kWakeMessage || !slot_) return DefWindowProcA(hwnd, msg, wParam, lParam);
    wake_.Rearm();
    const SharedFrame frame = slot_->Latest();
    if (frame && frame->serial != shown_) {
      shown_ = frame->serial;
      frames.push_back(frame);
      raws.push_back(frame->raw ? frame->raw->Width() : -1);
    }
    for (const CameraNotice& notice : slot_->TakeNotices(wake_)) {
      const std::string text = notice.present ? notice.text : "(null)";
      if (notice.kind == CameraNotice::Kind::kStatus) statuses.push_back(text);
      if (notice.kind == CameraNotice::Kind::kSourceStatus) sourceStatuses.push_back(text);
      if (notice.kind == CameraNotice::Kind::kSignalLost)
        signalNotes.push_back(std::to_string(notice.since) + " " + text);
    }
    return 0;
  }
  // The frames with a picture.
  size_t Pictures() const {
    size_t count = 0;
    for (const SharedFrame& frame : frames) count += frame->picture.HasPixels();
    return count;
  }

  static constexpr UINT kWakeMessage = WM_APP + 74;
  std::vector<SharedFrame> frames;
  std::vector<int32_t> raws;  // each frame's raw width, -1 without
  std::vector<std::string> statuses;
  std::vector<std::string> sourceStatuses;
  std::vector<std::string> signalNotes;  // "since status"

 private:
  PostedWake wake_{nullptr, kWakeMessage};
  std::shared_ptr<FrameSlot> slot_;
  uint64_t shown_ = 0;
};
