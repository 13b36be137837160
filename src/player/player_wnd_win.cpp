#include "player/player_wnd_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "common/text_case.h"
#include "framework/window_icon_win.h"
#include "player/avi_export_win.h"
#include "player/avi_frame_rate.h"
#include "player/edit_recording_win.h"
#include "player/mp4_edit_win.h"
#include "player/mp4_frame_export_win.h"
#include "player/player_ids.h"
#include "player/player_text.h"
#include "player/size_presets.h"
#include "player/timeline_geometry.h"

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
constexpr size_t kPathBuffer = 1024;
// The frames are counted a slice at a time between the window's messages.
constexpr int64_t kIndexSlice = 16 * 1024 * 1024;
constexpr UINT kIndexMore = WM_APP + 1;

// Registration order and modes (horizontal, vertical) of the resizable controls.
struct Placement {
  int id;
  int horizontal;
  int vertical;
};
constexpr Placement kPlacements[] = {
    {kPictureArea, kLayoutStretch, kLayoutStretch},
    {kStatusLine, kLayoutStretch, kLayoutFollowEdge},
    {kDelayLabel, kLayoutFollowEdge, kLayoutFollowEdge},
    {kTimeline, kLayoutStretch, kLayoutFollowEdge},
    {kLoadButton, kLayoutKeep, kLayoutFollowEdge},
    {kPlayButton, kLayoutKeep, kLayoutFollowEdge},
    {kFirstButton, kLayoutKeep, kLayoutFollowEdge},
    {kLastButton, kLayoutKeep, kLayoutFollowEdge},
    {kDelayField, kLayoutFollowEdge, kLayoutFollowEdge},
    {kStepArrows, kLayoutFollowEdge, kLayoutFollowEdge},
    {kPositionReadout, kLayoutFollowEdge, kLayoutFollowEdge},
};

// The menu items that only the MP4 reader serves.
constexpr int kMp4OnlyItems[] = {kExportMp4};

// The menu items that act on the selection.
constexpr int kSelectionItems[] = {kExtractSelection, kDeleteSelection, kInsertAtStart,
                                   kInsertAtEnd,      kExportAvi,       kExportMp4};

struct LocalMemoryFree {
  void operator()(LPWSTR* arguments) const { ::LocalFree(arguments); }
};

EditKind EditKindOf(int command) {
  switch (command) {
    case kDeleteSelection:
      return EditKind::Delete;
    case kSaveFrame:
      return EditKind::SaveFrame;
    case kInsertAtStart:
      return EditKind::InsertAtStart;
    case kInsertAtEnd:
      return EditKind::InsertAtEnd;
    default:
      return EditKind::Extract;
  }
}

PixelSize SizeOf(const RECT& rect) {
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

INT_PTR PlayerWnd::Run(const std::wstring& commandLine) {
  commandLine_ = commandLine;
  return ModalDlg::Run(nullptr, kPlayerTemplate);
}

INT_PTR PlayerWnd::FilterMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  layout_.HandleMessage(dialog_, message, wParam, lParam);
  if (message == WM_SIZE) FitReadout();
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == static_cast<UINT_PTR>(kStepArrows) && header->code == UDN_DELTAPOS)
        OnStep(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
      return TRUE;
    }
    case WM_HSCROLL:
      if (LOWORD(wParam) == TB_ENDTRACK && reinterpret_cast<HWND>(lParam) == timeline_.Window()) OnTimelineReleased();
      return TRUE;
    case kIndexMore:
      indexing_ = false;
      ShowPosition();
      return TRUE;
    case WM_TIMER:
      // A tick already queued when playback stopped must not move on.
      if (wParam == kPlayTimer && playing_) {
        if (!ShowFrame(FrameMode::NextQuiet))
          StopPlaying();
        else if (const std::optional<uint32_t> delay = source_->RecordedDelayMs())
          SetTimer(dialog_, kPlayTimer, *delay, nullptr);
      }
      return TRUE;
    case WM_RBUTTONUP:
      OnRightButtonUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return TRUE;
    case WM_LBUTTONDBLCLK:
      sizePreset_ = NextSizePreset(sizePreset_);
      ApplySizePreset(sizePreset_);
      return TRUE;
    case WM_ENTERSIZEMOVE:
      GetWindowRect(dialog_, &sizeBeforeMove_);
      return TRUE;
    case WM_EXITSIZEMOVE: {
      RECT now{};
      GetWindowRect(dialog_, &now);
      const PixelSize before = SizeOf(sizeBeforeMove_), after = SizeOf(now);
      if (before.width != after.width || before.height != after.height) sizePreset_ = 0;
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR PlayerWnd::OnCommand(HWND, WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) == 0) RunCommand(LOWORD(wParam));
  return TRUE;
}

