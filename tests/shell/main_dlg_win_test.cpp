#include "shell/main_dlg_win.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ctime>
#include <string>

#include "common/fixed_text.h"
#include "config_bytes.h"
#include "engine/save_path.h"
#include "shell/about_text.h"
#include "shell/cam_setup_dlg_win.h"
#include "shell/config_file_win.h"
#include "shell/first_start_size.h"
#include "shell/layout_dlg_win.h"
#include "shell_fixture_win.h"
#include "support/test_window_win.h"
#include "web/web_svr_dlg_win.h"

namespace {

RECT CellOf(HWND parent, HWND cell) {
  RECT rect{};
  GetWindowRect(cell, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void SetClientSize(HWND window, int width, int height) {
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

bool QuitPosted() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// The visible dialog box `owner` owns (a modal one it runs), or null.
HWND OwnedDialog(HWND owner) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window) || std::strcmp(name, "#32770"))
          return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class MainDlgTest : public ::testing::Test {
 protected:
  MainDlgTest() : owner_("Static", 1, 0, 0, 10, 10) {}
  ~MainDlgTest() override {
    if (main_ && main_->Handle() && IsWindow(main_->Handle())) DestroyWindow(main_->Handle());
    main_.reset();
    QuitPosted();
  }

  // Pumping would also take a quit message the start posted.
  MainDlg& Start(bool pump = true) {
    ShellServices services = capture_.Services();
    if (!realSetupDialog_) {
      // Stands in for the setup dialog, cancelled at once: what camera it was
      // opened for tells which camera the camera commands act on.
      services.setupDialog = [this](HWND, CamWnd& camera, int index) {
        EXPECT_EQ(&camera, main_->Cameras().at(static_cast<size_t>(index)).get());
        setupOpenedFor_ = index;
        return INT_PTR{IDCANCEL};
      };
    }
    main_ = std::make_unique<MainDlg>(std::move(services));
    EXPECT_TRUE(main_->Create(owner_.Parent(), kMainTemplate, true));
    if (pump) PumpMessages();
    return *main_;
  }
  HWND Window() const { return main_->Handle(); }
  HWND CameraWindow(size_t k) const { return main_->Cameras().at(k)->Handle(); }
  void Command(int id, int code = 0) { SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, code), 0); }
  // The current camera, as the setup command finds it: its index, or -1
  // when no camera is current and nothing opens.
  int CurrentCamera() {
    setupOpenedFor_ = -1;
    Command(main_cmd::kSetupCamera);
    return setupOpenedFor_;
  }
  // The user fills in the Layout Setup dialog and leaves it with `button`.
  void RunLayout(const char* columns, const char* rows, int button) {
    DialogScript script({[&] {
      HWND dialog = FindWindowA(nullptr, "Layout Setup");
      if (!dialog) return false;
      SetDlgItemTextA(dialog, kLayoutColumns, columns);
      SetDlgItemTextA(dialog, kLayoutRows, rows);
      SetDlgItemTextA(dialog, kLayoutAspect, "1.0");
      SendMessageA(dialog, WM_COMMAND, button, 0);
      return true;
    }});
    Command(main_cmd::kLayoutSetup);
    EXPECT_TRUE(script.Finished());
  }
  // The text of the About box, taken off the captured boxes.
  std::string AboutText() {
    const size_t shown = capture_.boxes.size();
    Command(main_cmd::kAbout);
    if (capture_.boxes.size() != shown + 1) return "no About box";
    const std::string text = capture_.boxes.back().text;
    capture_.boxes.pop_back();
    return text;
  }
  // The mouse over a client point of the main window.
  void MouseAt(UINT message, int x, int y) {
    // Keep the point on the screen wherever the window was placed, or the
    // pointer would be clamped to the screen's edge.
    SetWindowPos(Window(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    POINT point{x, y};
    ClientToScreen(Window(), &point);
    ASSERT_TRUE(PlaceCursor(point));
    SendMessageA(Window(), message, 0, 0);
  }
  void RightClickCamera(size_t k) {
    const RECT cell = CellOf(Window(), CameraWindow(k));
    MouseAt(WM_RBUTTONUP, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  }
  void SetQuality(size_t k, int32_t quality) {
    CamSettings settings = main_->Cameras()[k]->Settings();
    settings.jpegQuality = quality;
    main_->Cameras()[k]->SetSettings(settings);
  }
  std::vector<int32_t> Qualities() const {
    std::vector<int32_t> qualities;
    for (const auto& camera : main_->Cameras()) qualities.push_back(camera->Settings().jpegQuality);
    return qualities;
  }

  ShellCapture capture_;
  TestWindow owner_;  // stands in for the hidden application window
  std::unique_ptr<MainDlg> main_;
  bool realSetupDialog_ = false;
  int setupOpenedFor_ = -1;
};

TEST_F(MainDlgTest, FreshStartShowsTwelveCamerasAndWritesTheDefaultFile) {
  Start();
  EXPECT_EQ(main_->Cameras().size(), 12u);
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));  // nothing is written without a change
  ASSERT_EQ(capture_.trayCalls.size(), 1u);
  EXPECT_EQ(capture_.trayCalls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(capture_.trayCalls[0].icon.uCallbackMessage, 1368u);
  EXPECT_STREQ(capture_.trayCalls[0].icon.szTip, "Vorrandale");

  ASSERT_TRUE(main_->SaveConfig());
  const std::vector<uint8_t> written = ReadWholeFile(capture_.ConfigFile());
  ASSERT_EQ(written.size(), 24428u + ConfigExtensionSize(12));
  EXPECT_TRUE(written == DefaultConfigBytes(4, 3, 12, 12).DefaultExtension(12, 1).Bytes());
  EXPECT_EQ(written[0], 0) << "the web server starts off";

  char style[32] = {};
  GetClassNameA(CameraWindow(0), style, sizeof style);
  EXPECT_STRNE(style, "Static") << "a cell is a window of its own kind";
  EXPECT_EQ(GetParent(CameraWindow(0)), Window());
  EXPECT_EQ(GetWindowLongPtrA(CameraWindow(0), GWL_STYLE) & 0xFFFF00FF, WS_CHILD | WS_VISIBLE);
}

TEST_F(MainDlgTest, GridFollowsTheClientAreaAndCatchesUpWhenShownAgain) {
  Start();
  SetClientSize(Window(), 640, 480);
  const int xs[] = {5, 163, 321, 479}, ys[] = {62, 182, 302};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      const RECT cell = CellOf(Window(), CameraWindow(static_cast<size_t>(r * 4 + c)));
      EXPECT_EQ(cell.left, xs[c]);
      EXPECT_EQ(cell.top, ys[r]);
      EXPECT_EQ(cell.right - cell.left, 153);
      EXPECT_EQ(cell.bottom - cell.top, 115);
    }
  }
  // Hidden in the tray: resizing does not move the cells until it is shown.
  SendMessageA(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_FALSE(IsWindowVisible(Window()));
  ASSERT_TRUE(IsWindow(Window()));
  SetClientSize(Window(), 1000, 300);
  EXPECT_EQ(CellOf(Window(), CameraWindow(0)).left, 5);
  Command(main_cmd::kRestore);
  EXPECT_TRUE(IsWindowVisible(Window()));
  const RECT first = CellOf(Window(), CameraWindow(0));
  EXPECT_EQ(first.left, 243);  // height-limited and centred
  EXPECT_EQ(first.top, 5);
  EXPECT_EQ(first.bottom - first.top, 93);
  EXPECT_EQ(CellOf(Window(), CameraWindow(3)).left, 630);
}

TEST_F(MainDlgTest, TwoByTwoFileLoadsFourCamerasWhateverItsCountSays) {
  ConfigBytes bytes = DefaultConfigBytes(2, 2, 9, 4);
  for (size_t k = 0; k < 4; ++k) bytes.Int(CameraOffset(k) + 12, static_cast<int32_t>(60 + k));
  bytes.Byte(CameraOffset(3) + 1364 + 26, 1);
  WriteWholeFile(capture_.ConfigFile(), bytes.Bytes());
  Start();
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_EQ(main_->Cameras().size(), 4u);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{60, 61, 62, 63}));
  EXPECT_EQ(main_->Cameras()[3]->Grid().At(1, 1), 1);
  EXPECT_FALSE(QuitPosted());
  ASSERT_TRUE(main_->SaveConfig());
  const std::vector<uint8_t> written = ReadWholeFile(capture_.ConfigFile());
  // A file from before the extension: its records come back byte for byte,
  // followed by the extension with every camera's defaults and plain HTTP.
  ASSERT_EQ(written.size(), 8516u + ConfigExtensionSize(4));
  bytes.Int(556, 4);  // the count written is the real one
  EXPECT_TRUE(written == bytes.DefaultExtension(4, 0, 0).Bytes());
}

