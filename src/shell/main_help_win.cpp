// The main window's help for a newcomer: a first window that fits the
// screen, the About box, and the way to the recordings.
#include <windows.h>

#include <string>

#include "common/clock.h"
#include "common/fixed_text.h"
#include "engine/save_path.h"
#include "engine/save_path_win.h"
#include "net/host_names_win.h"
#include "shell/about_text.h"
#include "shell/first_start_size.h"
#include "shell/main_dlg_win.h"

namespace {

bool ShellOpenFolder(HWND owner, const char* folder) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", folder, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace

void MainDlg::PlaceForFirstStart() {
  RECT outer{}, client{};
  if (!GetWindowRect(dialog_, &outer) || !GetClientRect(dialog_, &client)) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(dialog_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const ScreenRect placed = FirstStartPlacement(
      layout_, (outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom,
      ScreenRect{work.left, work.top, work.right - work.left, work.bottom - work.top});
  SetWindowPos(dialog_, nullptr, placed.x, placed.y, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainDlg::OpenRecordingsFolder() {
  CamWnd* camera = nullptr;
  if (grid_.FindCurrent(&camera) < 0) camera = grid_.Cameras().empty() ? nullptr : grid_.Cameras().front().get();
  if (!camera) return;
  char path[kTextSize];
  const ExpandResult expanded = ExpandSavePath(camera->Settings().savePath, DefaultClock(), path);
  if (expanded != ExpandResult::kOk) {
    ShowMessage(services_.messageBox, dialog_, ExpandFailureText(expanded), "Vorrandale Error", kErrorBoxFlags);
    return;
  }
  std::string folder(SaveFolderOf(path));
  if (folder.empty()) {
    // A bare file name is recorded in the program's working folder.
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof current, current);
    folder = current;
  }
  // Before the first recording the folder does not exist yet; the worker
  // would make it the same way.
  const bool made = CreateSaveDirectories(folder + "\\");
  const bool opened = made && (services_.openFolder ? services_.openFolder(dialog_, folder.c_str())
                                                    : ShellOpenFolder(dialog_, folder.c_str()));
  if (!opened) {
    char text[kTextSize + 64];
    FormatText(text, sizeof text, "Unable to open the recordings folder %s", folder.c_str());
    ShowMessage(services_.messageBox, dialog_, text, "Vorrandale Error", kErrorBoxFlags);
  }
}

void MainDlg::ShowAbout() {
  AboutFacts facts;
  facts.version = ProgramVersion();
  facts.webEnabled = web_.webEnabled != 0;
  facts.webListening = webServer_.IsListening();
  facts.webPort = web_.listenPort;
  facts.webFingerprint = webFingerprint_;
  facts.webLocalOnly = webSecurity_.localOnly != 0;
  facts.hostName = ComputerName();
  facts.settingsNote = settingsNote_;
  if (facts.webListening) facts.addresses = NetworkAddresses();
  ShowMessage(services_.messageBox, dialog_, AboutText(facts).c_str(), "About Vorrandale", MB_OK | MB_ICONINFORMATION);
}
