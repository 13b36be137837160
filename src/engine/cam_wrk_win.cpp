#include "engine/cam_wrk_win.h"

#include <atomic>
#include <cstring>
#include <string>

#include "common/fixed_text.h"
#include "common/overlay_text.h"
#include "common/overlay_win.h"
#include "common/raster.h"
#include "engine/alarm_win.h"
#include "engine/camera_messages.h"
#include "engine/motion_decision.h"
#include "engine/schedule.h"
#include "engine/settings_font_win.h"

namespace {

Recorder::Services WithDefaults(Recorder::Services services) {
  static PlaySoundAlarm systemAlarm;
  if (!services.alarm) services.alarm = &systemAlarm;
  if (!services.burnOverlay) {
    const Clock* clock = services.clock;
    services.burnOverlay = [clock](Picture& picture, const CamSettings& settings) {
      BurnOverlay(picture, settings, *clock);
    };
  }
  return services;
}

}  // namespace

void BurnOverlay(Picture& picture, const CamSettings& settings, const Clock& clock) {
  char text[kTextSize];
  ExpandOverlayText(settings.overlayText, clock.LocalTime(), text, sizeof text - 1);
  ScopedFont handle = CreateSettingsFont(settings.overlayFont);
  OverlayOnPicture(picture, text, handle.Get(), settings.overlayOpacity, settings.overlayTextColor,
                   settings.overlayBackColor, kOverlayKeyColour, settings.overlayPosition);
}

CamWrk::CamWrk() : CamWrk(Services{}) {}

CamWrk::CamWrk(Services services)
    : sources_(services.sources),
      recorder_(WithDefaults(services.recorder)),
      clock_(services.recorder.clock),
      signal_(services.signalLostFloorMs),
      signalCheckMs_(services.signalCheckMs) {
  if (services.shellOpen) recorder_.shellOpen = std::move(services.shellOpen);
}

CamWrk::~CamWrk() {
  Stop();
}

void CamWrk::Run(std::function<void()> command) {
  HWND window = Handle();
  if (!window) return;
  {
    std::lock_guard lock(commandsMutex_);
    commands_.push_back(std::move(command));
  }
  // The message carries nothing: the command waits in the worker's queue.
  SendMessageA(window, camera_msg::kRunCommands, 0, 0);
}

void CamWrk::ApplySettings(const CamSettings& settings) {
  Run([this, settings] {
    settings_ = settings;
    recorder_.ForgetPath();
    SelectSource(settings_.cameraType, false);
  });
}

void CamWrk::SetDetectGrid(const DetectGrid& grid) {
  Run([this, grid] { detector_.SetMask(grid); });
}

void CamWrk::SetExtras(const RecordingExtras& extras) {
  Run([this, extras] {
    recorder_.SetExtras(extras);
    ListenForPackets();
  });
}

void CamWrk::SelectSource(int32_t cameraType) {
  Run([this, cameraType] {
    recorder_.DropPreMotionFrames();
    SelectSource(cameraType, true);
  });
}

void CamWrk::HideSource() {
  Run([this] {
    if (ipSource_) ipSource_->Show(false);
    if (deviceSource_) deviceSource_->Show(false);
  });
}

CamSettings CamWrk::ReadSources(const CamSettings& settings) {
  Run([this, settings] {
    CamSettings read = settings;
    if (deviceSource_) deviceSource_->GetSelection(read.deviceIndex, read.formatIndex, read.inputIndex);
    if (ipSource_) ipSource_->GetSource(read.cameraUrl, read.ipConnected, read.mjpegStream);
    std::lock_guard lock(commandsMutex_);
    sourcesRead_ = read;
  });
  std::lock_guard lock(commandsMutex_);
  return Handle() ? sourcesRead_ : settings;
}