TEST_F(MainDlgTest, ExtensionGivesEachCameraItsExtrasAndADamagedOneTheDefaults) {
  auto extrasOf = [this] {
    std::vector<std::array<int32_t, 3>> values;
    for (const auto& camera : main_->Cameras())
      values.push_back({camera->Extras().preMotionFrames, camera->Extras().keepMegabytes, camera->Extras().keepDays});
    return values;
  };
  const std::vector<std::array<int32_t, 3>> stored = {{3, 100, 7}, {0, 0, 0}, {50, 0, 1}, {1, 2, 3}};
  ConfigBytes bytes = DefaultConfigBytes(2, 2, 4, 4);
  bytes.Int(CameraOffset(3) + 12, 61);
  ConfigBytes withExtension = bytes;
  withExtension.Extension(stored);
  WriteWholeFile(capture_.ConfigFile(), withExtension.Bytes());
  Start();
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_EQ(extrasOf(), stored);
  ASSERT_TRUE(main_->SaveConfig());
  EXPECT_TRUE(ReadWholeFile(capture_.ConfigFile()) == withExtension.Bytes());
  DestroyWindow(Window());
  main_.reset();

  std::vector<uint8_t> damaged = withExtension.Bytes();
  damaged[bytes.Size() + 17] ^= 0x10;
  WriteWholeFile(capture_.ConfigFile(), damaged);
  Start();
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(extrasOf(), (std::vector<std::array<int32_t, 3>>(4)));
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{75, 75, 75, 61})) << "the records before it still load";
}

