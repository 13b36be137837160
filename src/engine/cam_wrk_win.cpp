#include "engine/cam_wrk_win.h"

#include <cstddef>
#include <cstring>

#include "common/fixed_text.h"
#include "common/overlay_text.h"
#include "common/overlay_win.h"
#include "common/raster.h"
#include "engine/alarm_win.h"
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

// Posted to itself: release IP sources retired while they were delivering.
constexpr UINT kReleaseRetired = WM_APP + 1;

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
  pictureUpdate_.rect.firstColumn = -1;
}

CamWrk::~CamWrk() {
  Stop();
}

LRESULT CamWrk::HandleMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  using namespace camera_msg;
  switch (msg) {
    case kSelectSource:
      recorder_.DropPreMotionFrames();
      SelectSource(static_cast<int32_t>(wParam), true);
      break;
    case kHideSource:
      if (ipSource_) ipSource_->Show(false);
      if (deviceSource_) deviceSource_->Show(false);
      break;
    case kSettings:
      if (wParam) {
        std::memcpy(&settings_, reinterpret_cast<const CamSettings*>(wParam), sizeof settings_);
        recorder_.ForgetPath();
        SelectSource(settings_.cameraType, false);
      }
      break;
    case kRecordingExtras:
      if (wParam) recorder_.SetExtras(*reinterpret_cast<const RecordingExtras*>(wParam));
      ListenForPackets();
      break;
    case kDetectGrid:
      if (wParam) detector_.SetMask(*reinterpret_cast<const DetectGrid*>(wParam));
      break;
    case kReadSources:
      // The sender passes the record's cameraType field; the device fields
      // lie at their offsets from it.
      if (wParam)
        ReadSources(
            *reinterpret_cast<CamSettings*>(reinterpret_cast<char*>(wParam) - offsetof(CamSettings, cameraType)));
      break;
    case kPicture:
      // The IP source is on the stack below this call; while the frame cycle
      // waits for its display, a new camera type may arrive and must not
      // destroy the source under its own feet.
      ++deliveryDepth_;
      FrameCycle(reinterpret_cast<const uint8_t*>(wParam), reinterpret_cast<const PictureInfo*>(lParam));
      --deliveryDepth_;
      break;
    case kReleaseRetired:
      if (deliveryDepth_ == 0)
        retiredIpSources_.clear();
      else
        PostMessageA(Handle(), kReleaseRetired, 0, 0);
      break;
    case kSetReceiver:
      receiverWindow_ = reinterpret_cast<HWND>(wParam);
      receiverMessage_ = static_cast<UINT>(lParam);
      break;
    case kViewFootage:
      recorder_.OpenCurrentFootage(settings_);
      break;
    case kCameraNumber:
      cameraNumber_ = static_cast<int>(wParam);
      recorder_.SetCameraName(cameraNumber_, ownName_);
      if (ipSource_) ipSource_->SetCameraNumber(cameraNumber_);
      if (deviceSource_) deviceSource_->SetCameraNumber(cameraNumber_);
      break;
    case kCameraName:
      CopyText(ownName_, wParam ? reinterpret_cast<const char*>(wParam) : "");
      recorder_.SetCameraName(cameraNumber_, ownName_);
      break;
    case kSecondStream:
      CopyText(secondUrl_, wParam ? reinterpret_cast<const char*>(wParam) : "");
      if (ipSource_) ipSource_->SetSecondSource(secondUrl_);
      break;
    case kReadSecondStream:
      if (wParam && ipSource_) {
        ipSource_->GetSecondSource(secondUrl_);
        std::memcpy(reinterpret_cast<char*>(wParam), secondUrl_, sizeof secondUrl_);
      }
      break;
    case WM_TIMER:
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
  retiredIpSources_.clear();
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
  if (ipSource_ && deliveryDepth_ > 0) {
    ipSource_->Show(false);
    ipSource_->SetStatusListener(nullptr);
    retiredIpSources_.push_back(std::move(ipSource_));
    PostMessageA(Handle(), kReleaseRetired, 0, 0);
    return;
  }
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
      if (receiverWindow_) SendMessageA(receiverWindow_, receiverMessage_, 0, 0);
      PictureUpdate empty = pictureUpdate_;
      empty.pixels = nullptr;
      empty.pictureInfo = nullptr;
      empty.rect = detector_.rect;
      empty.motionLevel = detector_.motionLevel;
      if (displayWindow_) SendMessageA(displayWindow_, kPictureUpdate, reinterpret_cast<WPARAM>(&empty), 0);
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

void CamWrk::ReadSources(CamSettings& settings) {
  if (deviceSource_) deviceSource_->GetSelection(settings.deviceIndex, settings.formatIndex, settings.inputIndex);
  if (ipSource_) ipSource_->GetSource(settings.cameraUrl, settings.ipConnected, settings.mjpegStream);
}

void CamWrk::SendStatus(const char* text, bool announce) {
  const char* wanted = text ? text : "";
  if (!announce && std::strncmp(wanted, shownStatus_, sizeof shownStatus_) == 0) return;
  CopyText(shownStatus_, wanted);
  if (displayWindow_) SendMessageA(displayWindow_, camera_msg::kStatus, reinterpret_cast<WPARAM>(text), 0);
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
  if (displayWindow_) SendMessageA(displayWindow_, camera_msg::kSourceStatus, reinterpret_cast<WPARAM>(text), 0);
}

void CamWrk::CheckSignal() {
  if (!displayWindow_ || !signal_.IsLost(static_cast<int64_t>(GetTickCount64()), settings_.saveInterval)) return;
  SignalLost note{};
  note.since = static_cast<int64_t>(signal_.LastPictureTime());
  char status[kTextSize] = {};
  if (ipSource_)
    ipSource_->GetStatus(status);
  else if (deviceSource_ && grabFailed_)
    CopyText(status, "Unable to grab image from device");
  CopyText(note.sourceStatus, status);
  if (signalLostSent_ && note.since == signalNote_.since &&
      std::strcmp(note.sourceStatus, signalNote_.sourceStatus) == 0)
    return;
  signalNote_ = note;
  signalLostSent_ = true;
  SendMessageA(displayWindow_, camera_msg::kSignalLost, reinterpret_cast<WPARAM>(&signalNote_), 0);
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
  if (receiverWindow_)
    SendMessageA(receiverWindow_, receiverMessage_, reinterpret_cast<WPARAM>(picture_.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture_.pictureInfo));
  if (settings_.flipVertical) FlipVertical(picture_);
  if (settings_.flipHorizontal) FlipHorizontal(picture_);
  RotatePicture(picture_, settings_.rotation);
  if (settings_.motionEnabled) Detect(detector_, picture_, settings_.triggerLevel);

  pictureUpdate_.pixels = picture_.pixels.data();
  pictureUpdate_.pictureInfo = &picture_.pictureInfo;
  pictureUpdate_.rect = detector_.rect;
  pictureUpdate_.motionLevel = detector_.motionLevel;
  // The frame before this one: this one is recorded after it is shown.
  pictureUpdate_.recording = recorder_.RecordedLastFrame();
  RECT cell{};
  pictureUpdate_.scaled = displayWindow_ && GetClientRect(displayWindow_, &cell) &&
                                  scaler_.Scale(picture_, cell.right, cell.bottom, scaled_)
                              ? &scaled_
                              : nullptr;
  if (displayWindow_)
    SendMessageA(displayWindow_, camera_msg::kPictureUpdate, reinterpret_cast<WPARAM>(&pictureUpdate_), 0);
  pictureUpdate_.pixels = nullptr;
  pictureUpdate_.pictureInfo = nullptr;
  pictureUpdate_.scaled = nullptr;

  recorder_.SetPicturesFromSecondStream(ipSource_ && ipSource_->PicturesFromSecondStream());
  recorder_.SaveFrame(picture_, detector_.motionLevel, settings_);
  const char* status = recorder_.StatusText();
  SendStatus(status[0] ? status : nullptr);
}