SecondStream CamWrk::ReadSecondStream(const SecondStream& second) {
  Run([this, second] {
    SecondStream read = second;
    if (ipSource_) {
      ipSource_->GetSecondSource(secondUrl_);
      CopyText(read.url, secondUrl_);
    }
    std::lock_guard lock(commandsMutex_);
    secondRead_ = read;
  });
  std::lock_guard lock(commandsMutex_);
  return Handle() ? secondRead_ : second;
}

void CamWrk::SetNumber(int number) {
  Run([this, number] {
    cameraNumber_ = number;
    recorder_.SetCameraName(cameraNumber_, ownName_);
    if (ipSource_) ipSource_->SetCameraNumber(cameraNumber_);
    if (deviceSource_) deviceSource_->SetCameraNumber(cameraNumber_);
  });
}

void CamWrk::SetName(const char* name) {
  Run([this, copy = std::string(name ? name : "")] {
    CopyText(ownName_, copy.c_str());
    recorder_.SetCameraName(cameraNumber_, ownName_);
  });
}

void CamWrk::SetSecondStream(const char* url) {
  Run([this, copy = std::string(url ? url : "")] {
    CopyText(secondUrl_, copy.c_str());
    if (ipSource_) ipSource_->SetSecondSource(secondUrl_);
  });
}

void CamWrk::ViewFootage() {
  Run([this] { recorder_.OpenCurrentFootage(settings_); });
}

LRESULT CamWrk::HandleMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  using namespace camera_msg;
  switch (msg) {
    case kRunCommands: {
      std::vector<std::function<void()>> commands;
      {
        std::lock_guard lock(commandsMutex_);
        commands.swap(commands_);
      }
      for (auto& command : commands) command();
      break;
    }
    case kPicture:
      FrameCycle(reinterpret_cast<const uint8_t*>(wParam), reinterpret_cast<const PictureInfo*>(lParam));
      break;
    case WM_TIMER:
      // A capture device is polled: its sample grabber buffers the newest
      // sample and calls no one in the mode the graph uses.
      if (wParam == kGrabTimer) FrameCycle(nullptr, nullptr);
      if (wParam == kSignalTimer) CheckSignal();
      break;
    default:
      break;
  }
  return 0;
}

void CamWrk::OnThreadStop() {
  DestroyDeviceSource();
  DestroyIpSource();
  recorder_.CloseFile();
}

void CamWrk::ListenForPackets() {
  if (!ipSource_) return;
  if (recorder_.RecordsAsSent())
    ipSource_->SetPacketListener([this](const SharedPacket& packet) { recorder_.SavePacket(packet, settings_); });
  else
    ipSource_->SetPacketListener(nullptr);
}

void CamWrk::DestroyIpSource() {
  recorder_.ForgetPacketSource();
  if (ipSource_) ipSource_->SetPacketListener(nullptr);
  ipSource_.reset();
}

void CamWrk::DestroyDeviceSource() {
  KillTimer(Handle(), camera_msg::kGrabTimer);
  deviceSource_.reset();
}