TEST_F(MainDlgTest, ShortFileShowsTheReadFailureQuitsAndStaysOnDisk) {
  std::vector<uint8_t> bytes = DefaultConfigBytes(2, 2, 4, 4).Bytes();
  bytes.resize(8515);
  WriteWholeFile(capture_.ConfigFile(), bytes);
  Start(false);
  ASSERT_EQ(capture_.boxes.size(), 1u);
  EXPECT_EQ(capture_.boxes[0].text, "Read of config file failed!\nDelete it and restart the program");
  EXPECT_EQ(capture_.boxes[0].title, "Error");
  EXPECT_EQ(capture_.boxes[0].flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_TOPMOST));
  EXPECT_TRUE(QuitPosted());
  EXPECT_EQ(ReadWholeFile(capture_.ConfigFile()).size(), 8515u);
}

TEST_F(MainDlgTest, DamagedFileWithAGoodBackupStartsFromTheBackupAndIsKeptAside) {
  ConfigBytes good = DefaultConfigBytes(2, 2, 4, 4);
  good.Int(CameraOffset(1) + 12, 42);
  std::vector<uint8_t> damaged = good.Bytes();
  damaged.resize(5000);
  const std::string path = capture_.ConfigFile();
  const std::vector<uint8_t> earlier = {1, 2, 3};
  WriteWholeFile(path + ".damaged", earlier);
  WriteWholeFile(path, damaged);
  WriteWholeFile(path + ".bak", good.Bytes());
  Start(false);
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{75, 42, 75, 75}));
  EXPECT_TRUE(ReadWholeFile(path) == good.Bytes()) << "the next start finds a good file";
  EXPECT_TRUE(ReadWholeFile(path + ".damaged") == earlier) << "never overwritten";
  EXPECT_TRUE(ReadWholeFile(path + ".damaged-2") == damaged);
  ASSERT_EQ(capture_.trayCalls.size(), 2u);
  EXPECT_NE(capture_.trayCalls[1].icon.uFlags & NIF_INFO, 0u) << "told in a balloon";
  EXPECT_NE(AboutText().find(path + ".damaged-2"), std::string::npos);
}

