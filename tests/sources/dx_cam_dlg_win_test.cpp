// The capture device dialog and its graph against the test capture filter
// (tests/fixtures), registered in the test prefix by the test run: three
// devices, "Test Web Camera", "Test Tuner Card" and "Test Slow Camera".
#include "sources/dx_cam_dlg_win.h"

#include <gtest/gtest.h>
#include <prsht.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/cam_wrk_win.h"
#include "fixtures/capture_pattern.h"
#include "sources/source_factory_win.h"
#include "support/slot_display_win.h"
#include "support/test_window_win.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Box {
  HWND owner;
  std::string text, title;
  UINT flags;
};

std::vector<std::string> Entries(HWND list) {
  std::vector<std::string> entries;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    entries.emplace_back(text);
  }
  return entries;
}

using Strings = std::vector<std::string>;
const Strings kDevices = {"Select a device...", "Test Web Camera", "Test Tuner Card", "Test Slow Camera"};
const Strings kCameraFormats = {"Select a format...", "320x240 24 bit", "640x480 24 bit"};
const Strings kTunerFormats = {"Select a format...", "320x240 24 bit"};
const Strings kTunerInputs = {"0: Video Tuner", "1: Video Composite", "2: S-Video"};
constexpr char kStartFailure[] = "Failed to Initialize video,\ndevice may already be in use";

uint32_t Counter(const Picture& p) {
  return capture_pattern::Read(p.pixels.data(), p.Width(), p.Height(), p.Stride(), 0);
}
uint32_t RoutedInput(const Picture& p) {
  return capture_pattern::Read(p.pixels.data(), p.Width(), p.Height(), p.Stride(), 1);
}
// A running graph shows its live picture: the renderer's window, made visible
// inside the dialog's preview control. A stopped one takes it out.
bool ShowsLiveVideo(HWND dialog) {
  for (HWND child = GetWindow(GetDlgItem(dialog, dxcam::kPreview), GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE) return true;
  return false;
}

// The hidden dialog as the worker creates it, its boxes recorded.
class DXCamDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_ = std::make_unique<DXCamDlg>([this](HWND owner, const char* text, const char* title, UINT flags) {
      boxes_.push_back({owner, text, title, flags});
      return IDOK;
    });
    ASSERT_TRUE(dialog_->Create(nullptr, dxcam::kTemplate, false));
  }

  HWND Item(int id) const { return GetDlgItem(dialog_->Handle(), id); }
  bool ShowsLiveVideo() const { return ::ShowsLiveVideo(dialog_->Handle()); }
  int Selection(int id) const { return static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0)); }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  // The user picks an entry: the list changes and tells the dialog.
  void Choose(int id, int position) {
    SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
  }
  // The next grabbed frame whose counter differs from `after`.
  bool GrabNew(Picture& picture, uint32_t after, milliseconds limit = milliseconds(5000)) {
    return PumpUntil([&] { return dialog_->GrabFrame(picture) && Counter(picture) != after; }, limit);
  }

  std::unique_ptr<DXCamDlg> dialog_;
  std::vector<Box> boxes_;
};

