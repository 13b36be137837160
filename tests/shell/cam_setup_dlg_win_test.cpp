#include "shell/cam_setup_dlg_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/raster.h"
#include "engine/camera_messages.h"
#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

using namespace setup_id;

// The camera's capture sources as the worker sees them: every creation,
// showing and destruction is logged, and reading back gives fixed values.
class LoggedIp final : public IpSource {
 public:
  explicit LoggedIp(std::vector<std::string>& log) : log_(log) {}
  ~LoggedIp() override { log_.push_back("ip destroyed"); }
  void SetSource(const char*, bool) override {}
  void Configure(HWND, UINT, int32_t, bool) override {}
  void GetSource(char (&url)[kTextSize], int32_t& running, int32_t& mjpeg) override {
    CopyText(url, "http://10.0.0.9/pic.jpg");
    running = 1;
    mjpeg = 1;
  }
  void Show(bool show) override { log_.push_back(show ? "ip shown" : "ip hidden"); }
  void SetCameraNumber(int) override {}

 private:
  std::vector<std::string>& log_;
};

class LoggedDevice final : public DeviceSource {
 public:
  explicit LoggedDevice(std::vector<std::string>& log) : log_(log) {}
  ~LoggedDevice() override { log_.push_back("device destroyed"); }
  void RestoreSelection(int32_t, int32_t, int32_t) override {}
  void GetSelection(int32_t& device, int32_t& format, int32_t& input) override {
    device = 3;
    format = 4;
    input = -1;
  }
  bool GrabFrame(Picture&) override { return false; }
  void Show(bool show) override { log_.push_back(show ? "device shown" : "device hidden"); }
  void SetCameraNumber(int) override {}

 private:
  std::vector<std::string>& log_;
};

class LoggedSources final : public SourceFactory {
 public:
  std::unique_ptr<IpSource> CreateIpSource(HWND, bool show) override {
    log.push_back(show ? "create ip shown" : "create ip");
    return std::make_unique<LoggedIp>(log);
  }
  std::unique_ptr<DeviceSource> CreateDeviceSource(HWND, bool show) override {
    log.push_back(show ? "create device shown" : "create device");
    return std::make_unique<LoggedDevice>(log);
  }
  std::vector<std::string> log;
};

CamWrk::Services WithSources(SourceFactory* sources) {
  CamWrk::Services services;
  services.sources = sources;
  return services;
}

const char* const kPageNames[] = {"Recording", "Schedule", "Modify", "Overlay", "Motion", "Device", "Alerts"};

// The running dialog as a scenario sees it.
struct Open {
  HWND dialog;
  CamSetupDlg& setup;