TEST_F(MainDlgTest, FailedWritesAreReportedAndLeaveNoPartialFile) {
  Start();
  class ShortSink final : public ByteSink {
   public:
    explicit ShortSink(HANDLE file) : file_(file) {}
    size_t Write(const uint8_t* data, size_t size) override {
      DWORD written = 0;
      const DWORD part = static_cast<DWORD>(size / 2);
      WriteFile(file_, data, part, &written, nullptr);
      return written;
    }

   private:
    HANDLE file_;
  };
  std::vector<CameraRecords> records(2, CameraRecords{DefaultCamSettings(), EmptyDetectGrid()});
  const std::string path = capture_.ConfigFile();
  const WebSettings web = DefaultWebSettings();
  const GridLayout layout = DefaultGridLayout();
  EXPECT_FALSE(SaveConfigFile(path, web, layout, records, Window(), capture_.Services().messageBox,
                              [](HANDLE file) { return std::make_unique<ShortSink>(file); }));
  ASSERT_EQ(capture_.boxes.size(), 1u);
  EXPECT_EQ(capture_.boxes[0].text, "Writing of config file failed");
  EXPECT_EQ(capture_.boxes[0].title, "Error");
  EXPECT_EQ(capture_.boxes[0].flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_TOPMOST));
  EXPECT_FALSE(IsFile(path));

  // A save keeps the file before it as the backup; one cut short (as by a
  // crash) leaves the file in place whole.
  capture_.boxes.clear();
  ASSERT_TRUE(main_->SaveConfig());
  const std::vector<uint8_t> before = ReadWholeFile(path);
  ASSERT_TRUE(SaveConfigFile(path, web, layout, records, Window(), capture_.Services().messageBox));
  const std::vector<uint8_t> saved = ReadWholeFile(path);
  EXPECT_TRUE(ReadWholeFile(path + ".bak") == before);
  EXPECT_FALSE(SaveConfigFile(path, web, layout, records, Window(), capture_.Services().messageBox,
                              [](HANDLE file) { return std::make_unique<ShortSink>(file); }));
  EXPECT_TRUE(ReadWholeFile(path) == saved);
  EXPECT_TRUE(saved != before);

  capture_.boxes.clear();
  const std::string unreachable = capture_.Folder().At("missing\\Vorrandale.cfg");
  EXPECT_FALSE(SaveConfigFile(unreachable, web, layout, records, Window(), capture_.Services().messageBox));
  ASSERT_EQ(capture_.boxes.size(), 1u);
  EXPECT_EQ(capture_.boxes[0].text, "Could not open config file for writing!");
  EXPECT_EQ(capture_.boxes[0].title, "Error");
}

TEST_F(MainDlgTest, RebuildingKeepsTheRemainingCamerasWithTheirSettings) {
  WriteWholeFile(capture_.ConfigFile(), DefaultConfigBytes(2, 2, 4, 4).Bytes());
  Start();
  ASSERT_EQ(main_->Cameras().size(), 4u);
  std::vector<const CamWnd*> before;
  for (size_t k = 0; k < 4; ++k) {
    SetQuality(k, static_cast<int32_t>(10 + k));
    before.push_back(main_->Cameras()[k].get());
  }
  RunLayout("3", "2", kLayoutOk);
  ASSERT_EQ(main_->Cameras().size(), 6u);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{10, 11, 12, 13, 75, 75}));
  for (size_t k = 0; k < 4; ++k) EXPECT_EQ(main_->Cameras()[k].get(), before[k]);
  EXPECT_TRUE(IsWindowVisible(CameraWindow(5)));

  HWND removed = CameraWindow(4);
  RunLayout("2", "2", kLayoutOk);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{10, 11, 12, 13}));
  EXPECT_FALSE(IsWindow(removed));
}

TEST_F(MainDlgTest, MouseChoosesTheCurrentCameraAndMovesActOnIt) {
  WriteWholeFile(capture_.ConfigFile(), DefaultConfigBytes(3, 1, 3, 3).Bytes());
  Start();
  SetClientSize(Window(), 640, 480);
  for (size_t k = 0; k < 3; ++k) SetQuality(k, static_cast<int32_t>(20 + k));

  // Nothing chosen yet: moves do nothing.
  EXPECT_EQ(CurrentCamera(), -1);
  Command(main_cmd::kMoveRight);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{20, 21, 22}));

  RightClickCamera(0);
  ASSERT_EQ(capture_.menus, std::vector<int>{kCameraMenu});
  EXPECT_EQ(CurrentCamera(), 0);
  Command(main_cmd::kMoveLeft);  // first camera: nothing
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{20, 21, 22}));
  EXPECT_EQ(ReadWholeFile(capture_.ConfigFile()).at(CameraOffset(0) + 12), 75);  // not saved

  // A right-click on the background keeps the chosen camera.
  MouseAt(WM_RBUTTONUP, 2, 2);
  EXPECT_EQ(capture_.menus, (std::vector<int>{kCameraMenu, kBackgroundMenu}));
  EXPECT_EQ(CurrentCamera(), 0);
  Command(main_cmd::kMoveRight);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{21, 20, 22}));
  EXPECT_EQ(CurrentCamera(), 1);  // the camera moved with its window
  const std::vector<uint8_t> saved = ReadWholeFile(capture_.ConfigFile());
  ASSERT_EQ(saved.size(), 560u + 3 * 1989 + ConfigExtensionSize(3));
  EXPECT_EQ(saved[CameraOffset(0) + 12], 21);
  EXPECT_EQ(saved[CameraOffset(1) + 12], 20);
  // Laid out again: the moved camera now sits in the first cell.
  EXPECT_EQ(CellOf(Window(), CameraWindow(0)).left, 5);
  EXPECT_EQ(main_->Cameras()[0]->Settings().jpegQuality, 21);

  RightClickCamera(2);
  Command(main_cmd::kMoveRight);  // last camera: nothing
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{21, 20, 22}));
  Command(main_cmd::kMoveLeft);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{21, 22, 20}));

  // Notifications and unknown ids do nothing.
  Command(main_cmd::kMoveLeft, 1);
  Command(main_cmd::kNothing);
  Command(159);
  EXPECT_EQ(Qualities(), (std::vector<int32_t>{21, 22, 20}));
}