TEST_F(DXCamDlgTest, ListsDevicesAndTheirDistinctFormats) {
  EXPECT_EQ(Entries(Item(dxcam::kDeviceList)), kDevices);
  EXPECT_EQ(Selection(dxcam::kDeviceList), 0);
  EXPECT_TRUE(Enabled(dxcam::kDeviceList));
  EXPECT_FALSE(Enabled(dxcam::kFormatList));
  EXPECT_FALSE(Enabled(dxcam::kInputList));

  // Four capabilities counted; the IYU2 twin of 320x240 and the one of
  // 0 bits not offered.
  CaptureGraph graph;
  std::vector<CaptureFormat> formats;
  EXPECT_EQ(graph.Formats(1, formats), 4);
  EXPECT_EQ(formats, (std::vector<CaptureFormat>{{320, 240, 24}, {640, 480, 24}}));

  // Through the dialog: choosing a device lists its formats.
  Choose(dxcam::kDeviceList, 1);
  EXPECT_EQ(Entries(Item(dxcam::kFormatList)), kCameraFormats);
  EXPECT_EQ(Selection(dxcam::kFormatList), 0);
  EXPECT_TRUE(Enabled(dxcam::kFormatList));
  Choose(dxcam::kDeviceList, 2);
  EXPECT_EQ(Entries(Item(dxcam::kFormatList)), kTunerFormats);
  EXPECT_FALSE(ShowsLiveVideo());

  // No such device, and the prompt.
  EXPECT_EQ(graph.Formats(9, formats), -1);
  EXPECT_TRUE(formats.empty());
  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kDeviceList, 0);
  EXPECT_TRUE(Entries(Item(dxcam::kFormatList)).empty());
  EXPECT_FALSE(Enabled(dxcam::kFormatList));
  EXPECT_TRUE(boxes_.empty());

  ComPtr<IBaseFilter> filter;
  EXPECT_TRUE(graph.BindDevice(2, filter));
  ComPtr<IPin> pin;
  EXPECT_EQ(CaptureGraph::GetPin(filter.Get(), PINDIR_OUTPUT, 0, pin), S_OK);
  PIN_DIRECTION direction = PINDIR_INPUT;
  ASSERT_TRUE(pin);
  pin->QueryDirection(&direction);
  EXPECT_EQ(direction, PINDIR_OUTPUT);
  EXPECT_EQ(CaptureGraph::GetPin(filter.Get(), PINDIR_OUTPUT, 1, pin), E_FAIL);
  EXPECT_FALSE(pin);
  EXPECT_EQ(CaptureGraph::GetPin(filter.Get(), PINDIR_INPUT, 0, pin), E_FAIL);
  EXPECT_FALSE(graph.BindDevice(3, filter));
  EXPECT_FALSE(graph.BindDevice(-1, filter));
  EXPECT_FALSE(filter);

  // A running tuner card tells its video inputs: pin and connector type.
  std::vector<CaptureInput> inputs;
  EXPECT_FALSE(graph.VideoInputs(inputs));
  ASSERT_TRUE(graph.StartCapture(2, Item(dxcam::kPreview), 320, 240, 24));
  ASSERT_TRUE(graph.VideoInputs(inputs));
  ASSERT_EQ(inputs.size(), 3u);
  for (long i = 0; i < 3; ++i) {
    EXPECT_EQ(inputs[static_cast<size_t>(i)].pin, i);
    EXPECT_EQ(inputs[static_cast<size_t>(i)].type, i + 1);
  }
}

TEST_F(DXCamDlgTest, ChosenFormatRunsTheGraphAndGrabsTheDevicePattern) {
  Picture picture;
  EXPECT_FALSE(dialog_->GrabFrame(picture));  // no graph

  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kFormatList, 2);
  ASSERT_TRUE(ShowsLiveVideo());
  ASSERT_TRUE(boxes_.empty());
  EXPECT_FALSE(Enabled(dxcam::kInputList));  // no crossbar
  EXPECT_TRUE(Entries(Item(dxcam::kInputList)).empty());

  ASSERT_TRUE(GrabNew(picture, UINT32_MAX));
  const BitmapInfoHeader& header = picture.pictureInfo.header;
  EXPECT_EQ(header.size, 40u);
  EXPECT_EQ(header.width, 640);
  EXPECT_EQ(header.height, 480);
  EXPECT_EQ(header.bitCount, 24);
  EXPECT_EQ(header.compression, 0u);
  EXPECT_EQ(picture.pixels.size(), 640u * 480u * 3u);
  EXPECT_EQ(RoutedInput(picture), 0u);
  // The background below the bands, bottom-up: the last row is blue-free.
  EXPECT_EQ(picture.pixels[0], 0);
  EXPECT_EQ(picture.pixels[2], 128);

  // Frames advance between grabs.
  const uint32_t first = Counter(picture);
  ASSERT_TRUE(GrabNew(picture, first));
  EXPECT_GT(Counter(picture), first);
  EXPECT_LT(Counter(picture), first + 100);

  int32_t device = 0, format = 0, input = 0;
  dialog_->GetSelection(device, format, input);
  EXPECT_EQ(device, 1);
  EXPECT_EQ(format, 2);
  EXPECT_EQ(input, -1);

  // The entry shared by two capabilities applies the first of them (RGB24;
  // the IYU2 one cannot reach the grabber here).
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  ASSERT_TRUE(PumpUntil([&] { return dialog_->GrabFrame(picture) && picture.Width() == 320; }, milliseconds(5000)));
  EXPECT_EQ(picture.Height(), 240);

  // A device without a sample yet.
  Choose(dxcam::kDeviceList, 3);
  EXPECT_TRUE(ShowsLiveVideo());  // the previous graph runs until a format is chosen
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  EXPECT_FALSE(dialog_->GrabFrame(picture));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->GrabFrame(picture); }, milliseconds(10000)));
  EXPECT_EQ(picture.Width(), 160);

  // The format prompt stops the graph; the lists keep their contents.
  Choose(dxcam::kFormatList, 0);
  EXPECT_FALSE(ShowsLiveVideo());
  EXPECT_FALSE(dialog_->GrabFrame(picture));
  EXPECT_EQ(Entries(Item(dxcam::kDeviceList)), kDevices);
  EXPECT_EQ(Selection(dxcam::kDeviceList), 3);
  EXPECT_EQ(Entries(Item(dxcam::kFormatList)), (Strings{"Select a format...", "160x120 24 bit"}));
  EXPECT_TRUE(Enabled(dxcam::kFormatList));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(DXCamDlgTest, ChoosingAnotherDeviceWhileRunningListsItsFormats) {
  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kFormatList, 2);
  ASSERT_TRUE(ShowsLiveVideo());
  Choose(dxcam::kDeviceList, 2);
  EXPECT_EQ(Entries(Item(dxcam::kFormatList)), kTunerFormats);
  Choose(dxcam::kDeviceList, 1);
  EXPECT_EQ(Entries(Item(dxcam::kFormatList)), kCameraFormats);  // read from the running filter
  EXPECT_TRUE(ShowsLiveVideo());
}