  // A page is the dialog inside the tab control named as its tab.
  HWND Page(int page) const {
    return FindWindowExA(GetDlgItem(dialog, kTabControl), nullptr, "#32770", kPageNames[page]);
  }
  HWND Item(int page, int id) const { return GetDlgItem(Page(page), id); }
  // The user picks a tab: the tab control changes its selection and tells
  // the dialog.
  void ShowPage(int page) const {
    HWND tabs = GetDlgItem(dialog, kTabControl);
    SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    NMHDR header{tabs, static_cast<UINT_PTR>(kTabControl), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(dialog, WM_NOTIFY, kTabControl, reinterpret_cast<LPARAM>(&header));
  }
  // A click on a page's button: the page is brought up first, as only the
  // controls of the visible page report commands.
  void Click(int page, int id) const {
    ShowPage(page);
    SendMessageA(Item(page, id), BM_CLICK, 0, 0);
  }
  void Check(int page, int id, bool on) const {
    if ((SendMessageA(Item(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED) != on) Click(page, id);
  }
  bool Checked(int page, int id) const { return SendMessageA(Item(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void Type(int page, int id, const char* text) const { SetWindowTextA(Item(page, id), text); }
  std::string Text(int page, int id) const {
    char text[512] = {};
    GetWindowTextA(Item(page, id), text, sizeof text);
    return text;
  }
  void Select(int page, int id, int position) const {
    HWND list = Item(page, id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendMessageA(Page(page), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  int Selection(int page, int id) const { return static_cast<int>(SendMessageA(Item(page, id), CB_GETCURSEL, 0, 0)); }
  void SetTime(int id, int hour, int minute, int second) const {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    SendMessageA(Item(kSchedule, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
  }
  int32_t Time(int id) const {
    SYSTEMTIME time{};
    SendMessageA(Item(kSchedule, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
  }
  void Tick() const { SendMessageA(dialog, WM_TIMER, kSetupRefreshTimer, 0); }
  void Press(int id) const { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  // A key as the user types it: into the queue, for the dialog's own loop.
  void PostKey(HWND target, WPARAM key) const {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
  }
};

class CamSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    camera_->ReplaceControl(cell_.Child(), false);
    original_ = DefaultCamSettings();
    original_.cameraType = kIpCamera;
    CopyText(original_.cameraUrl, "http://192.168.1.5/old.jpg");
    original_.overlayPosition = 3;  // not a list entry: shown as "Top Left"
    original_.rotation = 180;
    original_.editDetectGrid = 1;
    original_.scheduleStart[1] = 3600;
    original_.scheduleStop[1] = 7200;
    original_.scheduleStart[2] = 36000;
    original_.scheduleStop[2] = 39600;
    camera_->SetSettings(original_);
    originalGrid_ = EmptyDetectGrid();
    originalGrid_.At(3, 4) = 1;
    camera_->SetDetectGrid(originalGrid_);
    sources_.log.clear();
  }

  SetupChoosers AnsweringChoosers() {
    SetupChoosers choosers;
    choosers.color = [this](HWND owner, uint32_t& colour) {
      colourAsked_.push_back(colour);
      chooserOwner_ = owner;
      if (!answerChoosers_) return false;
      colour = nextColour_++;
      return true;
    };
    choosers.font = [this](HWND owner, FontRecord& font, uint32_t& colour) {
      fontAsked_.push_back(font.faceName);
      chooserOwner_ = owner;
      if (!answerChoosers_) return false;
      CopyText(font.faceName, "Courier New");
      font.height = -20;
      font.weight = 700;
      colour = nextColour_++;
      return true;
    };
    choosers.confirm = [this](HWND, const char* text) {
      warnings_.emplace_back(text);
      return keepSharedFile_;
    };
    choosers.refuse = [this](HWND, const char* text) { warnings_.emplace_back(text); };
    choosers.alertServers = [this](HWND owner) { chooserOwner_ = owner; };
    return choosers;
  }

  // Runs the dialog of camera index 2 through the shell's entry; the
  // scenario runs once inside the dialog's own message loop, as soon as the
  // dialog is up. A dialog still open after ten seconds is ended as a
  // failure.
  bool Run(std::function<void(const Open&)> scenario) {
    return Run(std::vector<std::function<void(const Open&)>>{scenario});
  }
  // Stages run one per timer tick, each after what the previous one posted
  // has been handled.
  bool Run(std::vector<std::function<void(const Open&)>> stages) {
    stages_ = std::move(stages);
    current_ = this;
    const UINT_PTR start = SetTimer(nullptr, 0, 10, &CamSetupTest::StartScenario);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, &CamSetupTest::EndLeftOpen);
    const bool applied = RunCamSetup(*camera_, 2, cell_.Parent(), AnsweringChoosers(), nullptr, fileOwner_, &alerts_);
    KillTimer(nullptr, start);
    KillTimer(nullptr, watchdog);
    current_ = nullptr;
    return applied;
  }

  static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window) &&
        dynamic_cast<CamSetupDlg*>(reinterpret_cast<ModalDlg*>(GetWindowLongPtrA(window, GWLP_USERDATA)))) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static HWND OpenDialog() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &CamSetupTest::FindDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
  }

  static void CALLBACK StartScenario(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = OpenDialog();
    if (!dialog || !current_) return;  // not up yet
    auto& stages = current_->stages_;
    if (stages.size() <= 1) KillTimer(nullptr, id);
    if (stages.empty()) return;
    auto* setup = dynamic_cast<CamSetupDlg*>(reinterpret_cast<ModalDlg*>(GetWindowLongPtrA(dialog, GWLP_USERDATA)));
    auto stage = std::move(stages.front());
    stages.erase(stages.begin());
    stage(Open{dialog, *setup});
  }

  static void CALLBACK EndLeftOpen(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    ADD_FAILURE() << "the dialog was left open";
    if (HWND dialog = OpenDialog()) EndDialog(dialog, 99);
  }

  // A raw picture delivered to the camera's worker, as its IP source does;
  // then what the worker's slot woke for is taken.
  void Deliver(const Picture& picture) {
    SendMessageA(camera_->Worker().Handle(), camera_msg::kPicture, reinterpret_cast<WPARAM>(picture.pixels.data()),
                 reinterpret_cast<LPARAM>(&picture.pictureInfo));
    Drain();
  }
  // Private messages only: the stages run from timers.
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_USER, 0xBFFF, PM_REMOVE)) DispatchMessageA(&msg);
  }

  bool CameraUnchanged() const {
    return std::memcmp(&camera_->Settings(), &original_, sizeof original_) == 0 &&
           std::memcmp(&camera_->Grid(), &originalGrid_, sizeof originalGrid_) == 0;
  }

  static inline CamSetupTest* current_ = nullptr;
  std::vector<std::function<void(const Open&)>> stages_;

  LoggedSources sources_;
  std::unique_ptr<CamWnd> camera_ = std::make_unique<CamWnd>(WithSources(&sources_));
  TestWindow cell_{"Static", 100, WS_CHILD | WS_VISIBLE, 0, 160, 120};  // destroyed before the camera
  CamSettings original_{};
  DetectGrid originalGrid_{};

  bool answerChoosers_ = true;
  uint32_t nextColour_ = 0x00102030;
  std::vector<uint32_t> colourAsked_;
  std::vector<std::string> fontAsked_;
  HWND chooserOwner_ = nullptr;
  std::function<std::string(const CamSettings&)> fileOwner_;
  std::vector<std::string> warnings_;
  bool keepSharedFile_ = false;
  CameraAlerts alerts_;
};

// Every one-line label of every page shows its whole text.
void ExpectLabelsFit(const Open& d) {
  for (int page = 0; page < kPageCount; ++page) {
    for (HWND child = GetWindow(d.Page(page), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char className[16] = {}, text[256] = {};
      GetClassNameA(child, className, sizeof className);
      const int length = GetWindowTextA(child, text, sizeof text);
      RECT box{};
      SIZE size{};
      HDC dc = GetDC(child);
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
      GetTextExtentPoint32A(dc, text, length, &size);
      ReleaseDC(child, dc);
      GetClientRect(child, &box);
      if (_stricmp(className, "Static") != 0 || box.bottom >= 2 * size.cy) continue;  // a wrapping text
      EXPECT_LE(size.cx, box.right) << kPageNames[page] << ": \"" << text << "\"";
    }
  }
}

TEST_F(CamSetupTest, NameOwnPathAndAWarningAboutAnotherCamerasFile) {
  fileOwner_ = [](const CamSettings&) { return std::string("Door"); };
  camera_->SetSettings(DefaultCamSettings());
  const bool applied = Run({[&](const Open& d) {
                              ExpectLabelsFit(d);
                              EXPECT_EQ(d.Text(kDevice, kCameraName), "Camera 3");
                              d.Type(kDevice, kCameraName, " Front door ");
                              d.Check(kDevice, kShowLabel, false);
                              d.Check(kRecording, kRecordEnabled, true);
                              d.Click(kDevice, kDeviceIp);
                              EXPECT_EQ(d.Text(kRecording, kSavePath), "C:\\Cameras\\Camera 3\\%Y-%m-%d\\camera3.mjpg");
                              d.Press(kOk);
                            },
                            [&](const Open& d) {
                              ASSERT_EQ(warnings_.size(), 1u) << "OK warns and the dialog stays";
                              EXPECT_EQ(warnings_[0].rfind("Door already records to this file", 0), 0u);
                              keepSharedFile_ = true;
                              d.Press(kOk);
                            }});
  EXPECT_TRUE(applied);
  EXPECT_EQ(camera_->Name(), "Front door");
  EXPECT_EQ(camera_->Identity().hideLabel, 1);
  EXPECT_STREQ(camera_->Settings().savePath, "C:\\Cameras\\Camera 3\\%Y-%m-%d\\camera3.mjpg");
}

TEST_F(CamSetupTest, OpensWithTheCameraSettingsInEveryControl) {
  std::string title;
  ASSERT_FALSE(Run([&](const Open& d) {
    char text[64] = {};
    GetWindowTextA(d.dialog, text, sizeof text);
    title = text;
    HWND tabs = GetDlgItem(d.dialog, kTabControl);
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), kPageCount);
    for (int i = 0; i < kPageCount; ++i) {
      char label[32] = {};
      TCITEMA item{};
      item.mask = TCIF_TEXT;
      item.pszText = label;
      item.cchTextMax = sizeof label;
      SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      EXPECT_STREQ(label, kPageNames[i]);
      ASSERT_NE(d.Page(i), nullptr) << i;
      EXPECT_EQ(IsWindowVisible(d.Page(i)) != 0, i == 0) << i;
    }
    EXPECT_TRUE(d.Checked(kRecording, kSaveMjpeg));
    EXPECT_FALSE(d.Checked(kRecording, kSaveJpeg));
    EXPECT_TRUE(d.Checked(kRecording, kCleanDirectory));
    EXPECT_EQ(d.Text(kRecording, kSaveInterval), "1000");
    EXPECT_EQ(d.Text(kRecording, kSavePath), "C:\\Cameras\\%B\\%d\\myfile.mjpg");
    EXPECT_EQ(d.Text(kRecording, kMaxJpegCount), "100");
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel),
              "Make start and stop time equal to record all day, click a checkbox to edit the record time for that "
              "day");
    EXPECT_FALSE(IsWindowEnabled(d.Item(kSchedule, kStartPicker)));
    EXPECT_FALSE(IsWindowEnabled(d.Item(kSchedule, kStopPicker)));
    EXPECT_EQ(d.Time(kStartPicker), 0);
    EXPECT_EQ(d.Time(kStopPicker), 0);
    EXPECT_EQ(d.Selection(kModify, kRotation), 2);
    EXPECT_EQ(d.Text(kModify, kJpegQuality), "75");
    EXPECT_EQ(d.Selection(kOverlay, kOverlayPosition), 0) << "code 3 shows as Top Left";
    EXPECT_EQ(d.Text(kOverlay, kOverlayText), " %a %m/%d/%y (%I:%M:%S %p) ");
    EXPECT_EQ(d.Text(kOverlay, kOverlayOpacity), "100");
    EXPECT_EQ(d.Selection(kMotion, kInfoPosition), 7);
    EXPECT_EQ(SendMessageA(d.Item(kMotion, kInfoPosition), CB_GETCOUNT, 0, 0), 9);
    EXPECT_FALSE(d.Checked(kMotion, kEditDetectGrid)) << "grid editing always starts off";
    EXPECT_TRUE(d.Checked(kMotion, kShowDetectRect));
    EXPECT_EQ(d.Text(kMotion, kTriggerLevel), "20");
    EXPECT_EQ(d.Text(kMotion, kSaveCount), "5");
    EXPECT_TRUE(d.Checked(kDevice, kDeviceIp));
    EXPECT_FALSE(d.Checked(kDevice, kDeviceNone));
    d.Press(kCancel);
  }));
  EXPECT_EQ(title, "Camera 3 Setup");

  // The preview holds the camera's grid with editing off, though the camera's
  // settings have it on: a drag over it paints nothing, and OK hands the grid
  // back as it was.
  ASSERT_TRUE(Run([](const Open& d) {
    SendMessageA(GetDlgItem(d.dialog, kPreview), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    d.Press(kOk);
  }));
  EXPECT_EQ(std::memcmp(&camera_->Grid(), &originalGrid_, sizeof originalGrid_), 0);
}

// Every control of every page, set through its own messages, reaches the
// working copy; the camera gets the copy only when OK is pressed.
TEST_F(CamSetupTest, EveryControlIsReadIntoTheCopyAndHandedOverOnlyOnOk) {
  CamSettings expected = original_;
  bool untouchedBeforeOk = false;
  const bool applied = Run([&](const Open& d) {
    d.Check(kRecording, kRecordEnabled, true);
    d.Type(kRecording, kSaveInterval, "250");
    d.Type(kRecording, kSavePath, "D:\\rec\\%A\\cam.mjpg");
    d.Check(kRecording, kCleanDirectory, false);
    d.Click(kRecording, kSaveJpeg);
    d.Type(kRecording, kMaxJpegCount, "42");

    d.Check(kSchedule, kScheduleAllDays, true);
    d.Click(kSchedule, 1017);  // Saturday
    d.SetTime(kStartPicker, 8, 0, 0);
    d.SetTime(kStopPicker, 17, 0, 1);

    d.Check(kModify, kFlipHorizontal, true);
    d.Check(kModify, kFlipVertical, true);
    d.Select(kModify, kRotation, 1);
    d.Type(kModify, kJpegQuality, "90");

    d.Check(kOverlay, kOverlayEnabled, true);
    d.Check(kOverlay, kOverlayOnFile, true);
    d.Type(kOverlay, kOverlayOpacity, "300");
    d.Select(kOverlay, kOverlayPosition, 8);
    d.Type(kOverlay, kOverlayText, "Gate %H:%M");
    d.Click(kOverlay, kOverlayFont);
    d.Click(kOverlay, kOverlayBackColor);

    d.Check(kMotion, kMotionEnabled, true);
    d.Type(kMotion, kTriggerLevel, "33");
    d.Type(kMotion, kSaveCount, "");
    d.Check(kMotion, kMotionSound, true);
    d.Check(kMotion, kShowDetectRect, false);
    d.Type(kMotion, kDetectRectOpacity, "12");
    d.Click(kMotion, kDetectRectColor);
    d.Check(kMotion, kEditDetectGrid, true);
    d.Check(kMotion, kShowDetectInfo, false);
    d.Type(kMotion, kInfoOpacity, "255");
    d.Select(kMotion, kInfoPosition, 4);
    d.Click(kMotion, kInfoFont);
    d.Click(kMotion, kInfoBackColor);

    d.Click(kDevice, kDeviceCapture);

    d.Tick();
    const CamSettings& w = d.setup.Preview().Settings();
    EXPECT_EQ(w.rotation, 90);
    EXPECT_EQ(w.cameraType, kCaptureDevice);
    SendMessageA(GetDlgItem(d.dialog, kPreview), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    untouchedBeforeOk = CameraUnchanged();
    d.Press(kOk);
  });
  ASSERT_TRUE(applied);
  EXPECT_TRUE(untouchedBeforeOk);
  EXPECT_EQ(camera_->Grid().At(0, 0), 1) << "the preview edits the grid while the box is checked";

  expected.recordEnabled = 1;
  expected.saveInterval = 250;
  CopyText(expected.savePath, "D:\\rec\\%A\\cam.jpg");  // the JPEG button changed the extension
  expected.cleanDirectory = 0;
  expected.saveAsMjpeg = 0;
  expected.maxJpegCount = 42;
  expected.scheduleFlags = 0x81;
  expected.scheduleStart[7] = 28800;
  expected.scheduleStop[7] = 61201;
  expected.flipHorizontal = 1;
  expected.flipVertical = 1;
  expected.rotation = 90;
  expected.jpegQuality = 90;
  expected.overlayEnabled = 1;
  expected.overlayOnFile = 1;
  expected.overlayOpacity = 300;
  expected.overlayPosition = 10;
  CopyText(expected.overlayText, "Gate %H:%M");
  CopyText(expected.overlayFont.faceName, "Courier New");
  expected.overlayFont.height = -20;
  expected.overlayFont.weight = 700;
  expected.overlayTextColor = 0x00102030;
  expected.overlayBackColor = 0x00102031;
  expected.motionEnabled = 1;
  expected.triggerLevel = 33;
  expected.saveCount = 0;  // an empty field reads as 0
  expected.motionSound = 1;
  expected.showDetectRect = 0;
  expected.detectRectOpacity = 12;
  expected.detectRectColor = 0x00102032;
  expected.editDetectGrid = 0;  // never stored as on
  expected.showDetectInfo = 0;
  expected.infoOpacity = 255;
  expected.infoPosition = 5;
  CopyText(expected.infoFont.faceName, "Courier New");
  expected.infoFont.height = -20;
  expected.infoFont.weight = 700;
  expected.infoTextColor = 0x00102033;
  expected.infoBackColor = 0x00102034;
  expected.cameraType = kCaptureDevice;
  // Read back from the device dialog the worker now runs.
  expected.deviceIndex = 3;
  expected.formatIndex = 4;
  expected.inputIndex = -1;

  const CamSettings& a = camera_->Settings();
#define EXPECT_FIELD(f) EXPECT_EQ(a.f, expected.f) << #f
  EXPECT_FIELD(flipHorizontal);
  EXPECT_FIELD(flipVertical);
  EXPECT_FIELD(rotation);
  EXPECT_FIELD(jpegQuality);
  EXPECT_FIELD(overlayEnabled);
  EXPECT_FIELD(overlayOnFile);
  EXPECT_STREQ(a.overlayText, expected.overlayText);
  EXPECT_FIELD(overlayPosition);
  EXPECT_STREQ(a.overlayFont.faceName, expected.overlayFont.faceName);
  EXPECT_FIELD(overlayFont.height);
  EXPECT_FIELD(overlayFont.weight);
  EXPECT_FIELD(overlayTextColor);
  EXPECT_FIELD(overlayBackColor);
  EXPECT_FIELD(overlayOpacity);
  EXPECT_FIELD(motionEnabled);
  EXPECT_FIELD(showDetectRect);
  EXPECT_FIELD(showDetectInfo);
  EXPECT_FIELD(editDetectGrid);
  EXPECT_FIELD(motionSound);
  EXPECT_FIELD(triggerLevel);
  EXPECT_FIELD(saveCount);
  EXPECT_FIELD(detectRectColor);
  EXPECT_FIELD(infoTextColor);
  EXPECT_FIELD(infoBackColor);
  EXPECT_FIELD(detectRectOpacity);
  EXPECT_FIELD(infoOpacity);
  EXPECT_FIELD(infoPosition);
  EXPECT_STREQ(a.infoFont.faceName, expected.infoFont.faceName);
  EXPECT_FIELD(infoFont.height);
  EXPECT_FIELD(infoFont.weight);
  EXPECT_FIELD(cameraType);
  EXPECT_FIELD(deviceIndex);
  EXPECT_FIELD(formatIndex);
  EXPECT_FIELD(inputIndex);
  EXPECT_STREQ(a.cameraUrl, expected.cameraUrl);
  EXPECT_FIELD(ipConnected);
  EXPECT_FIELD(mjpegStream);
  EXPECT_FIELD(recordEnabled);
  EXPECT_FIELD(scheduleFlags);
  for (int i = 0; i < 8; ++i) {
    EXPECT_FIELD(scheduleStart[i]) << i;
    EXPECT_FIELD(scheduleStop[i]) << i;
  }
  EXPECT_FIELD(saveInterval);
  EXPECT_STREQ(a.savePath, expected.savePath);
  EXPECT_FIELD(cleanDirectory);
  EXPECT_FIELD(saveAsMjpeg);
  EXPECT_FIELD(maxJpegCount);
#undef EXPECT_FIELD
  EXPECT_EQ(std::memcmp(&a, &expected, sizeof a), 0) << "every other byte as it was";

  // The choosers started from the fields, owned by the dialog.
  EXPECT_EQ(colourAsked_, (std::vector<uint32_t>{0xC8C8C8, 0x0000FF, 0xC8C8C8}));
  EXPECT_EQ(fontAsked_, (std::vector<std::string>{"MS Sans Serif", "MS Sans Serif"}));
  EXPECT_NE(chooserOwner_, nullptr);

  // The worker now runs the chosen device, hidden.
  EXPECT_EQ(sources_.log.front(), "ip destroyed");
  EXPECT_EQ(sources_.log[1], "create device shown");
  EXPECT_EQ(sources_.log.back(), "device hidden");
}

TEST_F(CamSetupTest, CancelEscapeAndTheCloseButtonDropTheCopy) {
  struct Way {
    const char* name;
    std::function<void(const Open&)> end;
  };
  const Way ways[] = {
      {"Cancel button", [](const Open& d) { d.Press(kCancel); }},
      {"Esc", [](const Open& d) { d.PostKey(d.Item(kModify, kJpegQuality), VK_ESCAPE); }},
      {"close button", [](const Open& d) { PostMessageA(d.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Way& way : ways) {
    const bool applied = Run([&](const Open& d) {
      d.Select(kModify, kRotation, 1);
      d.Check(kModify, kFlipVertical, true);
      d.Type(kModify, kJpegQuality, "5");
      d.Type(kRecording, kSavePath, "E:\\other.mjpg");
      d.Check(kMotion, kEditDetectGrid, true);
      d.Check(kAlerts, kAlertMail, true);
      d.Click(kOverlay, kOverlayBackColor);
      d.Tick();
      SendMessageA(d.setup.Preview().Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
      ASSERT_EQ(d.setup.Preview().Grid().At(0, 0), 1);
      ASSERT_EQ(d.setup.Preview().Settings().rotation, 90);
      d.ShowPage(kModify);
      SetFocus(d.Item(kModify, kJpegQuality));
      way.end(d);
    });
    EXPECT_FALSE(applied) << way.name;
    EXPECT_TRUE(CameraUnchanged()) << way.name;
    EXPECT_EQ(alerts_.mail, 0) << way.name;
    // The worker's device dialog is hidden and the dialog no longer
    // receives its pictures.
    EXPECT_EQ(sources_.log, (std::vector<std::string>{"ip hidden"})) << way.name;
    sources_.log.clear();
  }
  const Picture raw = PatternPicture(64, 48);
  Deliver(raw);
  Picture expected = raw;
  RotatePicture(expected, 180);
  EXPECT_EQ(camera_->CurrentPicture().pixels, expected.pixels) << "the camera's own 180 degrees, not the dropped 90";
}

TEST_F(CamSetupTest, RecordingLimitsAndFramesBeforeMotionFollowOkAndCancel) {
  camera_->SetExtras({4, 200, 9});
  auto extrasOf = [](const RecordingExtras& e) {
    return std::vector<int32_t>{e.preMotionFrames, e.keepMegabytes, e.keepDays, e.recordAsSent};
  };
  EXPECT_FALSE(Run([&](const Open& d) {
    EXPECT_EQ(d.Text(kRecording, kPreMotionFrames), "4");
    EXPECT_EQ(d.Text(kRecording, kKeepMegabytes), "200");
    EXPECT_EQ(d.Text(kRecording, kKeepDays), "9");
    d.Type(kRecording, kPreMotionFrames, "12");
    d.Type(kRecording, kKeepMegabytes, "0");
    d.Type(kRecording, kKeepDays, "30");
    d.Select(kRecording, kRecordFormat, 1);
    d.Tick();
    EXPECT_EQ(extrasOf(d.setup.Preview().Extras()), (std::vector<int32_t>{12, 0, 30, 1}));
    d.Press(kCancel);
  }));
  EXPECT_EQ(extrasOf(camera_->Extras()), (std::vector<int32_t>{4, 200, 9, 0}));

  EXPECT_TRUE(Run([&](const Open& d) {
    EXPECT_EQ(d.Selection(kRecording, kRecordFormat), 0);
    d.Type(kRecording, kPreMotionFrames, "77");  // more than the 50 kept at most
    d.Type(kRecording, kKeepMegabytes, "1500");
    d.Type(kRecording, kKeepDays, "");
    d.Select(kRecording, kRecordFormat, 1);
    d.Press(kOk);
  }));
  EXPECT_EQ(extrasOf(camera_->Extras()), (std::vector<int32_t>{50, 1500, 0, 1}));
}

TEST_F(CamSetupTest, AlertsFollowOkAndACoolDownOutOfRangeIsRefused) {
  alerts_ = {0, 1, 0, 120, 1};
  EXPECT_TRUE(Run({[&](const Open& d) {
                     EXPECT_TRUE(d.Checked(kAlerts, kAlertHook));
                     EXPECT_EQ(d.Text(kAlerts, kAlertCoolDown), "120");
                     d.Check(kAlerts, kAlertMail, true);
                     d.Check(kAlerts, kAlertHook, false);
                     d.Check(kAlerts, kAlertMqtt, true);
                     d.Check(kAlerts, kAlertOnlyScheduled, false);
                     d.Click(kAlerts, kAlertServers);
                     EXPECT_EQ(chooserOwner_, d.dialog) << "the servers' dialog opens over the setup";
                     d.Type(kAlerts, kAlertCoolDown, "86401");
                     d.Press(kOk);
                   },
                   [&](const Open& d) {
                     EXPECT_EQ(warnings_.size(), 1u) << "OK refuses and the dialog stays";
                     EXPECT_EQ(GetFocus(), d.Item(kAlerts, kAlertCoolDown));
                     d.Type(kAlerts, kAlertCoolDown, "0");
                     d.Press(kOk);
                   }}));
  const CameraAlerts expected{1, 0, 1, 0, 0};
  EXPECT_EQ(std::memcmp(&alerts_, &expected, sizeof expected), 0);
}

TEST_F(CamSetupTest, EnterAppliesTheSettings) {
  const bool applied = Run([&](const Open& d) {
    d.ShowPage(kRecording);
    d.Type(kRecording, kSavePath, "F:\\enter.mjpg");
    SetFocus(d.Item(kRecording, kSavePath));
    d.PostKey(d.Item(kRecording, kSavePath), VK_RETURN);
  });
  EXPECT_TRUE(applied);
  EXPECT_STREQ(camera_->Settings().savePath, "F:\\enter.mjpg");
}

TEST_F(CamSetupTest, EnterOnAFocusedPageButtonPressesThatButton) {
  bool openAfterEnter = false;
  const bool applied = Run({[&](const Open& d) {
                              d.ShowPage(kOverlay);
                              HWND button = d.Item(kOverlay, kOverlayBackColor);  // the id of Cancel
                              SendMessageA(d.Page(kOverlay), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
                              d.PostKey(button, VK_RETURN);
                            },
                            [&](const Open& d) {
                              openAfterEnter = true;
                              d.Press(kOk);
                            }});
  EXPECT_TRUE(openAfterEnter);
  EXPECT_TRUE(applied);
  EXPECT_EQ(colourAsked_, (std::vector<uint32_t>{0xC8C8C8}));
  EXPECT_EQ(camera_->Settings().overlayBackColor, 0x00102030u);
}

TEST_F(CamSetupTest, ScheduleBoxesChooseTheDayThePickersEdit) {
  const bool applied = Run([&](const Open& d) {
    d.Click(kSchedule, 1011);  // Sun
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for Sun");
    EXPECT_TRUE(IsWindowEnabled(d.Item(kSchedule, kStartPicker)));
    EXPECT_TRUE(IsWindowEnabled(d.Item(kSchedule, kStopPicker)));
    EXPECT_EQ(d.Time(kStartPicker), 3600);
    EXPECT_EQ(d.Time(kStopPicker), 7200);
    EXPECT_TRUE(d.Checked(kSchedule, 1011)) << "the click toggles the box too";

    // Edited and left for another day before the refresh ran: kept.
    d.SetTime(kStartPicker, 5, 30, 0);
    d.Click(kSchedule, 1012);  // Mon
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for Mon");
    EXPECT_EQ(d.Time(kStartPicker), 36000);
    EXPECT_EQ(d.Time(kStopPicker), 39600);
    // Back to Sun (unchecking it): the pickers show the time kept from its
    // edit; then Sun is checked again.
    d.Click(kSchedule, 1011);
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for Sun");
    EXPECT_EQ(d.Time(kStartPicker), 19800);
    EXPECT_EQ(d.Time(kStopPicker), 7200);
    d.Click(kSchedule, 1011);
    EXPECT_TRUE(d.Checked(kSchedule, 1011));

    d.Click(kSchedule, 1012);  // Mon again: unchecked, still edited
    EXPECT_FALSE(d.Checked(kSchedule, 1012));
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for Mon");
    EXPECT_TRUE(IsWindowEnabled(d.Item(kSchedule, kStopPicker)));

    d.SetTime(kStopPicker, 23, 59, 59);
    d.Tick();
    // Mon chosen twice more: the pickers reload the time the refresh kept.
    d.Click(kSchedule, 1012);
    d.Click(kSchedule, 1012);
    EXPECT_FALSE(d.Checked(kSchedule, 1012));
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for Mon");
    EXPECT_EQ(d.Time(kStopPicker), 86399);

    d.Click(kSchedule, kScheduleAllDays);
    EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), "Editing Time for All Days");
    EXPECT_EQ(d.Time(kStartPicker), 0);
    d.SetTime(kStartPicker, 8, 0, 0);
    d.SetTime(kStopPicker, 17, 0, 0);

    const char* const labels[] = {"Editing Time for Tue", "Editing Time for Wed", "Editing Time for Thu",
                                  "Editing Time for Fri", "Editing Time for Sat"};
    for (int id = 1013; id <= 1017; ++id) {
      d.Click(kSchedule, id);
      EXPECT_EQ(d.Text(kSchedule, kScheduleLabel), labels[id - 1013]);
      d.Click(kSchedule, id);  // and off again
    }
    d.Press(kOk);
  });
  ASSERT_TRUE(applied);
  const CamSettings& s = camera_->Settings();
  EXPECT_EQ(s.scheduleFlags, 0x03) << "all days and Sunday";
  EXPECT_EQ(s.scheduleStart[0], 28800);
  EXPECT_EQ(s.scheduleStop[0], 61200);
  EXPECT_EQ(s.scheduleStart[1], 19800);
  EXPECT_EQ(s.scheduleStop[1], 7200);
  EXPECT_EQ(s.scheduleStart[2], 36000);
  EXPECT_EQ(s.scheduleStop[2], 86399);
  for (int day = 3; day <= 7; ++day) {
    EXPECT_EQ(s.scheduleStart[day], 0) << day;
    EXPECT_EQ(s.scheduleStop[day], 0) << day;
  }
}

TEST_F(CamSetupTest, DeviceRadiosSwitchTheWorkerAtOnceAndCancelPutsTheCameraSourceBack) {
  std::vector<std::vector<std::string>> steps;
  const bool applied = Run([&](const Open& d) {
    for (int radio : {kDeviceNone, kDeviceIp, kDeviceIp, kDeviceCapture}) {
      sources_.log.clear();
      d.Click(kDevice, radio);
      steps.push_back(sources_.log);
    }
    sources_.log.clear();
    d.Press(kCancel);
  });
  EXPECT_FALSE(applied);
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0], (std::vector<std::string>{"ip destroyed"}));
  EXPECT_EQ(steps[1], (std::vector<std::string>{"create ip shown"}));
  EXPECT_EQ(steps[2], (std::vector<std::string>{"ip shown"})) << "the selected type again shows its dialog again";
  EXPECT_EQ(steps[3], (std::vector<std::string>{"ip destroyed", "create device shown"}));
  // Cancel hides the device dialog, then the worker goes back to the IP
  // camera that the camera's settings still name.
  EXPECT_EQ(sources_.log, (std::vector<std::string>{"device hidden", "device destroyed", "create ip"}));
  EXPECT_TRUE(CameraUnchanged());
}

TEST_F(CamSetupTest, PreviewShowsRawPicturesWithTheSettingsBeingEdited) {
  const Picture raw = PatternPicture(64, 48);
  int beforeWidth = 0, rotatedWidth = 0, rotatedHeight = 0;
  int gridPixelsBefore = -1, gridPixelsAfter = -1;
  const bool applied = Run([&](const Open& d) {
    CamWnd& preview = d.setup.Preview();
    Deliver(raw);
    ASSERT_TRUE(preview.HasPicture());
    beforeWidth = preview.CurrentPicture().Width();  // the camera's 180 degrees

    d.Select(kModify, kRotation, 1);
    Deliver(raw);
    EXPECT_EQ(preview.CurrentPicture().Width(), 64) << "not before the refresh";
    d.Tick();
    Deliver(raw);
    rotatedWidth = preview.CurrentPicture().Width();
    rotatedHeight = preview.CurrentPicture().Height();

    // The preview draws the grid once the box is read.
    RECT client{};
    GetClientRect(preview.Handle(), &client);
    DibCanvas plain(client.right, client.bottom), before(client.right, client.bottom),
        after(client.right, client.bottom);
    preview.Render(plain.Dc(), client.right, client.bottom);
    d.Check(kMotion, kEditDetectGrid, true);
    preview.Render(before.Dc(), client.right, client.bottom);
    d.Tick();
    preview.Render(after.Dc(), client.right, client.bottom);
    gridPixelsBefore = gridPixelsAfter = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        gridPixelsBefore += before.Pixel(x, y) != plain.Pixel(x, y);
        gridPixelsAfter += after.Pixel(x, y) != plain.Pixel(x, y);
      }

    // A camera without a picture empties the preview.
    camera_->Worker().Slot()->Publish(std::make_shared<Frame>());
    Drain();
    EXPECT_FALSE(preview.HasPicture());
    Deliver(raw);  // the camera has its picture again
    d.Press(kCancel);
  });
  EXPECT_FALSE(applied);
  EXPECT_EQ(beforeWidth, 64);
  EXPECT_EQ(rotatedWidth, 48);
  EXPECT_EQ(rotatedHeight, 64);
  EXPECT_EQ(gridPixelsBefore, 0) << "not before the refresh";
  EXPECT_GT(gridPixelsAfter, 1000) << "the grid covers the preview";
  EXPECT_TRUE(CameraUnchanged());
  EXPECT_EQ(camera_->CurrentPicture().Width(), 64) << "the camera itself never rotated by 90";
}

TEST_F(CamSetupTest, GridPaintedOnThePreviewReachesTheCameraOnOk) {
  const bool applied = Run([&](const Open& d) {
    CamWnd& preview = d.setup.Preview();
    RECT client{};
    GetClientRect(preview.Handle(), &client);
    SendMessageA(preview.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(preview.Grid().At(0, 0), 0) << "only while editing";
    d.Check(kMotion, kEditDetectGrid, true);
    d.Tick();
    SendMessageA(preview.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageA(preview.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right - 1, client.bottom - 1));
    SendMessageA(preview.Handle(), WM_MOUSEMOVE, MK_RBUTTON,
                 MAKELPARAM(client.right * 3 / 25 + 1, client.bottom * 4 / 25 + 1));
    EXPECT_EQ(preview.Grid().At(0, 0), 1);
    EXPECT_EQ(camera_->Grid().At(0, 0), 0) << "not before OK";
    d.Press(kOk);
  });
  ASSERT_TRUE(applied);
  DetectGrid expected = originalGrid_;
  expected.At(0, 0) = 1;
  expected.At(24, 24) = 1;
  expected.At(3, 4) = 0;
  EXPECT_EQ(std::memcmp(&camera_->Grid(), &expected, sizeof expected), 0);
  EXPECT_EQ(camera_->Settings().editDetectGrid, 0);
}

TEST_F(CamSetupTest, SaveFormatButtonsChangeThePathExtension) {
  std::vector<std::string> paths;
  Run([&](const Open& d) {
    d.Click(kRecording, kSaveJpeg);
    paths.push_back(d.Text(kRecording, kSavePath));
    d.Click(kRecording, kSaveMjpeg);
    paths.push_back(d.Text(kRecording, kSavePath));
    d.Type(kRecording, kSavePath, "C:\\rec.d\\myfile");
    d.Click(kRecording, kSaveJpeg);
    paths.push_back(d.Text(kRecording, kSavePath));
    d.Type(kRecording, kSavePath, "C:\\nodot\\myfile");
    d.Click(kRecording, kSaveMjpeg);
    paths.push_back(d.Text(kRecording, kSavePath));
    d.Press(kCancel);
  });
  EXPECT_EQ(paths, (std::vector<std::string>{"C:\\Cameras\\%B\\%d\\myfile.jpg", "C:\\Cameras\\%B\\%d\\myfile.mjpg",
                                             "C:\\rec.jpg", "C:\\nodot\\myfile"}));
}

TEST_F(CamSetupTest, CancelledChoosersAndLongTextsLeaveFieldsSound) {
  answerChoosers_ = false;
  const std::string longText(400, 'x');
  const bool applied = Run([&](const Open& d) {
    d.Click(kOverlay, kOverlayBackColor);
    d.Click(kOverlay, kOverlayFont);
    d.Type(kOverlay, kOverlayText, longText.c_str());
    d.Type(kRecording, kSavePath, longText.c_str());
    d.Press(kOk);
  });
  ASSERT_TRUE(applied);
  const CamSettings& s = camera_->Settings();
  EXPECT_EQ(s.overlayBackColor, original_.overlayBackColor);
  EXPECT_EQ(s.overlayTextColor, original_.overlayTextColor);
  EXPECT_EQ(std::memcmp(&s.overlayFont, &original_.overlayFont, sizeof s.overlayFont), 0);
  EXPECT_EQ(std::string(s.overlayText), std::string(258, 'x'));
  EXPECT_EQ(std::string(s.savePath), std::string(258, 'x'));
}

}  // namespace