void CamWrk::SelectSource(int32_t type, bool show) {
  using namespace camera_msg;
  HWND window = Handle();
  switch (type) {
    case kIpCamera:
      if (!ipSource_) {
        DestroyDeviceSource();
        if (sources_) ipSource_ = sources_->CreateIpSource(window, show);
        if (ipSource_) {
          AdoptSource(*ipSource_);
          ipSource_->SetSource(settings_.cameraUrl, settings_.mjpegStream != 0);
          ipSource_->SetSecondSource(secondUrl_);
          // A client that is not switched on says nothing until the user
          // connects it.
          if (!settings_.ipConnected) SendSourceStatus("Disconnected");
        }
      } else {
        ipSource_->Show(show);
      }
      KillTimer(window, kGrabTimer);
      SetTimer(window, kSignalTimer, signalCheckMs_, nullptr);
      ListenForPackets();
      if (ipSource_ && settings_.saveInterval != 0)
        ipSource_->Configure(window, kPicture, settings_.saveInterval, settings_.ipConnected != 0);
      break;
    case kCaptureDevice:
      if (!deviceSource_) {
        DestroyIpSource();
        if (sources_) deviceSource_ = sources_->CreateDeviceSource(window, show);
        if (deviceSource_) {
          AdoptSource(*deviceSource_);
          deviceSource_->RestoreSelection(settings_.deviceIndex, settings_.formatIndex, settings_.inputIndex);
        }
      } else {
        deviceSource_->Show(show);
      }
      KillTimer(window, kGrabTimer);
      SetTimer(window, kSignalTimer, signalCheckMs_, nullptr);
      if (settings_.saveInterval != 0) SetTimer(window, kGrabTimer, static_cast<UINT>(settings_.saveInterval), nullptr);
      break;
    case kNoCamera: {
      DestroyDeviceSource();
      DestroyIpSource();
      KillTimer(window, kSignalTimer);
      signal_.Forget();
      signalLostSent_ = false;
      SendStatus(nullptr, true);
      SendSourceStatus(nullptr);
      PublishEmpty();
      settings_.ipConnected = 0;
      settings_.deviceIndex = 0;
      settings_.formatIndex = 0;
      settings_.inputIndex = 0;
      break;
    }
    default:
      break;
  }
}

void CamWrk::SendStatus(const char* text, bool announce) {
  const char* wanted = text ? text : "";
  if (!announce && std::strncmp(wanted, shownStatus_, sizeof shownStatus_) == 0) return;
  CopyText(shownStatus_, wanted);
  slot_->Notify({CameraNotice::Kind::kStatus, text != nullptr, wanted});
}

void CamWrk::AdoptSource(CaptureSource& source) {
  sourceDelivered_ = false;
  SendSourceStatus(nullptr);
  source.SetCameraNumber(cameraNumber_);
  source.SetStatusListener([this](const char* text) {
    if (!sourceDelivered_) SendSourceStatus(text);
  });
}

void CamWrk::SendSourceStatus(const char* text) const {
  slot_->Notify({CameraNotice::Kind::kSourceStatus, text != nullptr, text ? text : ""});
}

void CamWrk::CheckSignal() {
  if (!signal_.IsLost(static_cast<int64_t>(GetTickCount64()), settings_.saveInterval)) return;
  char status[kTextSize] = {};
  if (ipSource_)
    ipSource_->GetStatus(status);
  else if (deviceSource_ && grabFailed_)
    CopyText(status, "Unable to grab image from device");
  CameraNotice note{CameraNotice::Kind::kSignalLost, true, status, static_cast<int64_t>(signal_.LastPictureTime())};
  if (signalLostSent_ && note.since == signalNote_.since && note.text == signalNote_.text) return;
  signalNote_ = note;
  signalLostSent_ = true;
  slot_->Notify(std::move(note));
}

std::shared_ptr<Frame> CamWrk::NextFrame() {
  // A frame only the worker holds is no one else's any more (the slot let it
  // go before it came here): its buffers take the new frame.
  for (auto kept = recent_.begin(); kept != recent_.end(); ++kept) {
    if (kept->use_count() != 1) continue;
    // Pairs with the release of the last other holder's reference.
    std::atomic_thread_fence(std::memory_order_acquire);
    auto frame = std::const_pointer_cast<Frame>(std::move(*kept));
    recent_.erase(kept);
    frame->raw.reset();
    frame->scaled.pixels.clear();
    return frame;
  }
  return std::make_shared<Frame>();
}

void CamWrk::Keep(SharedFrame replaced) {
  if (!replaced) return;
  // The displays still hold the frame they show: a few are kept so one of
  // them is free again by the next picture.
  if (recent_.size() == kRecycledFrames) recent_.erase(recent_.begin());
  recent_.push_back(std::move(replaced));
}