TEST_F(DXCamDlgTest, CrossbarListsVideoInputsAndRoutesTheChosenOne) {
  Choose(dxcam::kDeviceList, 2);
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  EXPECT_EQ(Entries(Item(dxcam::kInputList)), kTunerInputs);
  EXPECT_EQ(Selection(dxcam::kInputList), 0);
  EXPECT_TRUE(Enabled(dxcam::kInputList));

  Picture picture;
  ASSERT_TRUE(GrabNew(picture, UINT32_MAX));
  EXPECT_EQ(RoutedInput(picture), 0u);
  Choose(dxcam::kInputList, 2);
  EXPECT_TRUE(PumpUntil([&] { return dialog_->GrabFrame(picture) && RoutedInput(picture) == 2; }, milliseconds(5000)))
      << RoutedInput(picture);
  Choose(dxcam::kInputList, 1);
  EXPECT_TRUE(PumpUntil([&] { return dialog_->GrabFrame(picture) && RoutedInput(picture) == 1; }, milliseconds(5000)))
      << RoutedInput(picture);

  int32_t device = 0, format = 0, input = 0;
  dialog_->GetSelection(device, format, input);
  EXPECT_EQ(device, 2);
  EXPECT_EQ(format, 1);
  EXPECT_EQ(input, 1);

  // A stored choice with its input, restored into a fresh dialog.
  DXCamDlg restored([this](HWND owner, const char* text, const char* title, UINT flags) {
    boxes_.push_back({owner, text, title, flags});
    return IDOK;
  });
  ASSERT_TRUE(restored.Create(nullptr, dxcam::kTemplate, false));
  restored.RestoreSelection(2, 1, 2);
  ASSERT_TRUE(::ShowsLiveVideo(restored.Handle()));
  restored.GetSelection(device, format, input);
  EXPECT_EQ(device, 2);
  EXPECT_EQ(format, 1);
  EXPECT_EQ(input, 2);
  EXPECT_TRUE(PumpUntil([&] { return restored.GrabFrame(picture) && RoutedInput(picture) == 2; }, milliseconds(5000)));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(DXCamDlgTest, StartFailureAndStoredChoicesWithoutAFormat) {
  // A stored choice without a format: the lists as opened, no graph.
  dialog_->RestoreSelection(1, 0, 0);
  EXPECT_FALSE(ShowsLiveVideo());
  EXPECT_EQ(Selection(dxcam::kDeviceList), 0);
  EXPECT_FALSE(Enabled(dxcam::kFormatList));
  EXPECT_FALSE(Enabled(dxcam::kInputList));
  EXPECT_TRUE(boxes_.empty());

  // A device that is no longer there.
  dialog_->RestoreSelection(7, 1, 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].owner, Item(dxcam::kPreview));
  EXPECT_EQ(boxes_[0].text, kStartFailure);
  EXPECT_EQ(boxes_[0].title, "Error");
  EXPECT_EQ(boxes_[0].flags, 0x40030u);
  EXPECT_FALSE(ShowsLiveVideo());
  EXPECT_EQ(Selection(dxcam::kDeviceList), 0);
  EXPECT_TRUE(Entries(Item(dxcam::kFormatList)).empty());
  EXPECT_FALSE(Enabled(dxcam::kFormatList));
  EXPECT_FALSE(Enabled(dxcam::kInputList));

  // A format no capability matches starts the device as it is; an entry
  // the dialog did not list fails the start, with the same box.
  {
    CaptureGraph graph;
    EXPECT_TRUE(graph.StartCapture(1, Item(dxcam::kPreview), 176, 144, 9));
    EXPECT_TRUE(ShowsLiveVideo());
  }
  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kFormatList, 2);
  ASSERT_TRUE(ShowsLiveVideo());
  SendMessageA(Item(dxcam::kFormatList), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("no format"));
  Choose(dxcam::kFormatList, 3);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, kStartFailure);
  EXPECT_FALSE(ShowsLiveVideo());
  EXPECT_EQ(Selection(dxcam::kDeviceList), 0);
}