INT_PTR PlayerWnd::OnClose() {
  reader_.RequestAbort();
  return TRUE;
}

void PlayerWnd::CloseAllowed(HWND hwnd) {
  EndDialog(hwnd, 0);
}

INT_PTR PlayerWnd::OnInitDialog(HWND) {
  host_.SetOwner(dialog_);
  statusLine_.Attach(dialog_, kStatusLine);
  statusLine_.SetFlags(StatusLineControl::kButtonFaceBackground, true);
  picture_.Attach(dialog_, kPictureArea);
  SetWindowIcons(dialog_, kPlayerIcon);
  timeline_.Attach(dialog_, kTimeline);
  SendMessageA(timeline_.Window(), TBM_SETRANGEMAX, FALSE, kTimelineRange);
  SendMessageA(timeline_.Window(), TBM_SETPAGESIZE, 0, kTimelinePage);

  for (const Placement& placement : kPlacements)
    layout_.AddById(placement.id, placement.horizontal, placement.vertical, TRUE);
  layout_.SetMinSize(0, 0);

  sizePreset_ = kPresetSmall;
  ApplySizePreset(kPresetSmall);
  OpenFromCommandLine();
  return TRUE;
}

void PlayerWnd::OpenFromCommandLine() {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalMemoryFree> arguments(CommandLineToArgvW(commandLine_.c_str(), &count));
  if (!arguments || count < 2) return;
  char path[kPathBuffer];
  if (!WideCharToMultiByte(CP_ACP, 0, arguments.get()[1], -1, path, sizeof path, nullptr, nullptr)) return;
  if (OpenRecording(std::string(path))) OnLoaded();
}

bool PlayerWnd::OpenRecording(std::optional<std::string> path) {
  if (!path) {
    std::string chosen = host_.AskOpenFile("", kPlayerOpenFilter, kRecordingExtension);
    if (chosen.empty()) return false;
    path = std::move(chosen);
  }
  if (!EndsWithNoCase(*path, kMp4Extension)) {
    mp4_.Close();
    source_ = &reader_;
    return reader_.Open(std::move(path));
  }
  reader_.Close();
  source_ = &mp4_;
  return mp4_.Open(*path);
}

void PlayerWnd::OnLoaded() {
  frames_.Clear();
  SendMessageA(timeline_.Window(), TBM_CLEARSEL, TRUE, 0);
  SendMessageA(timeline_.Window(), TBM_SETPOS, TRUE, 0);
  ShowFrame(FrameMode::NextReporting);
}

bool PlayerWnd::ShowFrame(FrameMode mode, double fraction) {
  FrameMove move = FrameMove::kNext;
  if (mode == FrameMode::Previous) move = FrameMove::kPrevious;
  if (mode == FrameMode::AtFraction) move = FrameMove::kAtFraction;
  ShownFrame shown;
  const std::string format = source_->FormatName();
  switch (source_->Show(move, fraction, shown)) {
    case FrameOutcome::kNoFrame:
      if (mode == FrameMode::NextReporting) picture_.SetMessage("Could not grab a valid " + format + " frame");
      return false;
    case FrameOutcome::kUndecodable:
      picture_.SetMessage("Could not load a valid " + format + " frame");
      return false;
    case FrameOutcome::kShown:
      break;
  }
  picture_.SetPicture(std::move(shown.picture));
  if (shown.date) SetWindowTextA(statusLine_.Window(), StatusText(source_->FileSize(), *shown.date).c_str());
  SetTimelinePos(TBM_SETPOS, source_->PositionFraction(false));
  ShowPosition();
  return true;
}

void PlayerWnd::ShowPosition() {
  // An MP4's index counts its frames as it opens.
  if (source_ == &mp4_) {
    SetDlgItemTextA(
        dialog_, kPositionReadout,
        PositionText(static_cast<size_t>(mp4_.ShownNumber()), static_cast<size_t>(mp4_.FrameCount()), true).c_str());
    FitReadout();
    return;
  }
  RecordingFile* file = reader_.File();
  const bool counted = !file || frames_.Update(*file, kIndexSlice);
  SetDlgItemTextA(dialog_, kPositionReadout,
                  PositionText(frames_.NumberEndingAt(reader_.Position()), frames_.Count(), counted).c_str());
  FitReadout();
  if (!counted && !indexing_) indexing_ = PostMessageA(dialog_, kIndexMore, 0, 0) != FALSE;
}

