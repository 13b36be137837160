#pragma once
// The camera object of the camera program: owns the camera's settings, its
// detection grid, its worker and its last picture, and draws that picture
// with overlay, status line, motion box, detection rectangle and (while
// editing) the detection grid into a child window of its own class. Lives
// on the thread that owns that window, and learns its worker's pictures and
// news from the worker's frame slot when woken.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/box_scale.h"
#include "engine/cam_settings.h"
#include "engine/cam_wrk_win.h"
#include "engine/camera_identity.h"
#include "engine/cell_text.h"
#include "engine/frame_slot.h"
#include "engine/motion_detector.h"
#include "engine/posted_wake_win.h"
#include "engine/recording_extras.h"
#include "engine/second_stream.h"
#include "framework/wnd_win.h"

class CamWnd : public Wnd {
 public:
  CamWnd();
  explicit CamWnd(CamWrk::Services workerServices);
  ~CamWnd() override;

  // Creates the cell, a child of `parent` at `rect` (parent's client
  // coordinates) with control id `id`, and starts the worker. A cell that
  // takes no mouse lets clicks through to its parent; one that does edits
  // the detection grid under the pointer. False when the window failed.
  bool CreateCell(HWND parent, const RECT& rect, int id, bool takesMouse);
  // The same in place of a placeholder control, which goes; its id, place
  // and rank among its siblings stay.
  bool ReplaceControl(HWND placeholder, bool takesMouse);
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  // A new picture, copied; processed = false applies the camera's flips,
  // rotation and motion detection here first (the setup dialog's preview).
  // Null pixels clear the picture; pictures of other than 24 bits are dropped.
  void SetPicture(const uint8_t* pixels, const PictureInfo& info, bool processed);
  // The same, taking the picture over instead of copying it.
  void SetPicture(Picture&& picture, bool processed);
  void SetSettings(const CamSettings& settings);
  void SetDetectGrid(const DetectGrid& grid);
  void SetExtras(const RecordingExtras& extras);
  // The camera's name and label; the worker learns the name.
  void SetIdentity(const CameraIdentity& identity);
  // The address of an RTSP camera's second stream; the worker learns it.
  void SetSecondStream(const SecondStream& second);
  // The camera's number in the grid (1 for the first cell), shown in its
  // empty cell and its source's dialog; 0, the default, for a camera
  // outside the grid (the setup dialog's preview), whose cell stays plain.
  void SetNumber(int number);
  int Number() const { return number_; }
  // Hands the current settings to the worker again (at start-up).
  void ApplySettings();
  // The current picture as one JPEG at the camera's quality; false without
  // a picture and while the camera has lost its signal.
  bool GrabJpeg(std::vector<uint8_t>& jpeg);
  // Marks (1) or clears (0) the grid cell under a client point.
  void SetGridCell(int x, int y, uint8_t value);

  // Draws the whole display into a device context of width x height; the
  // window's paint goes through this into one memory bitmap.
  void Render(HDC dc, int width, int height);

  const CamSettings& Settings() const { return settings_; }
  const DetectGrid& Grid() const { return grid_; }
  const RecordingExtras& Extras() const { return extras_; }
  const CameraIdentity& Identity() const { return identity_; }
  const SecondStream& Second() const { return second_; }
  // The records themselves, for the setup dialog's preview: its working
  // copy is edited in place and never handed to its worker.
  CamSettings& EditableSettings() { return settings_; }
  DetectGrid& EditableGrid() { return grid_; }
  RecordingExtras& EditableExtras() { return extras_; }
  CameraIdentity& EditableIdentity() { return identity_; }
  const char* StatusText() const { return statusText_; }
  // The camera's name: its own, else "Camera <number>".
  std::string Name() const;
  CameraStatus Status() const;
  bool HasPicture() const { return picture_ && !picture_->pixels.empty(); }
  // Changes with every new picture, so the web server's live streams see
  // new pictures without a call from here.
  uint64_t PictureSerial() const { return pictureSerial_; }
  // Wakes its subscribers once the cell shows a new picture, loses its
  // signal, changes its number or goes; it outlives the cell for whoever
  // still holds it.
  const std::shared_ptr<WakeList>& PictureChanges() const { return changes_; }
  // A picture that is still news: what the web server may show of the camera.
  bool HasLivePicture() const { return HasPicture() && !signalLost_; }
  const Picture& CurrentPicture() const;
  CamWrk& Worker() { return worker_; }

  // Closes the pop-up view, which follows the camera's pictures by itself,
  // when the camera goes.
  void SetViewCloser(std::function<void()> close) { closeView_ = std::move(close); }

 private:
  // Takes what the worker's slot has new: the latest frame, then the news
  // in the order given.
  void TakeNews();
  void ShowFrame(const SharedFrame& frame);
  // True when it changed what the web may show.
  bool ApplyNotice(const CameraNotice& notice);
  void Paint(HDC dc);
  void DrawDetectRect(HDC dc, int width, int height, COLORREF colour, int32_t opacity) const;
  void DrawDetectGrid(HDC dc, int width, int height, COLORREF lineColour) const;
  // Dims everything drawn so far and names when the signal went and what
  // the source says.
  void DrawSignalLost(HDC dc, int width, int height) const;
  void Redraw() const;
  // A new picture repaints the client area only: the cell has no frame.
  void RedrawPicture() const;
  void ClearPicture();
  // SetPicture without the redraw; false when the picture was dropped.
  bool CopyPicture(const uint8_t* pixels, const PictureInfo& info, bool processed);
  bool AdoptPicture(Picture&& picture, bool processed);
  // Draws the picture from its copy scaled to the cell, made here when the
  // worker's does not fit.
  void DrawPicture(HDC dc, int width, int height);

  // The picture shown: the worker's frame's, or the cell's own; null: none.
  std::shared_ptr<const Picture> picture_;
  SharedFrame frame_;  // the worker's frame shown, whose scaled copy is drawn when it fits
  uint64_t pictureSerial_ = 0;
  uint64_t shownFrame_ = 0;  // the serial of the worker's frame shown
  PostedWake wake_;
  std::shared_ptr<WakeList> changes_ = std::make_shared<WakeList>();
  bool takesMouse_ = false;
  bool processed_ = false;
  BoxScaler scaler_;
  CellImage scaled_;
  bool scaledValid_ = false;  // scaled_ shows picture_, made here when the frame's does not fit
  // The window's paint renders into this, kept while its size stays.
  struct BackBuffer;
  std::unique_ptr<BackBuffer> back_;
  char statusText_[kTextSize] = {};
  char alertStatus_[kTextSize] = {};  // an alert channel's failure, "" while alerts are delivered
  char sourceStatus_[kTextSize] = {};
  int number_ = 0;
  // No new picture for a while: the last one is shown dimmed and marked.
  bool signalLost_ = false;
  bool recording_ = false;  // the worker recorded its last frame
  CameraNotice signalNote_{};
  std::function<void()> closeView_;
  MotionDetector detector_;
  DetectGrid grid_;
  CamWrk worker_;
  CamSettings settings_;
  RecordingExtras extras_ = kDefaultRecordingExtras;
  CameraIdentity identity_{};
  SecondStream second_{};
};