TEST_F(DXCamDlgTest, DeviceSettingsWithAnUnregisteredPageShowNothing) {
  SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(dxcam::kSettingsButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(dxcam::kSettingsButton)));  // no graph: nothing
  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  // Wine's frame for such a page never closes, whatever the user does: a
  // frame shown here hangs the test until its time limit.
  SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(dxcam::kSettingsButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(dxcam::kSettingsButton)));
  EXPECT_TRUE(ShowsLiveVideo());
}

// The tuner card names a working page: a modal frame comes up on the
// dialog's thread, titled with the filter's name in the graph, until it is
// cancelled. (Wine gives the frame no owner, so it is found by its thread.)
TEST_F(DXCamDlgTest, DeviceSettingsShowTheDevicePagesModally) {
  Choose(dxcam::kDeviceList, 2);
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  struct Watch {
    HWND dialog;
    DWORD thread;
    std::atomic<HWND> frame{nullptr};
  } watch{dialog_->Handle(), GetCurrentThreadId()};
  std::atomic<bool> returned{false};
  std::string caption;
  std::thread watcher([&] {
    while (!returned && !watch.frame) {
      EnumWindows(
          [](HWND window, LPARAM data) {
            auto* w = reinterpret_cast<Watch*>(data);
            char className[16] = {};
            GetClassNameA(window, className, sizeof className);
            if (window != w->dialog && GetWindowThreadProcessId(window, nullptr) == w->thread &&
                IsWindowVisible(window) && std::string(className) == "#32770")
              w->frame = window;
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&watch));
      Sleep(10);
    }
    if (HWND frame = watch.frame) {
      char text[256] = {};
      GetWindowTextA(frame, text, sizeof text);
      caption = text;
      PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
  });
  SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(dxcam::kSettingsButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(dxcam::kSettingsButton)));
  returned = true;
  watcher.join();
  EXPECT_NE(watch.frame.load(), nullptr);
  EXPECT_NE(caption.find("Video Capture"), std::string::npos) << caption;
  EXPECT_FALSE(IsWindow(watch.frame.load()));
  EXPECT_TRUE(ShowsLiveVideo());
}