// The readout takes the width of its text at its right edge and the status
// line the rest, so a small window cuts as little of the status as it can.
void PlayerWnd::FitReadout() {
  HWND readout = GetDlgItem(dialog_, kPositionReadout);
  HWND status = statusLine_.Window();
  RECT outer{}, line{};
  if (!readout || !status || !GetWindowRect(readout, &outer) || !GetWindowRect(status, &line)) return;
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&outer), 2);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&line), 2);
  char text[64] = "";
  const int length = GetWindowTextA(readout, text, sizeof text);
  SIZE size{};
  if (HDC dc = GetDC(readout)) {
    SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(readout, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, text, length, &size);
    ReleaseDC(readout, dc);
  }
  constexpr int kGap = 6;
  const int left = std::max<int>(line.left, outer.right - size.cx - kGap);
  MoveWindow(readout, left, outer.top, outer.right - left, outer.bottom - outer.top, TRUE);
  MoveWindow(status, line.left, line.top, left - line.left, line.bottom - line.top, TRUE);
}

void PlayerWnd::SetTimelinePos(int message, long double fraction) {
  SendMessageA(timeline_.Window(), message, TRUE, TimelineValue(fraction, kTimelineRange));
}

void PlayerWnd::StopPlaying() {
  KillTimer(dialog_, kPlayTimer);
  playing_ = false;
  // While an edit or export runs the timeline stays locked and the button
  // keeps offering the abort.
  if (reader_.IsBusy()) return;
  EnableWindow(timeline_.Window(), TRUE);
  SetDlgItemTextA(dialog_, kPlayButton, "Play");
}

void PlayerWnd::LockControls(bool locked) {
  StopPlaying();
  for (int id : {kTimeline, kLoadButton, kStepArrows, kDelayField}) EnableWindow(GetDlgItem(dialog_, id), !locked);
  SetDlgItemTextA(dialog_, kPlayButton, locked ? "Abort" : "Play");
}

uint32_t PlayerWnd::PlayDelay() {
  const std::optional<uint32_t> recorded = source_->RecordedDelayMs();
  return recorded ? *recorded : Delay();
}

uint32_t PlayerWnd::Delay() const {
  char text[32] = "";
  GetDlgItemTextA(dialog_, kDelayField, text, sizeof text);
  return ParseDelay(text);
}

bool PlayerWnd::HasCurrentFrame() const {
  return reader_.IsOpen() && reader_.FrameSize() > 0 && reader_.Position() >= reader_.FrameSize();
}

void PlayerWnd::RunCommand(int id) {
  switch (id) {
    case kLoadButton:
      if (!reader_.IsBusy() && OpenRecording(std::nullopt)) OnLoaded();
      break;
    case kPlayButton:
      OnPlay();
      break;
    case kFirstButton:
    case kLastButton:
      // An MP4 export decodes through the shown frame's decoder.
      if (source_ == &mp4_ && reader_.IsBusy()) break;
      StopPlaying();
      ShowFrame(FrameMode::AtFraction, id == kFirstButton ? 0.0 : 1.0);
      break;
    case kPresetSmall:
    case kPresetMedium:
    case kPresetLarge:
      sizePreset_ = id;
      ApplySizePreset(id);
      break;
    default:
      if ((id >= kSetSelectionStart && id <= kExportAvi) || id == kExportMp4) OnEditCommand(id);
      // Enter (1), Escape (2) and "Can't Edit while Playing Video" do nothing.
      break;
  }
}

void PlayerWnd::OnPlay() {
  if (playing_) {
    StopPlaying();
  } else if (reader_.IsBusy()) {
    reader_.RequestAbort();
  } else {
    playing_ = true;
    EnableWindow(timeline_.Window(), FALSE);
    SetTimer(dialog_, kPlayTimer, PlayDelay(), nullptr);
    SetDlgItemTextA(dialog_, kPlayButton, "Stop");
  }
}

void PlayerWnd::OnMp4EditCommand(int id) {
  switch (id) {
    case kSetSelectionStart:
      mp4_.SetSelectionStart();
      break;
    case kSetSelectionEnd:
      mp4_.SetSelectionEnd();
      break;
    case kClearSelection:
      mp4_.ClearSelection();
      break;
    case kExtractSelection:
    case kDeleteSelection:
    case kInsertAtStart:
    case kInsertAtEnd:
    case kExportMp4:
    case kSaveFrame:
    case kExportAvi:
      RunMp4Operation(id);
      return;
    default:
      return;
  }
  // The timeline shows what a cut would take: whole groups of pictures.
  SendMessageA(timeline_.Window(), TBM_CLEARSEL, TRUE, 0);
  if (const std::optional<Mp4Reader::Widened> widened = mp4_.WidenedSelection()) {
    SetTimelinePos(TBM_SETSELSTART, widened->fromFraction);
    SetTimelinePos(TBM_SETSELEND, widened->toFraction);
  }
}

