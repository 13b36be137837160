#pragma once
// The engine of one camera, on a thread of its own: takes each picture from
// its capture source, flips and rotates it, measures motion, hands it to the
// camera's display and records it by the recording rules. Other threads
// reach it only through the synchronous messages of camera_messages.h;
// every record they pass is copied before the handler returns.

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/cam_settings.h"
#include "engine/camera_identity.h"
#include "engine/camera_messages.h"
#include "engine/capture_source_win.h"
#include "engine/motion_detector.h"
#include "engine/recorder_win.h"
#include "engine/signal_watch.h"
#include "framework/ui_thread_win.h"

class CamWrk : public UIthread {
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

  // Before Start only, from the owning thread.
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

  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnThreadStop() override;

 private:
  void SelectSource(int32_t type, bool show);
  void DestroyIpSource();
  // The IP source hands its packets over while the camera records as sent.
  void ListenForPackets();
  void DestroyDeviceSource();
  void ReadSources(CamSettings& settings);
  void FrameCycle(const uint8_t* givenPixels, const PictureInfo* givenInfo);
  void SendStatus(const char* text) const;
  // Until the source's first picture, its status texts go to the display,
  // whose empty cell shows them.
  void AdoptSource(CaptureSource& source);
  void SendSourceStatus(const char* text) const;
  // Only a text that differs from the one the display shows crosses the
  // thread: the same text after every frame would cost a thread switch each.
  // An announcement goes out whatever the display shows.
  void SendStatus(const char* text, bool announce = false);
  // Tells the display once the signal is lost, and again whenever the
  // source's status changes while it stays lost.
  void CheckSignal();

  PictureUpdate pictureUpdate_{};
  CamSettings settings_{};
  HWND displayWindow_ = nullptr;
  int cameraNumber_ = 0;
  char ownName_[kCameraNameSize] = {};  // "" = "Camera <number>"
  char secondUrl_[kTextSize] = {};      // an RTSP camera's second stream; "" = none
  bool sourceDelivered_ = false;
  HWND receiverWindow_ = nullptr;
  UINT receiverMessage_ = 0;
  MotionDetector detector_;
  std::unique_ptr<DeviceSource> deviceSource_;
  std::unique_ptr<IpSource> ipSource_;
  // Replaced while delivering a picture; released once back in the loop.
  std::vector<std::unique_ptr<IpSource>> retiredIpSources_;
  int deliveryDepth_ = 0;
  SourceFactory* sources_;
  Recorder recorder_;
  Picture picture_;  // kept between frames so its buffer is reused
  // The picture scaled to the display's size here, off the display's thread.
  BoxScaler scaler_;
  CellImage scaled_;
  const Clock* clock_;
  SignalWatch signal_;
  UINT signalCheckMs_;
  bool signalLostSent_ = false;
  SignalLost signalNote_{};
  bool grabFailed_ = false;
  char shownStatus_[kTextSize] = {};  // what the display shows; empty: none
};

// Burns the camera's overlay text, expanded with the local time, into a
// picture that is about to be recorded.
void BurnOverlay(Picture& picture, const CamSettings& settings, const Clock& clock);
