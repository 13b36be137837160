#include "engine/cam_wrk_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/raster.h"
#include "common/recording_format.h"
#include "engine/camera_messages.h"
#include "support/settable_clock.h"
#include "support/slot_display_win.h"
#include "support/temp_folder_win.h"
#include "support/test_pictures.h"

namespace {

// The camera object's side of the worker: what its slot wakes it for.
using Display = SlotDisplay;

class FakeDevice final : public DeviceSource {
 public:
  FakeDevice(int& grabs, bool& available, std::vector<std::string>& log)
      : grabs_(grabs), available_(available), log_(log) {}
  void RestoreSelection(int32_t d, int32_t f, int32_t i) override {
    selection = {d, f, i};
    log_.push_back("restore " + std::to_string(d) + " " + std::to_string(f) + " " + std::to_string(i));
  }
  void GetSelection(int32_t& d, int32_t& f, int32_t& i) override {
    d = selection[0] + 10;
    f = selection[1] + 10;
    i = -1;
  }
  bool GrabFrame(Picture& picture) override {
    ++grabs_;
    if (!available_) return false;
    picture = SmoothPicture(64, 48);
    return true;
  }
  void Show(bool) override {}
  void SetCameraNumber(int number) override { log_.push_back("device number " + std::to_string(number)); }
  std::vector<int32_t> selection{0, 0, 0};

 private:
  int& grabs_;
  bool& available_;
  std::vector<std::string>& log_;
};

class FakeIp final : public IpSource {
 public:
  FakeIp(std::vector<std::string>& log, const std::string& status) : log_(log), status_(status) {}
  ~FakeIp() override { log_.push_back("destroyed"); }
  void SetSource(const char* url, bool mjpeg) override {
    log_.push_back(std::string("source ") + url + (mjpeg ? " stream" : " jpeg"));
  }
  void Configure(HWND, UINT message, int32_t interval, bool running) override {
    log_.push_back("configure " + std::to_string(message) + " " + std::to_string(interval) +
                   (running ? " on" : " off"));
  }
  void GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpeg) override {
    CopyText(url, "http://10.0.0.9/pic.jpg");
    running = 1;
    mjpeg = 1;
  }
  void Show(bool show) override { log_.push_back(show ? "show" : "hide"); }
  void SetCameraNumber(int number) override { log_.push_back("number " + std::to_string(number)); }
  void SetStatusListener(StatusListener listener) override { statusListener = std::move(listener); }
  StatusListener statusListener;
  void GetStatus(char (&text)[kTextSize]) override { CopyText(text, status_); }

 private:
  std::vector<std::string>& log_;
  const std::string& status_;
};

class FakeSources final : public SourceFactory {
 public:
  std::unique_ptr<IpSource> CreateIpSource(HWND, bool show) override {
    log.push_back(show ? "create ip shown" : "create ip");
    auto source = std::make_unique<FakeIp>(log, ipStatus);
    lastIp = source.get();
    return source;
  }
  std::unique_ptr<DeviceSource> CreateDeviceSource(HWND, bool show) override {
    log.push_back(show ? "create device shown" : "create device");
    return std::make_unique<FakeDevice>(grabs, available, log);
  }
  std::vector<std::string> log;
  int grabs = 0;
  bool available = true;
  FakeIp* lastIp = nullptr;
  std::string ipStatus = "Trying to connect...";
};

class CamWrkTest : public ::testing::Test {
 protected:
  static constexpr int64_t kSignalFloorMs = 300;
  void SetUp() override {
    ASSERT_TRUE(display_.Create());
    CamWrk::Services services;
    services.recorder.clock = &clock_;
    services.sources = &sources_;
    services.shellOpen = [this](const char* path) { opened_.push_back(path); };
    services.signalLostFloorMs = kSignalFloorMs;
    services.signalCheckMs = 20;
    worker_ = std::make_unique<CamWrk>(std::move(services));
    worker_->SetDisplayWindow(display_.Handle());
    display_.Follow(worker_->Slot());
    ASSERT_TRUE(worker_->Start());
    settings_ = DefaultCamSettings();
    CopyText(settings_.savePath, folder_.At("cam.mjpg"));
  }
  void TearDown() override {
    display_.Leave();
    worker_->Stop();
    display_.Destroy();
  }