// A long operation on the MP4 recording: the .mjpg reader, which is closed
// meanwhile, holds the busy state, so the window locks, offers the abort and
// lets it go exactly as for the .mjpg edits.
void PlayerWnd::RunMp4Operation(int id) {
  LockControls(true);
  {
    ReaderOperation operation(reader_);
    HWND progress = statusLine_.Window();
    const auto keepGoing = [this] { return PumpMessages(reader_); };
    if (id == kSaveFrame)
      SaveMp4Frame(mp4_, progress);
    else if (id == kExportAvi)
      ExportMp4Avi(mp4_, dialog_, progress, ExportFrameRate(PlayDelay()), avi_, keepGoing);
    else if (id == kExportMp4)
      EditMp4(mp4_, dialog_, progress, EditKind::Extract, keepGoing, "Exported_Video.mp4");
    else
      EditMp4(mp4_, dialog_, progress, EditKindOf(id), keepGoing);
  }
  LockControls(false);
}

void PlayerWnd::OnEditCommand(int id) {
  if (source_ == &mp4_) {
    if (mp4_.IsOpen() && !playing_ && !reader_.IsBusy()) OnMp4EditCommand(id);
    return;
  }
  // The menu offers these only for an open, idle recording; a command
  // arriving otherwise must not move the marks under a running copy.
  if (!reader_.IsOpen() || reader_.IsBusy()) return;
  HWND timeline = timeline_.Window();
  HWND progress = statusLine_.Window();
  switch (id) {
    case kSetSelectionStart:
      if (!HasCurrentFrame()) return;
      reader_.SetSelectionStart();
      SetTimelinePos(TBM_SETSELSTART, reader_.PositionFraction(true));
      return;
    case kSetSelectionEnd:
      if (!HasCurrentFrame()) return;
      reader_.SetSelectionEnd();
      SetTimelinePos(TBM_SETSELEND, reader_.PositionFraction(false));
      return;
    case kClearSelection:
      reader_.ClearSelection();
      SendMessageA(timeline, TBM_CLEARSEL, TRUE, 0);
      return;
    case kExportAvi: {
      const uint32_t rate = ExportFrameRate(Delay());
      LockControls(true);
      ExportAvi(reader_, dialog_, progress, rate, avi_);
      LockControls(false);
      return;
    }
    default:
      break;
  }
  LockControls(true);
  EditRecording(reader_, progress, EditKindOf(id));
  LockControls(false);
}

void PlayerWnd::OnStep(int delta) {
  StopPlaying();
  for (int i = 0; i < delta; ++i) ShowFrame(FrameMode::Previous);
  for (int i = 0; i > delta; --i) ShowFrame(FrameMode::NextQuiet);
}

void PlayerWnd::OnTimelineReleased() {
  if (!source_->IsOpen()) return;
  const LRESULT pos = SendMessageA(timeline_.Window(), TBM_GETPOS, 0, 0);
  ShowFrame(FrameMode::AtFraction, static_cast<double>(pos) / kTimelineRange);
}

void PlayerWnd::ApplySizePreset(int command) {
  const PixelSize wanted = PresetPictureSize(command);
  if (wanted.width == 0) return;
  RECT window{}, picture{};
  GetWindowRect(dialog_, &window);
  GetWindowRect(picture_.Window(), &picture);
  const PixelSize size = WindowSizeFor(SizeOf(window), SizeOf(picture), wanted);
  MoveWindow(dialog_, window.left, window.top, size.width, size.height, TRUE);
  RedrawWindow(dialog_, nullptr, nullptr, kRedrawAll);
}

HMENU PlayerWnd::BuildContextMenu() const {
  const bool busy = playing_ || reader_.IsBusy();
  HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(busy ? kBusyMenu : kEditMenu));
  if (!bar) return nullptr;
  HMENU popup = GetSubMenu(bar, 0);
  // Keep the popup when the bar holding it goes.
  RemoveMenu(bar, 0, MF_BYPOSITION);
  DestroyMenu(bar);
  const bool mp4 = source_ == &mp4_;
  if (!busy && !(mp4 ? mp4_.HasSelection() : reader_.HasSelection()))
    for (int item : kSelectionItems) DeleteMenu(popup, item, MF_BYCOMMAND);
  if (!mp4)
    for (int item : kMp4OnlyItems) DeleteMenu(popup, item, MF_BYCOMMAND);
  if (sizePreset_ != 0) CheckMenuItem(popup, sizePreset_, MF_BYCOMMAND | MF_CHECKED);
  return popup;
}

void PlayerWnd::OnRightButtonUp(POINT client) {
  if (!source_->IsOpen()) return;
  RECT area{};
  GetWindowRect(picture_.Window(), &area);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&area), 2);
  if (!PtInRect(&area, client)) return;
  ShowContextMenu();
}

void PlayerWnd::ShowContextMenu() {
  HMENU menu = BuildContextMenu();
  if (!menu) return;
  SetForegroundWindow(dialog_);
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackPopupMenu(menu, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, dialog_, nullptr);
  DestroyMenu(menu);
  PostMessageA(dialog_, WM_NULL, 0, 0);
}