TEST_F(MainDlgTest, DoubleClickOpensTheCamerasViewAndTheBackgroundClearsTheChoice) {
  Start();
  SetClientSize(Window(), 640, 480);
  const RECT cell = CellOf(Window(), CameraWindow(5));
  MouseAt(WM_LBUTTONDBLCLK, cell.left + 10, cell.top + 10);
  EXPECT_EQ(CurrentCamera(), 5);
  HWND view = FindWindowA(nullptr, "Camera 6");
  ASSERT_NE(view, nullptr) << "the view is titled with its camera's number";
  EXPECT_TRUE(IsWindowVisible(view));
  MouseAt(WM_LBUTTONDBLCLK, 1, 1);
  EXPECT_EQ(CurrentCamera(), -1);
  Command(main_cmd::kMoveRight);  // not found: nothing
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));
  // Removing the camera closes its view.
  RunLayout("4", "1", kLayoutOk);
  PumpMessages();
  EXPECT_FALSE(IsWindow(view));
}

TEST_F(MainDlgTest, TrayMenuCloseButtonAndExit) {
  Start();
  SendMessageA(Window(), kTrayNotifyMessage, 0, WM_RBUTTONUP);
  EXPECT_EQ(capture_.menus, std::vector<int>{kTrayMenu});

  SendMessageA(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(Window()));
  ASSERT_EQ(capture_.trayCalls.size(), 2u);
  const NOTIFYICONDATAA& balloon = capture_.trayCalls[1].icon;
  EXPECT_EQ(capture_.trayCalls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_STREQ(balloon.szInfoTitle, "Still Running");
  EXPECT_STREQ(balloon.szInfo, "Vorrandale is Still Running\nin the System Tray");
  EXPECT_EQ(balloon.uTimeout, 5000u);
  SendMessageA(Window(), kTrayNotifyMessage, 0, WM_LBUTTONDBLCLK);
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(Window()));

  ShowWindow(Window(), SW_MINIMIZE);
  Command(main_cmd::kRestore);
  EXPECT_FALSE(IsIconic(Window()));

  std::vector<HWND> cells;
  for (size_t k = 0; k < main_->Cameras().size(); ++k) cells.push_back(CameraWindow(k));
  Command(main_cmd::kExit);
  PumpMessages();
  EXPECT_FALSE(IsWindow(Window()));
  EXPECT_TRUE(main_->Cameras().empty());
  for (HWND cell : cells) EXPECT_FALSE(IsWindow(cell));
  EXPECT_EQ(owner_.Received(WM_CLOSE), 1);
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));  // nothing is written at exit
}