  // The display then takes what the command woke it for.
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    const LRESULT result = SendMessageA(worker_->Handle(), msg, wParam, lParam);
    Drain();
    return result;
  }
  // A command; the display then takes what it woke it for.
  void Do(const std::function<void()>& command) {
    command();
    Drain();
  }
  void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // New settings; what the display got from the source switch is dropped.
  void Apply() {
    Do([&] { worker_->ApplySettings(settings_); });
    display_.frames.clear();
    display_.statuses.clear();
    display_.raws.clear();
    display_.signalNotes.clear();
  }
  void Deliver(const Picture& picture) {
    Send(camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
         reinterpret_cast<LPARAM>(&picture.pictureInfo));
    clock_.Advance(1);
  }
  bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
      if (GetTickCount64() >= end) return false;
      PumpFor(10);
    }
    return true;
  }
  void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  TempFolder folder_{"vr_worker"};
  SettableClock clock_{2026, 12, 7, 12, 0, 0};
  Display display_;
  FakeSources sources_;
  std::unique_ptr<CamWrk> worker_;
  CamSettings settings_;
  std::vector<std::string> opened_;
};

TEST_F(CamWrkTest, DeliveredPictureIsModifiedShownAndRecorded) {
  settings_.recordEnabled = 1;
  settings_.rotation = 90;
  settings_.flipHorizontal = 1;
  Apply();
  const Picture original = PatternPicture(64, 48);
  Deliver(original);

  EXPECT_EQ(display_.raws, (std::vector<int32_t>{64})) << "the receiver sees the picture as delivered";
  ASSERT_EQ(display_.frames.size(), 1u);
  const Frame& shown = *display_.frames[0];
  ASSERT_TRUE(shown.picture.HasPixels());
  EXPECT_EQ(shown.picture.Width(), 48);
  EXPECT_EQ(shown.picture.Height(), 64);
  Picture expected = original;
  FlipHorizontal(expected);
  RotatePicture(expected, 90);
  EXPECT_EQ(shown.picture.pixels, expected.pixels);
  EXPECT_TRUE(display_.statuses.empty()) << "the display shows no status already";

  const auto frames = SplitFrames(ReadWholeFile(folder_.At("cam.mjpg")));
  ASSERT_EQ(frames.size(), 1u);
  Picture recorded;
  ASSERT_TRUE(DecodeJpeg(frames[0].data(), frames[0].size(), recorded));
  EXPECT_EQ(recorded.Width(), 48);
  EXPECT_EQ(ReadTimestamp(frames[0].data(), frames[0].size()), std::to_string(clock_.Now() - 1));
}

TEST_F(CamWrkTest, OverlayIsBurntIntoTheRecordingButNotTheDisplay) {
  settings_.recordEnabled = 1;
  settings_.overlayEnabled = 1;
  settings_.overlayOnFile = 1;
  settings_.overlayOpacity = 255;
  settings_.overlayBackColor = 0x00FFFFFF;
  settings_.overlayPosition = 0;
  CopyText(settings_.overlayText, "MMMMMMMM");
  Apply();
  Picture dark = MakePicture(160, 120);  // all black
  Deliver(dark);
  ASSERT_EQ(display_.frames.size(), 1u);
  for (uint8_t byte : display_.frames[0]->picture.pixels) ASSERT_EQ(byte, 0);
  const auto frames = SplitFrames(ReadWholeFile(folder_.At("cam.mjpg")));
  ASSERT_EQ(frames.size(), 1u);
  Picture recorded;
  ASSERT_TRUE(DecodeJpeg(frames[0].data(), frames[0].size(), recorded));
  // The white box sits at the top left of the picture (the last buffer rows).
  EXPECT_GT(PixelAt(recorded, 2, 117)[0], 200);
  EXPECT_LT(PixelAt(recorded, 150, 10)[0], 30);
}

TEST_F(CamWrkTest, MotionGatesTheRecordingFromTheSecondPictureOn) {
  settings_.recordEnabled = 1;
  settings_.motionEnabled = 1;
  settings_.saveCount = 1;
  Apply();
  const Picture still = SmoothPicture(100, 100);
  Picture moved = still;
  for (size_t i = 0; i < moved.pixels.size() / 2; ++i) moved.pixels[i] = 255;
  Deliver(still);  // primes only
  Deliver(still);
  EXPECT_FALSE(IsFile(folder_.At("cam.mjpg")));
  Deliver(moved);  // motion
  Deliver(moved);  // the one frame after it
  Deliver(moved);
  EXPECT_EQ(SplitFrames(ReadWholeFile(folder_.At("cam.mjpg"))).size(), 2u);
  ASSERT_EQ(display_.frames.size(), 5u);
  EXPECT_EQ(display_.frames[0]->motionLevel, 0);
  EXPECT_GT(display_.frames[2]->motionLevel, settings_.triggerLevel);
  EXPECT_NE(display_.frames[2]->rect.firstColumn, -1);
}

