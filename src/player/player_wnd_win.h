#pragma once
// The player: one resizable dialog (template 101) with the current frame of
// the open .mjpg or .mp4 recording, the status line, the timeline and the
// row of buttons, playing the recording with a window timer and running the
// edits and the AVI export from its right-click menu. The program's whole
// life is this dialog.
//
// Contract: one PlayerWnd per reader; Run shows the dialog modally and
// returns when it is closed (closing also asks a running edit or export to
// stop). The reader's host gets the dialog as its owner window.

#include <windows.h>

#include <string>

#include "common/control_layout_win.h"
#include "framework/dialogs_win.h"
#include "player/avi_writer_win.h"
#include "player/frame_index.h"
#include "player/frame_source.h"
#include "player/mp4_reader_win.h"
#include "player/picture_control_win.h"
#include "player/reader_host_win.h"
#include "player/recording_reader.h"
#include "player/status_line_control_win.h"
#include "player/timeline_control_win.h"

enum class FrameMode {
  NextReporting,  // after opening: a missing frame is reported
  NextQuiet,      // the timer and forward steps
  Previous,       // backward steps
  AtFraction,     // the timeline, "<<" and ">>"
};

class PlayerWnd : public ModalDlg {
 public:
  PlayerWnd(Win32ReaderHost& host, RecordingReader& reader, AviPlatform& avi = DefaultAviPlatform())
      : host_(host), reader_(reader), avi_(avi), mp4_(host) {}
  PlayerWnd(const PlayerWnd&) = delete;
  PlayerWnd& operator=(const PlayerWnd&) = delete;

  // Runs the dialog without an owner; commandLine is the program's whole
  // command line, whose first argument after the program name, when there
  // is one, is the recording to open.
  INT_PTR Run(const std::wstring& commandLine);

  bool ShowFrame(FrameMode mode, double fraction = 0.0);
  void StopPlaying();
  void LockControls(bool locked);
  void ApplySizePreset(int command);
  // The context menu for the current state (menu 150 without the selection
  // items when there is no selection, or menu 151), the preset ticked. The
  // caller destroys what it returns.
  HMENU BuildContextMenu() const;

 private:
  INT_PTR FilterMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  // Asks a running edit or export to stop.
  INT_PTR OnClose() override;
  void CloseAllowed(HWND hwnd) override;
  void RunCommand(int id);
  void OnEditCommand(int id);
  // The selection and the cuts of an MP4 recording.
  void OnMp4EditCommand(int id);
  void RunMp4Operation(int id);
  void OnPlay();
  void OnLoaded();
  void OnStep(int delta);
  void OnTimelineReleased();
  void OnRightButtonUp(POINT client);
  void OpenFromCommandLine();
  // Opens a .mp4 in the MP4 reader and anything else in the .mjpg reader,
  // closing the other; without a path asks for one first (a cancelled
  // chooser keeps what is open).
  bool OpenRecording(std::optional<std::string> path);
  // The wait before the next frame while playing.
  uint32_t PlayDelay();
  void ShowContextMenu();
  uint32_t Delay() const;
  bool HasCurrentFrame() const;
  void SetTimelinePos(int message, long double fraction);
  // The readout beside the status line: which frame of how many.
  void ShowPosition();
  void FitReadout();

  Win32ReaderHost& host_;
  RecordingReader& reader_;
  AviPlatform& avi_;
  Mp4Reader mp4_;
  FrameSource* source_ = &reader_;  // the open one's reader
  std::wstring commandLine_;
  ControlLayout layout_;
  PictureControl picture_;
  StatusLineControl statusLine_;
  FrameIndex frames_;      // for the position readout
  bool indexing_ = false;  // a slice of the count is on its way
  TimelineControl timeline_;
  bool playing_ = false;
  int sizePreset_ = 0;
  RECT sizeBeforeMove_{};
};