void CamWrk::PublishEmpty() {
  auto frame = std::make_shared<Frame>();
  frame->rect = detector_.rect;
  frame->motionLevel = detector_.motionLevel;
  Keep(slot_->Publish(std::move(frame)));
}

void CamWrk::FrameCycle(const uint8_t* givenPixels, const PictureInfo* givenInfo) {
  bool havePicture = false;
  if (givenPixels && givenInfo) {
    picture_.pictureInfo = *givenInfo;
    // The sender's buffer holds what its description says; a zero image
    // size means the size the dimensions need.
    const size_t size = givenInfo->header.sizeImage ? givenInfo->header.sizeImage : picture_.RequiredBytes();
    picture_.pixels.assign(givenPixels, givenPixels + size);
    havePicture = picture_.HasPixels();
  } else if (!givenPixels && deviceSource_) {
    havePicture = deviceSource_->GrabFrame(picture_) && picture_.HasPixels();
  }
  grabFailed_ = !havePicture;
  if (!havePicture) {
    SendStatus("Unable to grab image from device");
    return;
  }
  signal_.OnPicture(static_cast<int64_t>(GetTickCount64()), clock_->Now());
  signalLostSent_ = false;  // the picture update below ends the display's mark

  sourceDelivered_ = true;
  std::shared_ptr<Frame> frame = NextFrame();
  if (slot_->RawWanted()) frame->raw = std::make_shared<const Picture>(picture_);
  if (settings_.flipVertical) FlipVertical(picture_);
  if (settings_.flipHorizontal) FlipHorizontal(picture_);
  RotatePicture(picture_, settings_.rotation);
  if (settings_.motionEnabled) Detect(detector_, picture_, settings_.triggerLevel);

  // The frame takes the picture's buffer and gives its own, free again, for
  // the next picture: no copy.
  frame->picture.pictureInfo = picture_.pictureInfo;
  frame->picture.pixels.swap(picture_.pixels);
  frame->captureTime = static_cast<int64_t>(clock_->Now());
  frame->rect = detector_.rect;
  frame->motionLevel = detector_.motionLevel;
  frame->motion = settings_.motionEnabled && HasMotion(detector_.motionLevel, settings_.triggerLevel);
  frame->scheduled = settings_.recordEnabled && ScheduleAllows(settings_, *clock_) == ScheduleDecision::kRecord;
  // The frame before this one: this one is recorded after it is shown.
  frame->recording = recorder_.RecordedLastFrame();
  RECT cell{};
  if (displayWindow_ && GetClientRect(displayWindow_, &cell))
    scaler_.Scale(frame->picture, cell.right, cell.bottom, frame->scaled);
  const SharedFrame shown = frame;
  Keep(slot_->Publish(std::move(frame)));

  recorder_.SetPicturesFromSecondStream(ipSource_ && ipSource_->PicturesFromSecondStream());
  recorder_.SaveFrame(shown->picture, detector_.motionLevel, settings_);
  const char* status = recorder_.StatusText();
  SendStatus(status[0] ? status : nullptr);
  TellRecordingNews();
}

void CamWrk::TellRecordingNews() {
  const char* problem = recorder_.ProblemText();
  if (toldProblem_ != problem) {
    toldProblem_ = problem;
    slot_->Notify({CameraNotice::Kind::kRecordingFailed, !toldProblem_.empty(), toldProblem_});
  }
  if (toldLimitsUnmet_ != recorder_.LimitsUnmet()) {
    toldLimitsUnmet_ = recorder_.LimitsUnmet();
    slot_->Notify({CameraNotice::Kind::kStorageFull, toldLimitsUnmet_, ""});
  }
  if (!recorder_.RecordedLastFrame()) return;
  std::string file = recorder_.RecordingPath(settings_);
  if (file == toldFile_) return;
  toldFile_ = std::move(file);
  slot_->Notify({CameraNotice::Kind::kRecordingFile, true, toldFile_, static_cast<int64_t>(clock_->Now())});
}