TEST_F(CamWrkTest, FramesBeforeMotionArriveByMessageAndGoWithNewSettingsOrANewSource) {
  settings_.recordEnabled = 1;
  settings_.motionEnabled = 1;
  settings_.saveCount = 0;
  Apply();
  const RecordingExtras extras{2, 0, 0};
  Do([&] { worker_->SetExtras(extras); });
  const Picture still = SmoothPicture(100, 100);
  Picture moved = still;
  for (size_t i = 0; i < moved.pixels.size() / 2; ++i) moved.pixels[i] = 255;
  auto frames = [&] { return SplitFrames(ReadWholeFile(folder_.At("cam.mjpg"))).size(); };
  for (int i = 0; i < 3; ++i) Deliver(still);
  Deliver(moved);
  EXPECT_EQ(frames(), 3u) << "two kept frames, then the motion frame";

  Deliver(moved);
  Deliver(moved);
  Apply();  // new settings drop the two kept
  Deliver(still);
  EXPECT_EQ(frames(), 4u);

  Deliver(still);
  Deliver(still);
  Do([&] { worker_->SelectSource(kNoCamera); });  // so does another source
  Deliver(moved);
  EXPECT_EQ(frames(), 5u);
}

TEST_F(CamWrkTest, DeviceIsPolledByTheTimerAndReportsMissingPictures) {
  settings_.cameraType = kCaptureDevice;
  settings_.saveInterval = 30;
  settings_.deviceIndex = 2;
  settings_.formatIndex = 3;
  settings_.inputIndex = 1;
  Apply();
  PumpFor(400);
  EXPECT_GE(sources_.grabs, 3);
  EXPECT_GE(display_.frames.size(), 3u);
  EXPECT_EQ(sources_.log, (std::vector<std::string>{"create device", "device number 0", "restore 2 3 1"}));

  CamSettings readBack = settings_;
  readBack = worker_->ReadSources(readBack);
  EXPECT_EQ(readBack.deviceIndex, 12);
  EXPECT_EQ(readBack.formatIndex, 13);
  EXPECT_EQ(readBack.inputIndex, -1);

  sources_.available = false;
  display_.statuses.clear();
  PumpFor(200);
  ASSERT_FALSE(display_.statuses.empty());
  EXPECT_EQ(display_.statuses.back(), "Unable to grab image from device");

  // A type that does not exist leaves the device running.
  settings_.cameraType = 3;
  Apply();
  const int before = sources_.grabs;
  PumpFor(200);
  EXPECT_GT(sources_.grabs, before);

  // No interval: no timer, no grabs.
  settings_.cameraType = kCaptureDevice;
  settings_.saveInterval = 0;
  Apply();
  PumpFor(50);
  const int stopped = sources_.grabs;
  PumpFor(200);
  EXPECT_EQ(sources_.grabs, stopped);
}

TEST_F(CamWrkTest, IpSourceIsCreatedConfiguredAndReadBack) {
  settings_.cameraType = kIpCamera;
  settings_.mjpegStream = 1;
  settings_.ipConnected = 1;
  CopyText(settings_.cameraUrl, "http://127.0.0.1:8080/video");
  settings_.saveInterval = 250;
  Apply();
  Do([&] { worker_->SelectSource(kIpCamera); });
  EXPECT_EQ(sources_.log,
            (std::vector<std::string>{"create ip", "number 0", "source http://127.0.0.1:8080/video stream",
                                      "configure 1332 250 on", "show", "configure 1332 250 on"}));
  CamSettings readBack = DefaultCamSettings();
  readBack = worker_->ReadSources(readBack);
  EXPECT_STREQ(readBack.cameraUrl, "http://10.0.0.9/pic.jpg");
  EXPECT_EQ(readBack.ipConnected, 1);
  EXPECT_EQ(readBack.mjpegStream, 1);
  EXPECT_EQ(readBack.deviceIndex, 0) << "fields of a source that does not exist stay";

  // Switching to a device replaces the IP source.
  sources_.log.clear();
  Do([&] { worker_->SelectSource(kCaptureDevice); });
  EXPECT_EQ(sources_.log,
            (std::vector<std::string>{"destroyed", "create device shown", "device number 0", "restore 0 0 0"}));
}

