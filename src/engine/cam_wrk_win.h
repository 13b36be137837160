#pragma once
// The engine of one camera, on a thread of its own: takes each picture from
// its capture source, flips and rotates it, measures motion, hands it to the
// camera's frame slot and records it by the recording rules. Other threads
// command it through CameraWorker, which copies what they give; it never
// waits for a display: what they show comes through the slot.

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/cam_settings.h"
#include "engine/camera_identity.h"
#include "engine/camera_worker.h"
#include "engine/capture_source_win.h"
#include "engine/frame_slot.h"
#include "engine/motion_detector.h"
#include "engine/recorder_win.h"
#include "engine/signal_watch.h"
#include "framework/ui_thread_win.h"

class CamWrk : public UIthread, public CameraWorker {
 public:
  struct Services {
    Recorder::Services recorder;                      // defaults: system clock, PlaySoundA, overlay burning
    SourceFactory* sources = nullptr;                 // null: no capture source at all
    std::function<void(const char* path)> shellOpen;  // null: ShellExecuteA
    // How long without a new picture makes a camera lose its signal at
    // the least, and how often that is checked; tests shorten both.
    int64_t signalLostFloorMs = kSignalLostFloorMs;
    UINT signalCheckMs = 1000;
  };

  CamWrk();
  explicit CamWrk(Services services);
  ~CamWrk() override;

  // Before Start only, from the owning thread. The cell whose size the
  // worker scales its pictures to.
  void SetDisplayWindow(HWND display) { displayWindow_ = display; }
  void SetInitialSettings(const CamSettings& settings) { settings_ = settings; }
  void SetInitialExtras(const RecordingExtras& extras) { recorder_.SetExtras(extras); }
  void SetInitialNumber(int number) {
    cameraNumber_ = number;
    recorder_.SetCameraName(number, ownName_);
  }
  void SetInitialSecondStream(const char* url) { CopyText(secondUrl_, url); }
  void SetInitialName(const char* name) {
    CopyText(ownName_, name);
    recorder_.SetCameraName(cameraNumber_, ownName_);
  }

  void ApplySettings(const CamSettings& settings) override;
  void SetDetectGrid(const DetectGrid& grid) override;
  void SetExtras(const RecordingExtras& extras) override;
  void SelectSource(int32_t cameraType) override;
  void HideSource() override;
  CamSettings ReadSources(const CamSettings& settings) override;
  SecondStream ReadSecondStream(const SecondStream& second) override;
  void SetNumber(int number) override;
  void SetName(const char* name) override;
  void SetSecondStream(const char* url) override;
  void ViewFootage() override;
  // It outlives the worker for whoever still holds it.
  const std::shared_ptr<FrameSlot>& Slot() const override { return slot_; }

  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnThreadStop() override;

 private:
  // Queues the command and has the worker's thread run it; returns once it
  // ran. Without the worker's thread nothing runs: before Start, the
  // SetInitial calls set what it starts with.
  void Run(std::function<void()> command);
  void SelectSource(int32_t type, bool show);
  void DestroyIpSource();
  // The IP source hands its packets over while the camera records as sent.
  void ListenForPackets();
  void DestroyDeviceSource();
  void FrameCycle(const uint8_t* givenPixels, const PictureInfo* givenInfo);
  // A fresh frame, in the buffers of a replaced one no one holds any more: a
  // new block per frame costs a page fault per 4 KiB.
  std::shared_ptr<Frame> NextFrame();
  void Keep(SharedFrame replaced);
  // A frame without a picture: the display clears its cell.
  void PublishEmpty();
  // Until the source's first picture, its status texts go to the display,
  // whose empty cell shows them.
  void AdoptSource(CaptureSource& source);
  void SendSourceStatus(const char* text) const;
  // Only a text that differs from the one the display shows crosses the
  // thread: the same text after every frame would cost a wake-up each.
  // An announcement goes out whatever the display shows.
  void SendStatus(const char* text, bool announce = false);
  // Tells the display once the signal is lost, and again whenever the
  // source's status changes while it stays lost.
  // Tells the recorder's problems and its file when they change.
  void TellRecordingNews();
  void CheckSignal();

  std::shared_ptr<FrameSlot> slot_ = std::make_shared<FrameSlot>();
  // Published frames the slot has replaced, to be reused once no one holds them.
  static constexpr size_t kRecycledFrames = 3;
  std::vector<SharedFrame> recent_;
  std::mutex commandsMutex_;
  std::vector<std::function<void()>> commands_;
  CamSettings sourcesRead_{};  // answers, copied out under the lock
  SecondStream secondRead_{};
  CamSettings settings_{};
  HWND displayWindow_ = nullptr;
  int cameraNumber_ = 0;
  char ownName_[kCameraNameSize] = {};  // "" = "Camera <number>"
  char secondUrl_[kTextSize] = {};      // an RTSP camera's second stream; "" = none
  bool sourceDelivered_ = false;
  MotionDetector detector_;
  std::unique_ptr<DeviceSource> deviceSource_;
  std::unique_ptr<IpSource> ipSource_;
  SourceFactory* sources_;
  Recorder recorder_;
  Picture picture_;  // kept between frames so its buffer is reused
  // The picture scaled to the display's size here, off the display's thread.
  BoxScaler scaler_;
  const Clock* clock_;
  SignalWatch signal_;
  UINT signalCheckMs_;
  bool signalLostSent_ = false;
  CameraNotice signalNote_{};  // the last lost signal told
  bool grabFailed_ = false;
  char shownStatus_[kTextSize] = {};  // what the display shows; empty: none
  // The recorder's news as last told, so each change is told once.
  std::string toldProblem_;
  bool toldLimitsUnmet_ = false;
  std::string toldFile_;
};

// Burns the camera's overlay text, expanded with the local time, into a
// picture that is about to be recorded.
void BurnOverlay(Picture& picture, const CamSettings& settings, const Clock& clock);
