#pragma once
// Stands in for a camera's display in the benchmarks: follows a worker's
// frame slot and hands each new frame it is woken for to `take`.

#include <windows.h>

#include <functional>
#include <memory>

#include "engine/frame_slot.h"
#include "engine/posted_wake_win.h"
#include "framework/wnd_win.h"

class FrameReader : public Wnd {
 public:
  explicit FrameReader(std::function<void(const Frame&)> take) : take_(std::move(take)) {}
  ~FrameReader() override {
    if (slot_) slot_->Unsubscribe(wake_);
    Destroy();
  }
  // After Create.
  void Follow(std::shared_ptr<FrameSlot> slot) {
    wake_.SetWindow(Handle());
    slot_ = std::move(slot);
    slot_->Subscribe(wake_);
  }
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != kWake || !slot_) return DefWindowProcA(hwnd, msg, wParam, lParam);
    wake_.Rearm();
    const SharedFrame frame = slot_->Latest();
    if (frame && frame->serial != taken_) take_(*frame);
    if (frame) taken_ = frame->serial;
    return 0;
  }

 private:
  static constexpr UINT kWake = WM_APP + 1;
  std::function<void(const Frame&)> take_;
  PostedWake wake_{nullptr, kWake};
  std::shared_ptr<FrameSlot> slot_;
  uint64_t taken_ = 0;
};