TEST_F(MainDlgTest, TrayIconIsAddedAgainWhenTheTaskbarIsCreated) {
  Start();
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  ASSERT_NE(taskbarCreated, 0u);
  ASSERT_EQ(capture_.trayCalls.size(), 1u);
  const NOTIFYICONDATAA first = capture_.trayCalls[0].icon;
  EXPECT_EQ(capture_.trayCalls[0].message, static_cast<DWORD>(NIM_ADD));

  // Hidden in the tray when Explorer restarts: the icon is the only way back.
  SendMessageA(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  SendMessageA(Window(), taskbarCreated, 0, 0);
  SendMessageA(Window(), taskbarCreated, 0, 0);
  std::vector<DWORD> messages;
  for (const TrayCall& call : capture_.trayCalls) messages.push_back(call.message);
  EXPECT_EQ(messages, (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_ADD}));
  for (size_t k : {size_t{2}, size_t{3}}) {
    const NOTIFYICONDATAA& again = capture_.trayCalls.at(k).icon;
    EXPECT_EQ(again.cbSize, first.cbSize);
    EXPECT_EQ(again.hWnd, Window());
    EXPECT_EQ(again.uID, 0u);
    // The same icon as at start, not the balloon of the close button.
    EXPECT_EQ(again.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(again.uCallbackMessage, 1368u);
    EXPECT_EQ(again.hIcon, first.hIcon);
    EXPECT_STREQ(again.szTip, "Vorrandale");
  }
  EXPECT_FALSE(IsWindowVisible(Window()));

  // The new icon answers as the old one did.
  SendMessageA(Window(), kTrayNotifyMessage, 0, WM_LBUTTONDBLCLK);
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(Window()));
  Command(main_cmd::kExit);
  PumpMessages();
  ASSERT_EQ(capture_.trayCalls.size(), 5u);
  EXPECT_EQ(capture_.trayCalls[4].message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(MainDlgTest, LayoutCommandRebuildsAndSavesOnOkOnly) {
  Start();
  RunLayout("3", "2", kLayoutCancel);
  EXPECT_EQ(main_->Cameras().size(), 12u);
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));
  RunLayout("3", "2", kLayoutOk);
  EXPECT_EQ(main_->Cameras().size(), 6u);
  const std::vector<uint8_t> saved = ReadWholeFile(capture_.ConfigFile());
  ASSERT_EQ(saved.size(), 560u + 6 * 1989 + ConfigExtensionSize(6));
  EXPECT_EQ(saved[536], 3);  // columns
  EXPECT_EQ(saved[540], 2);  // rows
  double aspect = 0;
  std::memcpy(&aspect, saved.data() + 548, sizeof aspect);
  EXPECT_EQ(aspect, 1.0);
}

}  // namespace

namespace {

// One camera, the web server on or off at `port`.
ConfigBytes WebConfig(uint16_t port, bool enabled) {
  ConfigBytes bytes = DefaultConfigBytes(1, 1, 1, 1);
  bytes.Int(0, enabled ? 1 : 0).Byte(8, static_cast<uint8_t>(port)).Byte(9, static_cast<uint8_t>(port >> 8));
  return bytes;
}

class MainDlgWebTest : public MainDlgTest {
 protected:
  void WriteWebConfig(uint16_t port) { WriteWholeFile(capture_.ConfigFile(), WebConfig(port, true).Bytes()); }
};

// A client socket to a loopback port.
class LoopbackClient {
 public:
  explicit LoopbackClient(uint16_t port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~LoopbackClient() {
    closesocket(socket_);
    WSACleanup();
  }
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;
  bool Connected() const { return connected_; }
  // The first bytes answered to a request, with this thread's messages
  // pumped meanwhile (the server runs on them); "" after five seconds.
  std::string Answer(const std::string& request) {
    if (!connected_ || send(socket_, request.data(), static_cast<int>(request.size()), 0) <= 0) return "";
    for (int wait = 0; wait < 250; ++wait) {
      PumpMessages();
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      timeval tick{0, 20000};
      if (select(0, &readable, nullptr, nullptr, &tick) != 1) continue;
      char chunk[512];
      const int got = recv(socket_, chunk, sizeof chunk, 0);
      return got > 0 ? std::string(chunk, static_cast<size_t>(got)) : "";
    }
    return "";
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
};

// Whether an HTTP server answers on the loopback port.
bool HttpAnswersOn(uint16_t port) {
  LoopbackClient client(port);
  return client.Answer("GET / HTTP/1.0\r\n\r\n").rfind("HTTP/1.", 0) == 0;
}

// A loopback socket holding a port, as another program would.
class PortHolder {
 public:
  PortHolder() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    listen(socket_, 1);
    int size = sizeof local;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
    port_ = ntohs(local.sin_port);
  }
  ~PortHolder() {
    closesocket(socket_);
    WSACleanup();
  }
  uint16_t Port() const { return port_; }

 private:
  SOCKET socket_;
  uint16_t port_ = 0;
};

TEST_F(MainDlgWebTest, StartListensWhenTheFileSaysSo) {
  uint16_t port;
  {
    PortHolder probe;
    port = probe.Port();
  }
  WriteWebConfig(port);
  Start();
  EXPECT_TRUE(capture_.boxes.empty());
  EXPECT_TRUE(HttpAnswersOn(port));
  EXPECT_NE(AboutText().find("Web server: http://localhost:" + std::to_string(port) + "/ on this computer"),
            std::string::npos);
}

TEST_F(MainDlgWebTest, TakenPortIsReportedAndTheCamerasRunOn) {
  PortHolder taken;
  WriteWebConfig(taken.Port());
  Start();
  ASSERT_EQ(capture_.boxes.size(), 1u);
  EXPECT_EQ(capture_.boxes[0].text, "Unable to Listen on webserver port " + std::to_string(taken.Port()));
  EXPECT_EQ(capture_.boxes[0].title, "Vorrandale Error");
  EXPECT_EQ(capture_.boxes[0].flags, 0x40030u);
  EXPECT_EQ(capture_.boxes[0].owner, Window());
  EXPECT_NE(AboutText().find("Web server: not listening, port " + std::to_string(taken.Port()) + " is not available."),
            std::string::npos);
  EXPECT_EQ(main_->Cameras().size(), 1u);
  EXPECT_TRUE(main_->Cameras()[0]->Worker().Running());
}

TEST_F(MainDlgWebTest, WebserverCommandAppliesAndSavesOnOk) {
  uint16_t port;
  {
    PortHolder probe;
    port = probe.Port();
  }
  const std::vector<uint8_t> off = WebConfig(port, false).Bytes();
  WriteWholeFile(capture_.ConfigFile(), off);
  Start();
  EXPECT_FALSE(LoopbackClient(port).Connected());
  const std::string portText = std::to_string(port);
  auto runWeb = [&](int button) {
    DialogScript script({[&] {
      HWND dialog = FindWindowA(nullptr, "Webserver Setup");
      if (!dialog) return false;
      CheckDlgButton(dialog, kIdWebEnabled, BST_CHECKED);
      SetDlgItemTextA(dialog, kIdListenPort, portText.c_str());
      // A login, or the dialog asks to go back and fill one in.
      SetDlgItemTextA(dialog, kIdUserName, "admin");
      SetDlgItemTextA(dialog, kIdPassword, "pw");
      SendMessageA(dialog, WM_COMMAND, button, 0);
      return true;
    }});
    Command(main_cmd::kWebSetup);
    EXPECT_TRUE(script.Finished());
  };
  runWeb(kIdWebCancel);
  EXPECT_FALSE(LoopbackClient(port).Connected());
  EXPECT_TRUE(ReadWholeFile(capture_.ConfigFile()) == off);
  runWeb(kIdWebOk);
  EXPECT_TRUE(HttpAnswersOn(port));
  const std::vector<uint8_t> saved = ReadWholeFile(capture_.ConfigFile());
  ASSERT_EQ(saved.size(), 560u + 1989u + ConfigExtensionSize(1));
  EXPECT_EQ(saved[0], 1);
  EXPECT_EQ(saved[8] | saved[9] << 8, port);
}

}  // namespace

namespace {

TEST_F(MainDlgTest, SetupCommandRunsTheDialogOfTheCurrentCameraAndSavesOnOk) {
  realSetupDialog_ = true;
  Start();
  SetClientSize(Window(), 640, 480);
  Command(main_cmd::kSetupCamera);  // no current camera: nothing opens
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));

