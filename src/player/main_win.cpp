// Framedeck: plays, cuts and exports one recording in a single dialog.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "player/player_wnd_win.h"
#include "player/reader_host_win.h"
#include "player/recording_reader.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  if (!InitCommonControlsEx(&controls)) InitCommonControls();
  Win32ReaderHost host;
  RecordingReader reader(host);
  PlayerWnd player(host, reader);
  player.Run(GetCommandLineW());
  return 0;
}