TEST_F(CamWrkTest, SourcesNameTheirCameraAndReportToTheEmptyCellUntilTheFirstPicture) {
  Do([&] { worker_->SetNumber(2); });
  settings_.cameraType = kIpCamera;
  settings_.ipConnected = 0;
  Apply();
  display_.sourceStatuses.clear();
  sources_.log.clear();
  // A new source starts from a clean line; one not switched on says so.
  settings_.cameraType = kNoCamera;
  Do([&] { worker_->ApplySettings(settings_); });
  settings_.cameraType = kIpCamera;
  Do([&] { worker_->ApplySettings(settings_); });
  ASSERT_NE(sources_.lastIp, nullptr);
  EXPECT_EQ(sources_.log[1], "create ip");
  EXPECT_EQ(sources_.log[2], "number 2");
  EXPECT_EQ(display_.sourceStatuses, (std::vector<std::string>{"(null)", "(null)", "Disconnected"}));
  // A camera moved in the grid renames its source's dialog.
  sources_.log.clear();
  Do([&] { worker_->SetNumber(3); });
  EXPECT_EQ(sources_.log, (std::vector<std::string>{"number 3"}));

  // The source's texts reach the display until it delivers a picture.
  display_.sourceStatuses.clear();
  ASSERT_TRUE(sources_.lastIp->statusListener);
  sources_.lastIp->statusListener("Trying to connect...");
  sources_.lastIp->statusListener("Unable to resolve host name");
  Drain();
  EXPECT_EQ(display_.sourceStatuses, (std::vector<std::string>{"Trying to connect...", "Unable to resolve host name"}));
  Deliver(PatternPicture(32, 24));
  sources_.lastIp->statusListener("Received Jpeg Image, download time: 3ms");
  Drain();
  EXPECT_EQ(display_.sourceStatuses.size(), 2u) << "a picture on the cell needs no status";

  // Without a source the line is cleared.
  settings_.cameraType = kNoCamera;
  Do([&] { worker_->ApplySettings(settings_); });
  EXPECT_EQ(display_.sourceStatuses.back(), "(null)");
}

TEST_F(CamWrkTest, NoCameraAnnouncesAnEmptyPictureAndResetsTheDeviceFields) {
  settings_.cameraType = kCaptureDevice;
  settings_.saveInterval = 0;
  settings_.deviceIndex = 5;
  Apply();
  display_.frames.clear();
  display_.statuses.clear();
  display_.raws.clear();
  settings_.cameraType = kNoCamera;
  settings_.deviceIndex = 4;
  settings_.ipConnected = 1;
  Do([&] { worker_->ApplySettings(settings_); });
  EXPECT_EQ(display_.statuses, (std::vector<std::string>{"(null)"}));
  ASSERT_EQ(display_.frames.size(), 1u);
  EXPECT_FALSE(display_.frames[0]->picture.HasPixels());
  EXPECT_EQ(display_.raws, (std::vector<int32_t>{-1}));

  // The worker's own copy lost its device fields: a device selected now
  // reopens list position 0, not 4 or 5.
  sources_.log.clear();
  Do([&] { worker_->SelectSource(kCaptureDevice); });
  EXPECT_EQ(sources_.log, (std::vector<std::string>{"create device shown", "device number 0", "restore 0 0 0"}));
}

TEST_F(CamWrkTest, ViewFootageOpensTheRecordingOnceOneExists) {
  settings_.recordEnabled = 1;
  Apply();
  Do([&] { worker_->ViewFootage(); });
  EXPECT_TRUE(opened_.empty());
  Deliver(SmoothPicture(32, 32));
  Do([&] { worker_->ViewFootage(); });
  EXPECT_EQ(opened_, (std::vector<std::string>{folder_.At("cam.mjpg")}));
}

}  // namespace