  RightClickCamera(1);
  auto runSetup = [&](int button) {
    std::string title;
    DialogScript script({[&] {
      HWND dialog = OwnedDialog(Window());
      if (!dialog) return false;
      char text[64] = {};
      GetWindowTextA(dialog, text, sizeof text);
      title = text;
      SendMessageA(dialog, WM_COMMAND, button, 0);
      return true;
    }});
    Command(main_cmd::kSetupCamera);
    EXPECT_TRUE(script.Finished());
    return title;
  };
  ASSERT_EQ(runSetup(setup_id::kCancel), "Camera 2 Setup");
  EXPECT_FALSE(IsFile(capture_.ConfigFile()));
  ASSERT_EQ(runSetup(setup_id::kOk), "Camera 2 Setup");
  EXPECT_EQ(ReadWholeFile(capture_.ConfigFile()).size(), 24428u + ConfigExtensionSize(12));
  EXPECT_EQ(FindWindowA(nullptr, "Camera 2 Setup"), nullptr);
}

}  // namespace

namespace {

TEST_F(MainDlgTest, FirstStartFitsTheScreenCentredAndNumbersTheCameras) {
  Start();
  RECT outer{}, client{};
  GetWindowRect(Window(), &outer);
  GetClientRect(Window(), &client);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(Window(), MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT& work = monitor.rcWork;
  const int outerW = outer.right - outer.left, outerH = outer.bottom - outer.top;
  const ScreenRect expected =
      FirstStartPlacement(DefaultGridLayout(), outerW - client.right, outerH - client.bottom,
                          {work.left, work.top, work.right - work.left, work.bottom - work.top});
  EXPECT_EQ(outerW, expected.width);
  EXPECT_EQ(outerH, expected.height);
  EXPECT_GE(outer.left, work.left);
  EXPECT_GE(outer.top, work.top);
  EXPECT_LE(outer.right, work.right);
  EXPECT_LE(outer.bottom, work.bottom);
  EXPECT_NEAR(outer.left + outerW / 2, (work.left + work.right) / 2, 2);
  const RECT cell = CellOf(Window(), CameraWindow(0));
  const int cellWidth = cell.right - cell.left;
  EXPECT_TRUE(cellWidth == kFirstStartCellWidth ||
              (cellWidth < kFirstStartCellWidth &&
               (outerW + 4 > work.right - work.left || outerH + 3 > work.bottom - work.top)))
      << cellWidth << " wide in a window of " << outerW << "x" << outerH;
  for (size_t k = 0; k < 12; ++k) EXPECT_EQ(main_->Cameras()[k]->Number(), static_cast<int>(k) + 1);

  // A camera moved along the grid takes its new number with it.
  CamWnd* first = main_->Cameras()[0].get();
  RightClickCamera(0);
  Command(main_cmd::kMoveRight);
  EXPECT_EQ(main_->Cameras()[1].get(), first);
  EXPECT_EQ(first->Number(), 2);
  EXPECT_EQ(main_->Cameras()[0]->Number(), 1);
}

TEST_F(MainDlgTest, AStoredLayoutKeepsItsWindowSize) {
  WriteWholeFile(capture_.ConfigFile(), DefaultConfigBytes(2, 2, 4, 4).Bytes());
  Start();
  RECT client{};
  GetClientRect(Window(), &client);
  EXPECT_LT(client.right, 4 * kFirstStartCellWidth) << "the template's size, not the first start's";
  EXPECT_EQ(main_->Cameras().size(), 4u);
  EXPECT_EQ(main_->Cameras()[3]->Number(), 4);
}

TEST_F(MainDlgTest, AboutBoxAndTheRecordingsFolder) {
  Start();
  Command(main_cmd::kAbout);
  ASSERT_EQ(capture_.boxes.size(), 1u);
  EXPECT_EQ(capture_.boxes[0].title, "About Vorrandale");
  EXPECT_EQ(capture_.boxes[0].owner, Window());
  EXPECT_NE(capture_.boxes[0].flags & MB_ICONINFORMATION, 0u);
  EXPECT_EQ(capture_.boxes[0].text.rfind(std::string("Vorrandale ") + ProgramVersion(), 0), 0u);
  EXPECT_NE(capture_.boxes[0].text.find("Web server: off"), std::string::npos);
  EXPECT_NE(capture_.boxes[0].text.find("libjpeg-turbo"), std::string::npos);

  // No camera chosen yet: the first camera's folder, made before it opens.
  CamSettings settings = main_->Cameras()[0]->Settings();
  CopyText(settings.savePath, capture_.Folder().At("rec\\%Y\\cam.mjpg"));
  main_->Cameras()[0]->SetSettings(settings);
  const std::time_t now = std::time(nullptr);
  const std::string year = std::to_string(std::localtime(&now)->tm_year + 1900);
  const std::string folder = capture_.Folder().At("rec\\" + year);
  Command(main_cmd::kOpenRecordings);
  EXPECT_EQ(capture_.openedFolders, (std::vector<std::string>{folder}));
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_EQ(capture_.boxes.size(), 1u);

  // The current camera's folder; a shell that cannot open it is reported.
  settings = main_->Cameras()[2]->Settings();
  CopyText(settings.savePath, capture_.Folder().At("third\\x.mjpg"));
  main_->Cameras()[2]->SetSettings(settings);
  RightClickCamera(2);
  capture_.folderOpens = false;
  Command(main_cmd::kOpenRecordings);
  EXPECT_EQ(capture_.openedFolders.back(), capture_.Folder().At("third"));
  ASSERT_EQ(capture_.boxes.size(), 2u);
  EXPECT_EQ(capture_.boxes[1].title, "Vorrandale Error");
  EXPECT_EQ(capture_.boxes[1].text, "Unable to open the recordings folder " + capture_.Folder().At("third"));

  // A template that does not expand opens nothing.
  CopyText(settings.savePath, "C:\\rec\\%Q\\x.mjpg");
  main_->Cameras()[2]->SetSettings(settings);
  Command(main_cmd::kOpenRecordings);
  EXPECT_EQ(capture_.openedFolders.size(), 2u);
  ASSERT_EQ(capture_.boxes.size(), 3u);
  EXPECT_EQ(capture_.boxes[2].text, ExpandFailureText(ExpandResult::kBadTemplate));
}

}  // namespace