TEST_F(DXCamDlgTest, EnterEscapeOkAndCloseOnlyHide) {
  Choose(dxcam::kDeviceList, 1);
  Choose(dxcam::kFormatList, 1);
  ASSERT_TRUE(ShowsLiveVideo());
  for (int command : {IDOK, IDCANCEL, dxcam::kOkButton}) {
    dialog_->Show(true);
    EXPECT_TRUE(IsWindowVisible(dialog_->Handle()));
    SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(dialog_->Handle())) << command;
  }
  dialog_->Show(true);
  SendMessageA(dialog_->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dialog_->Handle()));
  EXPECT_FALSE(IsWindowVisible(dialog_->Handle()));
  EXPECT_TRUE(ShowsLiveVideo());
  char title[64] = {};
  GetWindowTextA(dialog_->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "DirectX Camera Setup");
  dialog_->SetCameraNumber(2);
  GetWindowTextA(dialog_->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "DirectX Camera Setup - Camera 2");
  EXPECT_NE(SendMessageA(dialog_->Handle(), WM_GETICON, ICON_BIG, 0), 0);
}

// A thread already in the multithreaded apartment cannot have the graph's
// single-threaded one: one box, and no devices are told.
TEST(CaptureGraphCom, FailedStartUpIsReportedOnceAndDisablesTheGraph) {
  std::vector<Box> boxes;
  bool named = true;
  std::thread thread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      CaptureGraph graph([&](HWND owner, const char* text, const char* title, UINT flags) {
        boxes.push_back({owner, text, title, flags});
        return IDOK;
      });
      std::vector<std::string> names;
      named = graph.DeviceNames(names);
    }
    CoUninitialize();
  });
  thread.join();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].text, "CoInitialize Failed");
  EXPECT_EQ(boxes[0].title, "Error");
  EXPECT_EQ(boxes[0].flags, 0x40010u);
  EXPECT_FALSE(named);
}

TEST(DXCamWorker, RestoresTheStoredChoiceAndFeedsTheWorker) {
  SlotDisplay display;
  ASSERT_TRUE(display.Create());
  CameraSourceFactory factory;
  CamWrk::Services services;
  services.sources = &factory;
  CamWrk worker(std::move(services));
  worker.SetDisplayWindow(display.Handle());
  display.Follow(worker.Slot());
  worker.Start();
  CamSettings settings = DefaultCamSettings();
  settings.cameraType = kCaptureDevice;
  settings.deviceIndex = 1;
  settings.formatIndex = 2;
  settings.inputIndex = 0;
  settings.saveInterval = 100;
  // Sent from another thread so that this one keeps pumping the display.
  std::thread sender([&] { worker.ApplySettings(settings); });
  const bool fed = PumpUntil([&] { return display.Pictures() >= 6; }, milliseconds(20000));
  sender.join();
  ASSERT_TRUE(fed) << display.statuses.size() << " statuses, last "
                   << (display.statuses.empty() ? std::string() : display.statuses.back());
  for (const SharedFrame& frame : display.frames) {
    EXPECT_EQ(frame->picture.Width(), 640);
    EXPECT_EQ(frame->picture.Height(), 480);
  }
  EXPECT_GT(Counter(display.frames.back()->picture), Counter(display.frames.front()->picture));

  CamSettings read{};
  std::atomic<bool> answered{false};
  std::thread reader([&] {
    read = worker.ReadSources(read);
    answered = true;
  });
  PumpUntil([&] { return answered.load(); }, milliseconds(5000));
  reader.join();
  EXPECT_EQ(read.deviceIndex, 1);
  EXPECT_EQ(read.formatIndex, 2);
  EXPECT_EQ(read.inputIndex, -1);
  worker.Stop();
}

// Run with the test filter unregistered (CTest fixture capture_devices_absent).
TEST(CaptureDevicesAbsent, DeviceListSaysNoDevicesDetected) {
  DXCamDlg dialog;
  ASSERT_TRUE(dialog.Create(nullptr, dxcam::kTemplate, false));
  HWND devices = GetDlgItem(dialog.Handle(), dxcam::kDeviceList);
  EXPECT_EQ(Entries(devices), Strings{"No Devices Detected"});
  EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), 0);
  EXPECT_FALSE(IsWindowEnabled(devices));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog.Handle(), dxcam::kFormatList)));
  CaptureGraph graph;
  std::vector<std::string> names{"stale"};
  EXPECT_TRUE(graph.DeviceNames(names));
  EXPECT_TRUE(names.empty());
  std::vector<CaptureFormat> formats;
  EXPECT_EQ(graph.Formats(1, formats), -1);
  ComPtr<IBaseFilter> filter;
  EXPECT_FALSE(graph.BindDevice(0, filter));
}

}  // namespace