namespace {

TEST_F(CamWrkTest, SignalIsLostWithoutNewPicturesAndComesBackWithTheNext) {
  settings_.cameraType = kIpCamera;
  settings_.saveInterval = 50;  // three intervals are less than the floor
  Apply();
  PumpFor(2 * kSignalFloorMs);
  EXPECT_TRUE(display_.signalNotes.empty()) << "no picture yet: nothing to call lost";

  const std::string taken = std::to_string(clock_.Now());
  Deliver(SmoothPicture(64, 48));
  const ULONGLONG delivered = GetTickCount64();
  ASSERT_TRUE(PumpUntil([&] { return !display_.signalNotes.empty(); }, 2000));
  EXPECT_GE(GetTickCount64() - delivered, static_cast<ULONGLONG>(kSignalFloorMs - 20));
  EXPECT_EQ(display_.signalNotes, (std::vector<std::string>{taken + " Trying to connect..."}));
  PumpFor(150);
  EXPECT_EQ(display_.signalNotes.size(), 1u) << "told once while nothing changes";

  // The source's status changes while the signal stays lost: told again.
  sources_.ipStatus = "Timeout waiting for data, retry in 5sec";
  ASSERT_TRUE(PumpUntil([&] { return display_.signalNotes.size() == 2; }, 1000));
  EXPECT_EQ(display_.signalNotes[1], taken + " Timeout waiting for data, retry in 5sec");

  // The next picture ends it: the display learns it from the picture itself.
  display_.frames.clear();
  Deliver(SmoothPicture(64, 48));
  ASSERT_EQ(display_.frames.size(), 1u);
  EXPECT_TRUE(display_.frames[0]->picture.HasPixels());
  PumpFor(kSignalFloorMs / 2);
  EXPECT_EQ(display_.signalNotes.size(), 2u);
  ASSERT_TRUE(PumpUntil([&] { return display_.signalNotes.size() == 3; }, 2000)) << "and it can be lost again";

  // Long intervals: three of them, not the floor.
  settings_.saveInterval = 200;
  Apply();
  Deliver(SmoothPicture(64, 48));
  PumpFor(450);
  EXPECT_TRUE(display_.signalNotes.empty());
  ASSERT_TRUE(PumpUntil([&] { return !display_.signalNotes.empty(); }, 2000));

  // A camera switched off shows no picture: nothing more is said.
  settings_.cameraType = kNoCamera;
  Apply();
  PumpFor(2 * kSignalFloorMs);
  EXPECT_TRUE(display_.signalNotes.empty());
}

TEST_F(CamWrkTest, DeviceWithoutPicturesLosesItsSignalWithTheGrabFailure) {
  settings_.cameraType = kCaptureDevice;
  settings_.saveInterval = 30;
  Apply();
  ASSERT_TRUE(PumpUntil([&] { return !display_.frames.empty(); }, 1000));
  PumpFor(kSignalFloorMs + 100);
  EXPECT_TRUE(display_.signalNotes.empty()) << "pictures keep coming";
  sources_.available = false;
  ASSERT_TRUE(PumpUntil([&] { return !display_.signalNotes.empty(); }, 2000));
  EXPECT_NE(display_.signalNotes[0].find(" Unable to grab image from device"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CamWrkTest, StatusCrossesToTheDisplayOnlyWhenItChanges) {
  settings_.recordEnabled = 1;
  CopyText(settings_.savePath, folder_.At("sub\\cam.mjpg"));
  WriteWholeFile(folder_.At("sub"), std::vector<uint8_t>{1});  // a file where the folder should be
  Apply();
  const Picture picture = SmoothPicture(64, 48);
  for (int i = 0; i < 3; ++i) Deliver(picture);
  ASSERT_EQ(display_.statuses.size(), 1u);
  EXPECT_NE(display_.statuses[0], "(null)");
  ASSERT_TRUE(DeleteFileA(folder_.At("sub").c_str()));
  for (int i = 0; i < 3; ++i) Deliver(picture);
  ASSERT_EQ(display_.statuses.size(), 2u);
  EXPECT_EQ(display_.statuses[1], "(null)") << "cleared once the saves succeed";
  EXPECT_EQ(SplitFrames(ReadWholeFile(folder_.At("sub\\cam.mjpg"))).size(), 3u);
  EXPECT_EQ(display_.frames.size(), 6u) << "every picture still goes to the display";
  display_.statuses.clear();

  // A device without pictures says so once, not on every tick.
  settings_.cameraType = kCaptureDevice;
  settings_.saveInterval = 20;
  sources_.available = false;
  Apply();
  ASSERT_TRUE(PumpUntil([&] { return sources_.grabs >= 5; }, 2000));
  EXPECT_EQ(display_.statuses, (std::vector<std::string>{"Unable to grab image from device"}));
}

}  // namespace

namespace {

TEST_F(CamWrkTest, PictureGoesToTheDisplayScaledToItsClientSize) {
  Apply();
  SetWindowPos(display_.Handle(), nullptr, 0, 0, 90, 70, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(display_.Handle(), &client);
  ASSERT_GT(client.right, 0);
  const Picture picture = PatternPicture(320, 240);
  Deliver(picture);
  ASSERT_EQ(display_.frames.size(), 1u);
  const CellImage& scaled = display_.frames[0]->scaled;
  EXPECT_TRUE(scaled.Matches(client.right, client.bottom));
  BoxScaler scaler;
  CellImage expected;
  ASSERT_TRUE(scaler.Scale(picture, client.right, client.bottom, expected));
  EXPECT_EQ(scaled.pixels, expected.pixels);
}

}  // namespace
