// Enter, Escape and Tab in the modeless windows, pressed as a user would:
// key messages through the message loop of the thread that owns the window
// (a camera worker's for the IP camera dialog, the main thread's for the
// camera view).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "common/fixed_text.h"
#include "engine/cam_wnd_win.h"
#include "framework/dialogs_win.h"
#include "shell/cam_view_dlg_win.h"
#include "shell/shell_sources_win.h"
#include "sources/ip_cam_dlg_win.h"
#include "support/test_window_win.h"

namespace {

// This thread's loop as the program runs it.
void PumpLikeTheProgram() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (TranslateModelessKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    PumpLikeTheProgram();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void Press(HWND target, WPARAM key) {
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

std::string Title(HWND window) {
  char text[128] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

TEST(ModelessKeysTest, IpCameraDialogOnItsWorkerAnswersEnterEscapeAndTab) {
  TestWindow cell("Static", 100, WS_CHILD | WS_VISIBLE, 0, 160, 120);
  CamWrk::Services services;
  services.sources = ShellSourceFactory();
  CamWnd camera(std::move(services));
  camera.ReplaceControl(cell.Child(), false);
  camera.SetNumber(2);
  CamSettings settings = camera.Settings();
  settings.cameraType = kIpCamera;
  camera.SetSettings(settings);
  MoveWindow(cell.Parent(), 200, 150, 560, 330, TRUE);
  ShowWindow(cell.Parent(), SW_SHOW);
  SetForegroundWindow(cell.Parent());
  camera.Worker().SelectSource(kIpCamera);

  HWND dialog = FindWindowA(nullptr, "IP Camera Setup - Camera 2");
  ASSERT_NE(dialog, nullptr) << "the dialog carries its camera's number";
  EXPECT_EQ(GetWindowThreadProcessId(dialog, nullptr), GetWindowThreadProcessId(camera.Worker().Handle(), nullptr));
  ASSERT_TRUE(IsWindowVisible(dialog));
  RECT opener{}, placed{}, overlap{};
  GetWindowRect(cell.Parent(), &opener);
  GetWindowRect(dialog, &placed);
  EXPECT_FALSE(IntersectRect(&overlap, &opener, &placed)) << "opens beside the window it was opened from";
  HWND url = GetDlgItem(dialog, ipcam::kUrl);
  ASSERT_TRUE(PumpUntil([&] { return FocusOf(dialog) == url; })) << "the URL field has the focus";

  Press(url, VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(dialog); })) << "Enter hides the dialog";
  EXPECT_TRUE(IsWindow(dialog)) << "hidden, not destroyed";

  camera.Worker().SelectSource(kIpCamera);
  ASSERT_TRUE(IsWindowVisible(dialog));
  ASSERT_TRUE(PumpUntil([&] { return FocusOf(dialog) != nullptr; }));
  const HWND before = FocusOf(dialog);
  Press(before, VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return FocusOf(dialog) != before && FocusOf(dialog) != nullptr; }))
      << "Tab moves to the next control";
  EXPECT_TRUE(IsChild(dialog, FocusOf(dialog)));
  Press(FocusOf(dialog), VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(dialog); })) << "Escape hides the dialog";

  // Connected: Connect is disabled under the focus, and both keys still hide.
  for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    camera.Worker().SelectSource(kIpCamera);
    ASSERT_TRUE(IsWindowVisible(dialog));
    SetDlgItemTextA(dialog, ipcam::kUrl, "http://127.0.0.1:9/picture.jpg");
    HWND connect = GetDlgItem(dialog, ipcam::kConnectButton);
    PostMessageA(connect, BM_CLICK, 0, 0);  // a click, which focuses the button
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowEnabled(connect) && FocusOf(dialog) != nullptr; }))
        << "connecting keeps a focus in the dialog";
    Press(FocusOf(dialog), key);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(dialog); })) << "after Connect, key " << key << " hides";
  }

  // The camera moves in the grid: the dialog follows.
  camera.SetNumber(3);
  EXPECT_EQ(Title(dialog), "IP Camera Setup - Camera 3");
}

TEST(ModelessKeysTest, CameraViewIsNamedCentredAndHiddenByEnterAndEscape) {
  // A main window away from the screen's corner.
  HWND owner = CreateWindowExA(0, "Static", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 150, 120, 900, 700, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  {
    TestWindow cell("Static", 100, WS_CHILD | WS_VISIBLE, 0, 160, 120);
    CamViewDlg view([] { return 0.75; });
    CamWnd camera;
    camera.ReplaceControl(cell.Child(), false);
    camera.SetNumber(2);
    OpenView(camera, view, owner);
    HWND window = view.Handle();
    ASSERT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Title(window), "Camera 2");
    RECT over{}, placed{};
    GetWindowRect(owner, &over);
    GetWindowRect(window, &placed);
    EXPECT_NEAR((placed.left + placed.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((placed.top + placed.bottom) / 2, (over.top + over.bottom) / 2, 1);

    // Only key messages of modeless dialogs are taken from the loop.
    MSG other{camera.Handle(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    EXPECT_FALSE(TranslateModelessKey(other));
    MSG notKey{window, WM_MOUSEMOVE, 0, 0, 0, {}};
    EXPECT_FALSE(TranslateModelessKey(notKey));

    Press(window, VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); })) << "Enter hides the view";
    EXPECT_TRUE(IsWindow(window));

    // Shown again where the user left it; Escape hides it too.
    SetWindowPos(window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    camera.SetNumber(4);
    OpenView(camera, view, owner);
    EXPECT_EQ(view.Handle(), window);
    EXPECT_EQ(Title(window), "Camera 4");
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    Press(window, VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); })) << "Escape hides the view";
  }
  DestroyWindow(owner);
}

}  // namespace
